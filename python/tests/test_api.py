"""parse() and Parser over the example listings and hand-written lines:
the parts that read the same in both dialects, and the classic dialect's exact
results. What needs the extended parsers is in test_extended.py."""

import datetime
import importlib.metadata
import re
import threading

import pytest

import ftpdirlist
from conftest import ROOT, example, fields

TODAY = datetime.date(2024, 6, 15)
EXAMPLE_FILES = ["unix.txt", "dos.txt", "vms.txt", "mixed.txt", "unix-cp1251.txt"]
DIALECTS = ["extended", "classic"]


def chunks(data: bytes, size: int):
    return [data[i:i + size] for i in range(0, len(data), size)]


def dt(*parts):
    return datetime.datetime(*parts)


def by_dialect(classic, extended):
    """A value that the dialects read differently."""
    return {"classic": classic, "extended": extended}


# Rows of the example listings (plain files and directories): (file, name,
# size, is_dir, modified). A date without a year is before today in the
# classic dialect and before or up to a month after it in the extended one; the extended
# dialect keeps the trailing spaces of a name.
EXAMPLE_ROWS = [
    ("unix.txt", "archive-2002.tar.gz", 1048576, False, dt(2002, 1, 15)),
    ("unix.txt", "README", 2145, False, dt(2023, 10, 7, 14, 2)),
    ("unix.txt", "photos", 4096, True, dt(2020, 2, 29)),  # leap day
    ("unix.txt", "disk image.iso", 5368709120, False,  # over 4 GiB
     dt(2023, 12, 1, 8, 30)),
    ("unix.txt", "informe.odt", 2750, False, dt(2019, 1, 21)),  # Spanish month
    ("unix.txt", "bilancio.ods", 6100, False,  # a fortnight after today
     by_dialect(dt(2023, 6, 30, 18, 5), dt(2024, 6, 30, 18, 5))),
    ("unix.txt", by_dialect("notes with  two  spaces.txt", "notes with  two  spaces.txt  "), 64,
     False, dt(2023, 11, 30, 12)),
    ("dos.txt", "report.txt", 1024, False, dt(1999, 12, 31, 12, 5)),
    ("dos.txt", "backup.vhd", 6442450944, False, dt(2021, 3, 4, 0, 30)),  # 12:30AM
    ("dos.txt", "My Folder", None, True, dt(2002, 1, 15, 10, 30)),  # <DIR>: no size
    ("mixed.txt", "huge.bin", 9223372036854775807, False, dt(2099, 12, 31)),
    ("mixed.txt", "tab\there.txt", 9, False, dt(2008, 8, 8)),
    ("mixed.txt", "setup.log", 2048, False, dt(2022, 1, 15, 15, 45)),
    ("vms.txt", "DATA.CSV", None, False, dt(2023, 11, 9, 7, 0)),  # seconds: extended only
]


@pytest.mark.parametrize("dialect", DIALECTS)
@pytest.mark.parametrize("file,name,size,is_dir,modified", EXAMPLE_ROWS)
def test_example_rows(file, name, size, is_dir, modified, dialect):
    name = name[dialect] if isinstance(name, dict) else name
    modified = modified[dialect] if isinstance(modified, dict) else modified
    entries = {e.name: e for e in ftpdirlist.parse(example(file), dialect=dialect, today=TODAY)}
    assert name in entries, sorted(entries)
    e = entries[name]
    if not (file == "vms.txt" and dialect == "extended"):  # extended: blocks x 512
        assert e.size == size
    assert e.is_dir is is_dir
    assert e.is_link is False
    got = e.modified
    if got is not None and got.second:
        got = got.replace(second=0)  # the extended dialect keeps VMS seconds
    assert got == modified


def test_classic_example_counts_and_order():
    # The classic dialect's exact results: entries in listing order, "." and
    # ".." left out, the highest VMS version only, the long VMS name joined.
    names = [e.name for e in ftpdirlist.parse(example("vms.txt"), dialect="classic")]
    assert names == ["BACKUP", "LOGIN.COM", "NOTES.TXT",
                     "A_VERY_LONG_FILE_NAME_FOR_THE_QUARTERLY_REPORT.TXT", "PROJECTS", "DATA.CSV"]
    assert len(ftpdirlist.parse(example("unix.txt"), dialect="classic")) == 20
    assert len(ftpdirlist.parse(example("dos.txt"), dialect="classic")) == 7


def test_classic_link_keeps_arrow_in_name():
    (e,) = ftpdirlist.parse(b"lrwxrwxrwx 1 a b 7 Aug 30  2020 latest -> v1.4\r\n", dialect="classic")
    assert (e.name, e.target, e.is_link, e.is_dir) == ("latest -> v1.4", None, True, True)


