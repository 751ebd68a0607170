"""What only the extended dialect tells: link targets, owner and group,
seconds, UTC times, the format family, VMS versions and byte sizes, MLSD and
EPLF lines, and listdir() over MLSD.
"""

import datetime
import os
import pickle

import pytest

import ftpdirlist
from conftest import TREE, connect, example, fields


UTC = datetime.timezone.utc
TODAY = datetime.date(2024, 6, 15)


def one(line: bytes, **options):
    entries = ftpdirlist.parse(line, today=TODAY, **options)
    assert len(entries) == 1, entries
    return entries[0]


def test_unix_link_target_owner_group():
    e = one(b"lrwxrwxrwx   1 root     wheel           7 Aug 30 23:59 latest -> releases/v1.4\r\n")
    assert (e.name, e.target, e.is_link, e.is_dir) == ("latest", "releases/v1.4", True, False)
    assert (e.owner, e.group, e.attributes, e.format) == ("root", "wheel", "lrwxrwxrwx", "unix")
    assert e.modified == datetime.datetime(2023, 8, 30, 23, 59) and e.utc is False  # a past date
    assert "target='releases/v1.4'" in repr(e)


def test_unix_seconds_and_iso_date():
    e = one(b"-rw-r--r-- 1 anna staff 10 2002-01-15 10:30:45 notes.txt\r\n")
    assert (e.hour, e.minute, e.second) == (10, 30, 45)
    assert e.modified == datetime.datetime(2002, 1, 15, 10, 30, 45)


def test_unix_example_owner_and_group():
    entries = {e.name: e for e in ftpdirlist.parse(example("unix.txt"), today=TODAY)}
    assert (entries["README"].owner, entries["README"].group) == ("marta", "users")
    assert entries["latest"].target == "releases/v1.4"
    assert all(e.format == "unix" for e in entries.values())


def test_dos_entries():
    entries = {e.name: e for e in ftpdirlist.parse(example("dos.txt"))}
    assert entries["My Folder"].size is None and entries["My Folder"].is_dir
    assert entries["report.txt"].format == "dos" and entries["report.txt"].owner is None


def test_vms_sizes_seconds_and_versions():
    entries = {e.name: e for e in ftpdirlist.parse(example("vms.txt"))}
    notes = entries["NOTES.TXT"]  # the highest version, ;10, its name without it
    assert (notes.size, notes.second, notes.format) == (15 * 512, 33, "vms")
    assert notes.modified == datetime.datetime(2020, 3, 2, 8, 5, 33)
    versions = [e.name for e in ftpdirlist.parse(example("vms.txt"), keep_versions=True)]
    assert {"NOTES.TXT;10", "NOTES.TXT;9", "NOTES.TXT;2", "LOGIN.COM;7", "LOGIN.COM;6"} <= set(versions)


def test_mlsd_facts():
    f = one(b"type=file;size=1048576;modify=20020115103045;perm=adfrw; notes.txt\r\n")
    assert (f.name, f.size, f.is_dir, f.attributes, f.format) == (
        "notes.txt", 1048576, False, "adfrw", "mlsd")
    assert f.utc is True and f.second == 45
    assert f.modified == datetime.datetime(2002, 1, 15, 10, 30, 45, tzinfo=UTC)
    d = one(b"type=dir;modify=20240101000000;perm=el; sub dir\r\n")
    assert (d.name, d.is_dir, d.size) == ("sub dir", True, None)
    both = ftpdirlist.parse(b"type=cdir;perm=el; .\r\ntype=pdir;perm=el; ..\r\n")
    assert both == []  # like "." and ".."


def test_every_field_of_an_mlsd_entry():
    e = one(b"type=file;size=10;modify=20240102030405;perm=r;UNIX.owner=anna;UNIX.group=staff; a b\r\n")
    assert fields(e) == {
        "name": "a b", "raw_name": b"a b", "target": None, "size": 10, "is_dir": False,
        "is_link": False, "modified": datetime.datetime(2024, 1, 2, 3, 4, 5, tzinfo=UTC),
        "year": 2024, "month": 1, "day": 2, "hour": 3, "minute": 4, "second": 5, "utc": True,
        "owner": "anna", "group": "staff", "attributes": "r", "format": "mlsd",
    }


