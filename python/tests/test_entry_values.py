"""Entry as a value: pickling, copying and sorting keep every field, agree
with ==, and a damaged pickle state raises instead of crashing."""

import copy
import pickle
import random

import pytest

import ftpdirlist
from conftest import example, fields
from test_api import TODAY

# Listings whose entries between them use every field: links with targets,
# seconds, UTC times, VMS versions, a non-UTF-8 code page, classic entries
# with and without dates (a classic date the calendar lacks included).
LISTINGS = [
    ("unix.txt", {}),
    ("mlsd.txt", {}),
    ("vms.txt", {"keep_versions": True}),
    ("eplf.txt", {}),
    ("mvs.txt", {}),
    ("unix-cp1251.txt", {"encoding": "cp1251"}),
    ("unix.txt", {"dialect": "classic"}),
    ("dos.txt", {"dialect": "classic"}),
]


def entries_of(file, options):
    entries = ftpdirlist.parse(example(file), today=TODAY, **options)
    assert entries, file
    return entries


def all_entries():
    return [e for file, options in LISTINGS for e in entries_of(file, options)]


@pytest.mark.parametrize("file,options", LISTINGS)
def test_pickle_round_trip_keeps_every_field(file, options):
    entries = entries_of(file, options)
    for protocol in range(pickle.HIGHEST_PROTOCOL + 1):
        restored = pickle.loads(pickle.dumps(entries, protocol))
        assert restored == entries
        assert [fields(e) for e in restored] == [fields(e) for e in entries]
        assert [hash(e) for e in restored] == [hash(e) for e in entries]
        assert [repr(e) for e in restored] == [repr(e) for e in entries]


def test_classic_date_the_calendar_lacks_survives_pickling():
    (e,) = ftpdirlist.parse(b"-rw-r--r-- 1 a b 5 Feb 31  2020 x", dialect="classic")
    restored = pickle.loads(pickle.dumps(e))
    assert (restored.year, restored.month, restored.day, restored.modified) == (2020, 2, 31, None)


def test_copies_are_the_entry_itself():
    entries = entries_of("unix.txt", {})
    assert all(copy.copy(e) is e for e in entries)
    deep = copy.deepcopy({"listing": entries})
    assert all(a is b for a, b in zip(deep["listing"], entries))


def restore(state):
    return ftpdirlist._ftpdirlist._restore_entry(state)


GOOD_STATE = (b"x", b"", 5, False, False, (2020, 1, 2), (3, 4, None), b"", b"", b"", False,
              "mlsd", "utf-8", b"type=file;size=5;")


def with_item(index, value):
    return GOOD_STATE[:index] + (value,) + GOOD_STATE[index + 1:]


@pytest.mark.parametrize("state,error", [
    ((), TypeError),
    (GOOD_STATE[:-1], TypeError),  # one item short
    (GOOD_STATE + (b"",), TypeError),  # one too many
    ("not a tuple", TypeError),
    (with_item(0, "x"), TypeError),  # a name of str, not bytes
    (with_item(2, "5"), TypeError),
    (with_item(2, 2 ** 70), OverflowError),
    (with_item(5, (2020, 1)), TypeError),
    (with_item(5, [2020, 1, 2]), TypeError),
    (with_item(6, "03:04"), TypeError),
    (with_item(6, (3, 4, 61)), ValueError),
    (with_item(6, (3, 4, "5")), TypeError),
    (with_item(11, "no-such-format"), ValueError),
    (with_item(12, "no-such-codec"), LookupError),
    (with_item(13, "type=file;"), TypeError),
])
def test_damaged_state_raises(state, error):
    good = restore(GOOD_STATE)
    assert (good.name, dict(good.facts)) == ("x", {"type": "file", "size": "5"})
    with pytest.raises(error):
        restore(state)


def test_sorted_by_name_then_the_rest():
    entries = all_entries()
    # Same-named entries that differ elsewhere: the other fields order them.
    twins = ftpdirlist.parse(b"-rw-r--r-- 1 a b 7 Jan 1 2020 x\n-rw-r--r-- 1 a b 5 Jan 1 2020 x\n"
                             b"-rw-r--r-- 1 a b 5 Jan 1 2019 x\n", today=TODAY)
    entries += twins + twins
    shuffled = entries[:]
    random.Random(7).shuffle(shuffled)
    ordered = sorted(shuffled)
    assert ordered == sorted(entries)  # a total order: the shuffle does not matter
    assert [e.name for e in ordered] == sorted(e.name for e in entries)
    assert [(e.year, e.size) for e in ordered if e.name == "x"] == [
        (2019, 5), (2019, 5), (2020, 5), (2020, 5), (2020, 7), (2020, 7)]
    for a, b in zip(ordered, ordered[1:]):
        assert a <= b and b >= a and not (b < a)
        assert (a == b) == (not (a < b)), (a, b)  # only equal entries tie
        assert (a < b) == (b > a)


def test_order_needs_two_entries():
    (e,) = ftpdirlist.parse(b"-rw-r--r-- 1 a b 5 Jan 1 2020 x")
    for other in ("x", None, 1):
        with pytest.raises(TypeError):
            e < other  # noqa: B015