@pytest.mark.parametrize("dialect", DIALECTS)
@pytest.mark.parametrize("file", EXAMPLE_FILES)
def test_one_byte_chunks_equal_parse(file, dialect):
    data = example(file)
    whole = ftpdirlist.parse(data, dialect=dialect, today=TODAY)
    for size in (1, 2, 7, 64):
        parser = ftpdirlist.Parser(dialect=dialect, today=TODAY)
        for chunk in chunks(data, size):
            parser.feed(chunk)
        got = parser.close()
        assert got == whole, f"chunks of {size}"
        assert [fields(e) for e in got] == [fields(e) for e in whole]


@pytest.mark.parametrize("dialect", DIALECTS)
def test_skipped_lines_alike_in_chunks(dialect):
    data = example("mixed.txt")
    whole = ftpdirlist.Parser(dialect=dialect, collect_skipped=True)
    whole.feed(data)
    whole.close()
    one = ftpdirlist.Parser(dialect=dialect, collect_skipped=True)
    for chunk in chunks(data, 1):
        one.feed(chunk)
    one.close()
    assert one.skipped == whole.skipped
    assert (1, "total 12") in [(s.number, s.text) for s in whole.skipped]
    assert (4, b"this line is not an entry") in [(s.number, s.raw_text) for s in whole.skipped]


@pytest.mark.parametrize("listing,number,reason", [
    (b"-rw-r--r-- 1 a b 5 Jan  1  2020 f\nls: cannot open directory x\n", 2, "not-a-listing-line"),
    (b"Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname\n"
     b"WORK01 3390   2024/03/01  1   15  FB      80 27920  PS  USER.DATA\n", 1, "header"),
    (b"Directory DISK$USER:[ALICE]\n\nA.TXT;1  2/4  1-JAN-2020 10:00:00  [ALICE]  (RWED,RWED,RE,)\n",
     1, "title"),
    (b"total 12\n-rw-r--r-- 1 a b 5 Jan  1  2020 f\n", 1, "total"),
    (b"README          2345  what this archive holds\n                      and more\n", 2,
     "joined-elsewhere"),
    (b"drwxr-xr-x 2 a b 512 Jan  1  2020 .\n-rw-r--r-- 1 a b 5 Jan  1  2020 f\n", 1, "dot-entry"),
    (b"-rw-r--r-- 1 a b 5 Apr 31  2020 f\n-rw-r--r-- 1 a b 5 Jan  1  2020 g\n", 1, "impossible-date"),
])
def test_skipped_lines_say_why(listing, number, reason):
    parser = ftpdirlist.Parser(collect_skipped=True)
    parser.feed(listing)
    assert len(parser.close()) == 1
    assert [(s.number, s.reason) for s in parser.skipped] == [(number, reason)]


def test_skipped_empty_unless_asked():
    parser = ftpdirlist.Parser()
    parser.feed(b"garbage\r\n")
    assert parser.close() == [] and parser.skipped == []


def test_parser_reuse_after_close():
    parser = ftpdirlist.Parser(dialect="classic", collect_skipped=True)
    parser.feed(example("dos.txt"))
    first = parser.close()
    parser.feed(b"nonsense\r\n")
    parser.feed(example("dos.txt"))
    assert parser.close() == first
    # The listing's "." is a skipped line too.
    assert [(s.text, s.reason) for s in parser.skipped][:1] == [("nonsense", "not-a-listing-line")]
    assert [s.reason for s in parser.skipped[1:]] == ["dot-entry"]


@pytest.mark.parametrize("dialect", DIALECTS)
@pytest.mark.parametrize("file", EXAMPLE_FILES)
def test_bytes_like_and_str_inputs_agree(file, dialect):
    data = example(file)
    encoding = "cp1251" if "cp1251" in file else None
    expected = ftpdirlist.parse(data, dialect=dialect, today=TODAY, encoding=encoding)
    text = data.decode(encoding or "utf-8", "surrogateescape")
    for listing in (bytearray(data), memoryview(data), text):
        got = ftpdirlist.parse(listing, dialect=dialect, today=TODAY, encoding=encoding)
        assert got == expected, type(listing).__name__
    for e in expected:
        assert e.name.encode(encoding or "utf-8", "surrogateescape") == e.raw_name
        assert e.name in text