def test_eplf():
    e = one(b"+i8388621.29609,m824255902,/,\tdev\r\n")
    assert (e.name, e.is_dir, e.format, e.utc) == ("dev", True, "eplf", True)
    assert e.modified == datetime.datetime.fromtimestamp(824255902, UTC)
    f = one(b"+i8388621.44468,m839956783,r,s10376,\tnotes\r\n")
    assert (f.size, f.is_dir) == (10376, False)


def test_size_unknown_is_none():
    e = one(b"crw-rw-rw-   1 root     tty        4,   5 Jun 11 10:20 tty5\r\n")
    assert e.size is None


def test_listdir_over_mlsd(mlsd_server, served_tree):
    with connect(mlsd_server) as ftp:
        entries = ftpdirlist.listdir(ftp)
        assert "MLSD" in ftp.commands and not any(c.startswith("LIST") for c in ftp.commands)
    assert sorted(e.name for e in entries) == sorted(TREE)
    for e in entries:
        st = os.stat(served_tree / e.name)
        assert e.size == st.st_size, e.name
        assert e.is_dir is os.path.isdir(served_tree / e.name), e.name
        assert e.format == "mlsd" and e.utc
        assert e.modified == datetime.datetime.fromtimestamp(int(st.st_mtime), UTC), e.name


def test_listdir_over_mlsd_subdirectory(mlsd_server):
    with connect(mlsd_server) as ftp:
        entries = ftpdirlist.listdir(ftp, "docs")
    assert [(e.name, e.size, e.is_dir) for e in entries] == [("inside.txt", 1, False)]


@pytest.mark.parametrize("line,facts", [
    (b"type=file;size=1;modify=20020115103045;perm=adfrw;UNIX.mode=0644;unique=801g3a; n\r\n",
     {"type": "file", "size": "1", "modify": "20020115103045", "perm": "adfrw",
      "unix.mode": "0644", "unique": "801g3a"}),
    (b"TYPE=FILE;Media-Type=text/plain;X.Empty=; Shout.TXT\r\n",  # names lowered, values kept
     {"type": "FILE", "media-type": "text/plain", "x.empty": ""}),
    (b"type=file;size=1;type=dir; twice\r\n", {"type": "dir", "size": "1"}),  # the last one
    (b"type=file;x.label=caf\xe9; a;b=c.txt\r\n", {"type": "file", "x.label": "caf\udce9"}),
    (b" type=dir;unique=2; /srv/pub\r\n", {"type": "dir", "unique": "2"}),  # MLST
    (b"-rw-r--r-- 1 a b 5 Jan  1  2020 type=file;\r\n", {}),  # not MLSD
])
def test_mlsd_facts(line, facts):
    e = one(line)
    assert dict(e.facts) == facts
    with pytest.raises(TypeError):
        e.facts["type"] = "x"
    assert pickle.loads(pickle.dumps(e)).facts == e.facts


def test_facts_take_part_in_equality():
    a = one(b"type=file;size=1;unique=1; n\r\n")
    b = one(b"type=file;size=1;unique=2; n\r\n")
    assert a != b and (a < b) != (b < a)
    assert ftpdirlist.parse(b"type=file; n\r\n", dialect="classic") == []  # no MLSD in classic


def test_listdir_and_stat_keep_the_server_facts(mlsd_server, served_tree):
    with connect(mlsd_server) as ftp:
        # Ask for facts the server leaves out by default.
        ftp.sendcmd("OPTS MLST type;size;modify;perm;unique;unix.mode;")
        entries = {e.name: e for e in ftpdirlist.listdir(ftp)}
        single = ftpdirlist.stat(ftp, "docs/inside.txt")
    for name, e in entries.items():
        st = os.stat(served_tree / name)
        assert int(e.facts["unix.mode"], 8) == st.st_mode & 0o777, name
        assert e.facts["unique"], name
        assert e.facts["type"] == ("dir" if e.is_dir else "file")
    assert len({e.facts["unique"] for e in entries.values()}) == len(entries)
    assert single.facts["type"] == "file" and "unique" in single.facts
