"""listdir() against a real FTP server (pyftpdlib) that does not offer MLSD,
so LIST is used: names, sizes, directory flags and times match os.stat."""

import datetime
import ftplib
import os

import pytest

import ftpdirlist
from conftest import TREE, connect

SIX_MONTHS = 180 * 24 * 3600


def utc_today():
    return datetime.datetime.now(datetime.timezone.utc).date()


def list_modified(st: os.stat_result) -> datetime.datetime:
    """What LIST shows of a time (the server writes UTC): minutes within six
    months, the date alone before."""
    utc = datetime.datetime.fromtimestamp(int(st.st_mtime), datetime.timezone.utc)
    utc = utc.replace(tzinfo=None, second=0)
    if datetime.datetime.now().timestamp() - st.st_mtime > SIX_MONTHS:
        return utc.replace(hour=0, minute=0)
    return utc


def test_offers_mlsd(mlsd_server, list_server):
    with connect(mlsd_server) as ftp:
        assert ftpdirlist.offers_mlsd(ftp)
    with connect(list_server) as ftp:
        assert not ftpdirlist.offers_mlsd(ftp)


@pytest.mark.parametrize("dialect", ["extended", "classic"])
def test_listdir_over_list(list_server, served_tree, dialect):
    with connect(list_server) as ftp:
        entries = ftpdirlist.listdir(ftp, dialect=dialect, today=utc_today())
        assert any(c.startswith("LIST") for c in ftp.commands)
        assert not any(c.startswith("MLSD") for c in ftp.commands)
    assert sorted(e.name for e in entries) == sorted(TREE)
    for e in entries:
        st = os.stat(served_tree / e.name)
        assert e.size == st.st_size, e.name
        assert e.is_dir is os.path.isdir(served_tree / e.name), e.name
        assert e.is_link is False
        assert e.modified == list_modified(st), e.name
        assert e.modified.tzinfo is None  # LIST gives no zone
        assert e.name.encode("utf-8", "surrogateescape") == e.raw_name


SERVERS = ["mlsd_server", "list_server"]


@pytest.mark.parametrize("server", SERVERS)
def test_listdir_of_a_subdirectory(server, request):
    with connect(request.getfixturevalue(server)) as ftp:
        entries = ftpdirlist.listdir(ftp, "docs")
        assert ftp.pwd() == "/"
    assert [(e.name, e.size, e.is_dir) for e in entries] == [("inside.txt", 1, False)]


@pytest.mark.parametrize("server", SERVERS)
@pytest.mark.parametrize("path", ["no-such-directory", "notes.txt", "docs/inside.txt"])
def test_listdir_of_no_directory_fails(server, path, request):
    with connect(request.getfixturevalue(server)) as ftp:
        ftp.cwd("/")
        with pytest.raises(ftplib.error_perm, match="^5"):
            ftpdirlist.listdir(ftp, path)
        # In the directory as before, and the connection still usable.
        assert ftp.pwd() == "/"
        assert len(ftpdirlist.listdir(ftp)) == len(TREE)


def test_parser_as_retrbinary_callback(list_server):
    with connect(list_server) as ftp:
        parser = ftpdirlist.Parser(today=utc_today())
        ftp.retrbinary("LIST", parser.feed, blocksize=3)
        entries = parser.close()
    assert sorted(e.name for e in entries) == sorted(TREE)


def test_listdir_decodes_with_the_connection_encoding(list_server):
    with connect(list_server) as ftp:
        ftp.encoding = "latin-1"
        by_connection = {e.raw_name: e.name for e in ftpdirlist.listdir(ftp)}
        explicit = {e.raw_name: e.name for e in ftpdirlist.listdir(ftp, encoding="utf-8")}
    raw = "grüße.txt".encode("utf-8")
    assert by_connection[raw] == raw.decode("latin-1")
    assert explicit[raw] == "grüße.txt"


@pytest.mark.parametrize("server", ["mlsd_server", "list_server"])
def test_feat_once_per_connection(server, request):
    server = request.getfixturevalue(server)
    with connect(server) as ftp:
        for _ in range(3):
            ftpdirlist.listdir(ftp)
        ftpdirlist.offers_mlsd(ftp)
        assert ftp.commands.count("FEAT") == 1
        # The same object connected anew is another connection.
        ftp.close()
        ftp.connect("127.0.0.1", server.port, timeout=30)
        ftp.login()
        ftpdirlist.listdir(ftp)
        assert ftp.commands.count("FEAT") == 2