def test_encoding_decodes_names_and_keeps_bytes():
    data = example("unix-cp1251.txt")
    as_cp1251 = ftpdirlist.parse(data, dialect="classic", encoding="Windows-1251")
    as_utf8 = ftpdirlist.parse(data, dialect="classic")
    assert [e.name for e in as_cp1251] == ["заметки.txt", "Документы", "отчёт.doc"]
    assert [e.raw_name for e in as_cp1251] == [e.raw_name for e in as_utf8]
    for e in as_utf8:  # not UTF-8: escaped, never lost
        assert e.name.encode("utf-8", "surrogateescape") == e.raw_name
    assert ftpdirlist.Parser(encoding="Windows-1251").encoding == "cp1251"
    assert ftpdirlist.Parser().encoding == "utf-8"


UNIX_LINE = b"-rw-r-----   1 marta    users        2145 Oct  7 14:02 R\xc3\xa9sum\xc3\xa9.txt\r\n"
DOS_DIR = b"01-15-2022  03:46PM       <DIR>          Program Files\r\n"


def test_every_field_of_a_classic_entry():
    (e,) = ftpdirlist.parse(UNIX_LINE, dialect="classic", today=TODAY)
    assert fields(e) == {
        "name": "R\u00e9sum\u00e9.txt", "raw_name": b"R\xc3\xa9sum\xc3\xa9.txt",
        "target": None, "size": 2145, "is_dir": False, "is_link": False,
        "modified": dt(2023, 10, 7, 14, 2), "year": 2023, "month": 10, "day": 7,
        "hour": 14, "minute": 2, "second": None, "utc": False,
        "owner": None, "group": None, "attributes": "-rw-r-----", "format": "unknown",
    }
    (d,) = ftpdirlist.parse(DOS_DIR, dialect="classic")
    assert (d.size, d.is_dir, d.attributes, d.modified) == (None, True, "", dt(2022, 1, 15, 15, 46))


@pytest.mark.parametrize("line,parts", [
    (b"-rw-r--r-- 1 a b 5 Feb 31  2020 x", (2020, 2, 31, None, None)),  # no such day
    (b"-rw-r--r-- 1 a b 5 Feb 29  2021 x", (2021, 2, 29, None, None)),  # not a leap year
    (b"02-30-2020  10:30AM      5 x", (2020, 2, 30, 10, 30)),
])
def test_classic_date_the_calendar_lacks_gives_no_modified(line, parts):
    (e,) = ftpdirlist.parse(line, dialect="classic", today=TODAY)
    assert (e.year, e.month, e.day, e.hour, e.minute) == parts
    assert e.modified is None


@pytest.mark.parametrize("dialect", DIALECTS)
@pytest.mark.parametrize("today,line,modified", [
    (datetime.date(1, 1, 1), b"-rw-r--r-- 1 a b 5 Dec 31 10:00 x", dt(1, 12, 31, 10, 0)),
    (datetime.date(9999, 12, 31), b"-rw-r--r-- 1 a b 5 Jan  1 10:00 x", dt(9999, 1, 1, 10, 0)),
])
def test_dates_without_a_year_stay_within_datetime_years(dialect, today, line, modified):
    (e,) = ftpdirlist.parse(line, dialect=dialect, today=today)
    assert e.modified == modified


def test_version_is_the_projects():
    text = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    project = re.search(r"project\(\s*ftpdirlist\s+VERSION\s+([0-9.]+)", text).group(1)
    assert ftpdirlist.__version__ == project
    try:  # installed by pip: the metadata says the same
        assert importlib.metadata.version("ftpdirlist") == project
    except importlib.metadata.PackageNotFoundError:
        pass  # the CMake build's copy has no metadata


def test_entry_is_immutable_and_a_value():
    (a,) = ftpdirlist.parse(UNIX_LINE, today=TODAY)
    (b,) = ftpdirlist.parse(bytearray(UNIX_LINE), today=TODAY)
    (c,) = ftpdirlist.parse(UNIX_LINE.replace(b"2145", b"2146"), today=TODAY)
    assert a == b and hash(a) == hash(b) and a is not b
    assert a != c and not (a == c)
    assert a != "R\u00e9sum\u00e9.txt" and a != None  # noqa: E711
    assert len({a, b, c}) == 2
    with pytest.raises(AttributeError):
        a.name = "other"
    with pytest.raises(AttributeError):
        a.extra = 1
    with pytest.raises(TypeError):
        ftpdirlist.Entry()
    r = repr(a)
    assert r.startswith("Entry(name='R\u00e9sum\u00e9.txt'") and "size=2145" in r
    assert "modified=datetime.datetime(2023, 10, 7, 14, 2)" in r  # a past date


