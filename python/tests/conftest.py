"""Shared fixtures: the example listings and a real FTP server (pyftpdlib)
serving a directory tree made by the test, on 127.0.0.1 at a free port."""

import ftplib
import os
import threading
import time
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
EXAMPLES = ROOT / "examples"


def example(name: str) -> bytes:
    return (EXAMPLES / name).read_bytes()


# Every field of an Entry.
FIELDS = [
    "name", "raw_name", "target", "size", "is_dir", "is_link", "modified", "year", "month",
    "day", "hour", "minute", "second", "utc", "owner", "group", "attributes", "format",
]


def fields(entry) -> dict:
    return {f: getattr(entry, f) for f in FIELDS}


# The tree the server serves: name -> size in bytes (None for a directory)
# and age in seconds. Recent entries are listed by LIST with a clock time,
# old ones (over six months) with a year.
TREE = {
    "notes.txt": (1234, 3600),
    "empty.log": (0, 7200),
    "with space.bin": (70000, 86400 * 3),
    "grüße.txt": (12, 600),  # non-ASCII: UTF-8 on the wire
    "archive-2019.tar": (4096 * 3 + 7, 86400 * 400),
    "docs": (None, 86400 * 2),
    "old-dir": (None, 86400 * 800),
}


def make_tree(root: Path) -> None:
    now = time.time()
    for name, (size, age) in TREE.items():
        path = root / name
        if size is None:
            path.mkdir()
            (path / "inside.txt").write_bytes(b"x")
        else:
            path.write_bytes(b"a" * size)
        mtime = int(now - age)
        os.utime(path, (mtime, mtime))


class FtpServer:
    """A pyftpdlib server in a thread; its IO loop runs and stops there."""

    def __init__(self, root: Path, mlsd: bool):
        from pyftpdlib.authorizers import DummyAuthorizer
        from pyftpdlib.handlers import FTPHandler
        from pyftpdlib.ioloop import IOLoop
        from pyftpdlib.servers import FTPServer

        authorizer = DummyAuthorizer()
        authorizer.add_anonymous(str(root))
        attrs = {"authorizer": authorizer, "use_gmt_times": True}
        if not mlsd:
            attrs["proto_cmds"] = {
                k: v for k, v in FTPHandler.proto_cmds.items() if k not in ("MLSD", "MLST")
            }
        handler = type("TestHandler", (FTPHandler,), attrs)
        # Its own IO loop: the default one is shared by every server of the process.
        self.server = FTPServer(("127.0.0.1", 0), handler, ioloop=IOLoop())
        self.port = self.server.address[1]
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._run, daemon=True)
        self._thread.start()

    def _run(self):
        while not self._stop.is_set():
            self.server.ioloop.loop(timeout=0.05, blocking=False)
        self.server.close_all()

    def stop(self):
        self._stop.set()
        self._thread.join(timeout=10)
        assert not self._thread.is_alive(), "the FTP server did not stop"


class RecordingFTP(ftplib.FTP):
    """ftplib.FTP that remembers the commands it sent."""

    def __init__(self, *args, **kwargs):
        self.commands = []
        super().__init__(*args, **kwargs)

    def putcmd(self, line):
        self.commands.append(line)
        super().putcmd(line)


@pytest.fixture(scope="session")
def served_tree(tmp_path_factory):
    root = tmp_path_factory.mktemp("served")
    make_tree(root)
    return root


def _server(root, mlsd):
    server = FtpServer(root, mlsd)
    try:
        yield server
    finally:
        server.stop()


@pytest.fixture(scope="session")
def mlsd_server(served_tree):
    yield from _server(served_tree, mlsd=True)


@pytest.fixture(scope="session")
def list_server(served_tree):
    yield from _server(served_tree, mlsd=False)


def connect(server: FtpServer) -> RecordingFTP:
    ftp = RecordingFTP()
    ftp.connect("127.0.0.1", server.port, timeout=30)
    ftp.login()
    return ftp
