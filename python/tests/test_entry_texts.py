"""An Entry keeps its own copy of the texts' bytes and decodes them with the
parser's codec: texts with bytes the codec lacks, empty and very long texts,
entries that outlive the listing's buffer and the parser, and entries handed
out while a long listing is fed in chunks."""

import gc
import pickle

import pytest

import ftpdirlist
from conftest import fields
from test_api import TODAY

LONG = b"n" * 200_000  # far beyond any short-string storage

# (line, encoding, the entry's texts as bytes): every text of the line's
# entry, None where the entry has none.
TEXT_CASES = [
    (b"lrwxrwxrwx 1 own\xff grp 7 Jan  1  2020 bad\xffname -> tar\xfeget\r\n", None,
     dict(name=b"bad\xffname", target=b"tar\xfeget", owner=b"own\xff", group=b"grp",
          attributes=b"lrwxrwxrwx")),  # not UTF-8: escaped, never lost
    (b"-rw-r--r-- 1 a b 7 Jan  1  2020 half\xc3\r\n", None,
     dict(name=b"half\xc3", owner=b"a", group=b"b", attributes=b"-rw-r--r--")),  # cut sequence
    (b"-rw-r--r-- 1 \xe0\xe1 b 7 Jan  1  2020 \xe7\xe0\x98\r\n", "cp1251",
     dict(name=b"\xe7\xe0\x98", owner=b"\xe0\xe1", group=b"b", attributes=b"-rw-r--r--")),  # 0x98: none
    (b"-rw-r--r-- 1 a b 7 Jan  1  2020 caf\xe9\r\n", "latin-1",
     dict(name=b"caf\xe9", owner=b"a", group=b"b", attributes=b"-rw-r--r--")),
    (b"-rw-r--r-- 1 a b 7 Jan  1  2020 " + LONG + b"\r\n", None,
     dict(name=LONG, owner=b"a", group=b"b", attributes=b"-rw-r--r--")),
    (b"lrwxrwxrwx 1 a b 7 Jan  1  2020 x -> " + LONG + b"\xff\r\n", None,
     dict(name=b"x", target=LONG + b"\xff", owner=b"a", group=b"b", attributes=b"lrwxrwxrwx")),
    (b"01-15-22  03:46PM                 12 dos.txt\r\n", None,
     dict(name=b"dos.txt")),  # no attributes, owner, group, target
    (b"type=file;size=3;Modify=20200101000000;UNIX.owner=r\xffot; m\xfcll\r\n", None,
     dict(name=b"m\xfcll", owner=b"r\xffot",
          facts=b"type=file;size=3;Modify=20200101000000;UNIX.owner=r\xffot;")),
]


def decoded(raw, encoding):
    return None if raw is None else raw.decode(encoding or "utf-8", "surrogateescape")


def facts_of(raw, encoding):
    pairs = (f.split(b"=", 1) for f in raw.split(b";") if b"=" in f)
    return {decoded(k.lower(), encoding): decoded(v, encoding) for k, v in pairs}


@pytest.mark.parametrize("line,encoding,texts", TEXT_CASES)
def test_texts_decode_from_their_own_bytes(line, encoding, texts):
    (e,) = ftpdirlist.parse(line, today=TODAY, encoding=encoding)
    assert e.raw_name == texts["name"]
    for field in ("name", "target", "owner", "group"):
        assert getattr(e, field) == decoded(texts.get(field), encoding), field
    assert e.attributes == decoded(texts.get("attributes", b""), encoding)
    assert dict(e.facts) == facts_of(texts.get("facts", b""), encoding)
    # The bytes come back from the texts as the codec's users get them.
    assert e.name.encode(encoding or "utf-8", "surrogateescape") == texts["name"]
    # Copies by feeding and by pickling agree in every way an entry is used.
    parser = ftpdirlist.Parser(today=TODAY, encoding=encoding)
    for i in range(0, len(line), 4096):
        parser.feed(line[i:i + 4096])
    (fed,) = parser.close()
    again = pickle_round_trip(e)
    for other in (fed, again):
        assert other == e and hash(other) == hash(e) and not (other < e or e < other)
        assert fields(other) == fields(e) and repr(other) == repr(e)


def pickle_round_trip(entry):
    return pickle.loads(pickle.dumps(entry))


def test_texts_split_otherwise_make_another_entry():
    # The same bytes in a row, cut into owner and group at another place.
    lines = [b"-rw-r--r-- 1 ab c 7 Jan  1  2020 x\r\n", b"-rw-r--r-- 1 a bc 7 Jan  1  2020 x\r\n",
             b"-rw-r--r-- 1 a b 7 Jan  1  2020 cx\r\n"]
    entries = [e for line in lines for e in ftpdirlist.parse(line, today=TODAY)]
    assert [(e.owner, e.group) for e in entries[:2]] == [("ab", "c"), ("a", "bc")]
    assert len(set(entries)) == len(entries)
    ordered = sorted(entries)
    assert all(x < y and x != y for x, y in zip(ordered, ordered[1:]))


LISTING = b"".join(
    b"-rw-r--r-- 1 u%d g 10 Jan  1  2020 file-%05d.txt\r\n" % (i % 7, i) for i in range(3000))


def test_entries_outlive_the_buffer_and_the_parser():
    buffer = bytearray(LISTING)
    parsed = ftpdirlist.parse(buffer, today=TODAY)
    parser = ftpdirlist.Parser(today=TODAY)
    parser.feed(memoryview(buffer))
    fed = parser.close()
    expected = [fields(e) for e in parsed]
    buffer[:] = b"x" * len(buffer)  # the entries hold copies
    parser.feed(b"-rw-r--r-- 1 a b 1 Jan  1  2020 other\r\n")  # the parser reused
    assert len(parser.close()) == 1
    del buffer, parser
    gc.collect()
    assert [fields(e) for e in parsed] == expected == [fields(e) for e in fed]
    assert parsed[1234].name == "file-01234.txt" and parsed[1234].owner == "u2"


@pytest.mark.parametrize("size", [1, 100, 4096, 65536])
def test_chunks_of_a_long_listing_give_the_entries_of_parse(size):
    # Description lines that continue the entry above (joined in), VMS
    # versions that collapse, and plain lines, each cut across chunks.
    listing = LISTING + b"".join(
        b"README%d          2345  what this holds\r\n                      and more\r\n" % i
        for i in range(300))
    vms = b"".join(b"A%d.TXT;%d  2/4  1-JAN-2020 10:00:00  [ALICE]  (RWED,RWED,RE,)\r\n"
                   % (i // 3, i % 3 + 1) for i in range(900))
    for data in (listing, vms):
        whole = ftpdirlist.parse(data, today=TODAY)
        parser = ftpdirlist.Parser(today=TODAY)
        for i in range(0, len(data), size):
            parser.feed(data[i:i + size])
        got = parser.close()
        assert got == whole
        assert [fields(e) for e in got] == [fields(e) for e in whole]