def test_skipped_line_is_a_value():
    parser = ftpdirlist.Parser(collect_skipped=True)
    parser.feed(b"  total 12  \r\nnot an entry\xff\r\n")
    parser.close()
    first, second = parser.skipped
    assert (first.number, first.text, first.raw_text) == (1, "total 12", b"total 12")
    assert second.text == "not an entry\udcff"
    assert repr(first) == "SkippedLine(number=1, text='total 12', reason='total')"
    assert first == parser.skipped[0] and hash(first) == hash(parser.skipped[0])


@pytest.mark.parametrize("call,error", [
    (lambda: ftpdirlist.parse(123), TypeError),
    (lambda: ftpdirlist.parse(None), TypeError),
    (lambda: ftpdirlist.parse([b"x"]), TypeError),
    (lambda: ftpdirlist.parse(b"", dialect="fancy"), ValueError),
    (lambda: ftpdirlist.parse(b"", today="2024-06-15"), TypeError),
    (lambda: ftpdirlist.parse(b"", encoding="no-such-codec"), LookupError),
    (lambda: ftpdirlist.parse(b"", encoding="base64"), ValueError),  # not a text codec
    (lambda: ftpdirlist.parse(b"", encoding=5), TypeError),
    (lambda: ftpdirlist.parse(b"", "classic"), TypeError),  # options are keywords
    (lambda: ftpdirlist.Parser().feed(1.5), TypeError),
    (lambda: ftpdirlist.parse(memoryview(b"abcd")[::2]), BufferError),  # not contiguous
    (lambda: ftpdirlist.parse("\u0436", encoding="ascii"), UnicodeEncodeError),
])
def test_wrong_arguments_raise(call, error):
    with pytest.raises(error):
        call()


def test_today_accepts_a_datetime():
    line = b"-rw-r--r-- 1 a b 5 Dec 24 10:00 x\r\n"
    (e,) = ftpdirlist.parse(line, today=datetime.datetime(2024, 6, 15, 23, 59))
    assert e.year == 2023


def hostile_inputs():
    lines = example("unix.txt").splitlines() + example("vms.txt").splitlines()
    yield b""
    yield b"\r\n" * 1000
    yield bytes(range(256)) * 4
    yield b"-rw-r--r-- 1 a b 99999999999999999999999 Jan 1 2020 x\r\n"
    yield b"d" * 100000
    yield b"\x00".join(lines)
    for line in lines[:8]:  # every byte of each line replaced by a few others
        for i in range(len(line)):
            for byte in (0, 0x20, 0x2D, 0x3B, 0xFF):
                yield line[:i] + bytes([byte]) + line[i + 1:] + b"\n" + line


@pytest.mark.parametrize("dialect", DIALECTS)
def test_bad_input_never_raises(dialect):
    for data in hostile_inputs():
        entries = ftpdirlist.parse(data, dialect=dialect)
        for e in entries:
            fields(e)
            repr(e)
            hash(e)


def test_parsers_on_many_threads_agree():
    data = example("unix.txt") * 200
    expected = ftpdirlist.parse(data, today=TODAY)
    head = data.splitlines(keepends=True)[:200]
    shared = ftpdirlist.Parser(today=TODAY)
    results, errors = [], []

    def work():
        try:
            results.append(ftpdirlist.parse(data, today=TODAY))
            for line in head:
                shared.feed(line)  # one parser from several threads: serialised
        except Exception as error:  # pragma: no cover - reported below
            errors.append(error)

    threads = [threading.Thread(target=work) for _ in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert errors == []
    assert all(r == expected for r in results) and len(results) == 4
    # Whole lines interleave in any order: each thread's lines stay entries.
    assert len(shared.close()) == 4 * len(ftpdirlist.parse(b"".join(head), today=TODAY))


def test_allocation_failure_is_memory_error(tmp_path):
    # In a child process whose address space is capped just above what it
    # uses, a listing whose entries need more than the cap must give
    # MemoryError, not a crash.
    import subprocess
    import sys

    script = r"""
import resource, sys
import ftpdirlist
line = b"-rw-r--r-- 1 a b 5 Jan 1 2020 " + b"n" * 2000 + b"\n"
data = line * 20000  # 40 MB; the entries need as much again
with open("/proc/self/status") as f:
    vm = next(int(l.split()[1]) * 1024 for l in f if l.startswith("VmSize:"))
resource.setrlimit(resource.RLIMIT_AS, (vm + 30 * 2**20, resource.RLIM_INFINITY))
try:
    ftpdirlist.parse(data)
except MemoryError:
    print("MemoryError")
"""
    result = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True,
                            timeout=120)
    assert result.returncode == 0, result.stderr
    assert result.stdout.strip() == "MemoryError"
