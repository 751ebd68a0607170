"""walk() and stat() against real FTP servers (pyftpdlib, with MLSD and MLST
offered and without), over a small tree with a symbolic link made here."""

import ftplib
import os

import pytest

import ftpdirlist
from conftest import FtpServer, connect

# path -> file size, or None for a directory.
WALK_TREE = {
    "a.txt": 3,
    "sub": None,
    "sub/b.txt": 4,
    "sub/deeper": None,
    "sub/deeper/c.txt": 5,
    "sub/deeper/deepest": None,
    "empty": None,
}
LINK = "link-to-sub"  # -> sub


@pytest.fixture(scope="module")
def walk_root(tmp_path_factory):
    root = tmp_path_factory.mktemp("walk")
    for path, size in WALK_TREE.items():
        if size is None:
            (root / path).mkdir()
        else:
            (root / path).write_bytes(b"w" * size)
    os.symlink("sub", root / LINK)
    return root


@pytest.fixture(scope="module", params=["mlsd", "list"])
def walk_server(request, walk_root):
    server = FtpServer(walk_root, mlsd=request.param == "mlsd")
    server.mlsd = request.param == "mlsd"
    try:
        yield server
    finally:
        server.stop()


def walked(ftp, top="", **options):
    """{dirpath: (dir names, file names)} of a walk, and its order."""
    order, seen = [], {}
    for path, dirs, files in ftpdirlist.walk(ftp, top, **options):
        order.append(path)
        seen[path] = (sorted(d.name for d in dirs), sorted(f.name for f in files))
    return order, seen


# MLSD of pyftpdlib reports a link as the directory it points to; LIST says
# it is a link, which is a file unless links are followed.
def link_is_dir(server, follow_links):
    return server.mlsd or follow_links


@pytest.mark.parametrize("follow_links", [False, True])
def test_walk_whole_tree(walk_server, follow_links):
    with connect(walk_server) as ftp:
        order, seen = walked(ftp, follow_links=follow_links)
        assert ftp.pwd() == "/"
    top_dirs = ["empty", "sub"] + ([LINK] if link_is_dir(walk_server, follow_links) else [])
    expected = {
        "": (sorted(top_dirs), ["a.txt"] + ([] if link_is_dir(walk_server, follow_links) else [LINK])),
        "empty": ([], []),
        "sub": (["deeper"], ["b.txt"]),
        "sub/deeper": (["deepest"], ["c.txt"]),
        "sub/deeper/deepest": ([], []),
    }
    if link_is_dir(walk_server, follow_links):  # the linked tree once more
        for path in ("sub", "sub/deeper", "sub/deeper/deepest"):
            expected[LINK + path[3:]] = expected[path]
    assert seen == expected
    # Top-down: every directory after its parent.
    for path in order[1:]:
        parent = path.rpartition("/")[0]
        assert order.index(parent) < order.index(path), order


@pytest.mark.parametrize("top,max_depth,paths", [
    ("sub", 0, ["sub"]),
    ("sub", 1, ["sub", "sub/deeper"]),
    ("sub", None, ["sub", "sub/deeper", "sub/deeper/deepest"]),
    ("/sub/deeper", 5, ["/sub/deeper", "/sub/deeper/deepest"]),
    ("sub/", 1, ["sub/", "sub/deeper"]),
])
def test_walk_depth_and_top(walk_server, top, max_depth, paths):
    with connect(walk_server) as ftp:
        order, _ = walked(ftp, top, max_depth=max_depth)
    assert order == paths


def test_walk_prunes_removed_dirs_and_reports_errors(walk_server):
    with connect(walk_server) as ftp:
        order = []
        for path, dirs, _ in ftpdirlist.walk(ftp):
            order.append(path)
            dirs[:] = [d for d in dirs if d.name not in ("empty", LINK)]
        assert order == ["", "sub", "sub/deeper", "sub/deeper/deepest"]
        errors = []
        assert list(ftpdirlist.walk(ftp, "no-such-dir", onerror=errors.append)) == []
        assert len(errors) == 1 and str(errors[0]).startswith("5")
        assert list(ftpdirlist.walk(ftp, "a.txt")) == []  # a file is no tree
        with pytest.raises(ValueError):
            next(ftpdirlist.walk(ftp, max_depth=-1))


@pytest.mark.parametrize("path,name,size,is_dir", [
    ("a.txt", "a.txt", 3, False),
    ("/sub/deeper/c.txt", "c.txt", 5, False),
    ("sub/deeper", "deeper", None, True),
    ("sub/deeper/", "deeper", None, True),
])
def test_stat(walk_server, walk_root, path, name, size, is_dir):
    with connect(walk_server) as ftp:
        e = ftpdirlist.stat(ftp, path)
        assert any(c.startswith("MLST") for c in ftp.commands) is walk_server.mlsd
        assert ftp.pwd() == "/"
    assert (e.name, e.is_dir) == (name, is_dir)
    if size is not None:
        assert e.size == size
    mtime = int(os.stat(walk_root / path.strip("/")).st_mtime)
    assert abs(e.modified.replace(tzinfo=None).timestamp() - mtime) < 86400 * 2


@pytest.mark.parametrize("path", ["no-such-file", "sub/no-such-file", "no-such-dir/x"])
def test_stat_of_a_missing_path_fails(walk_server, path):
    with connect(walk_server) as ftp:
        with pytest.raises(ftplib.error_perm, match="^5"):
            ftpdirlist.stat(ftp, path)
        assert ftp.pwd() == "/"


def test_walk_leaves_a_link_loop_that_mlsd_tells_by_its_unique_fact(tmp_path):
    (tmp_path / "ring" / "inner").mkdir(parents=True)
    os.symlink("..", tmp_path / "ring" / "inner" / "back")  # -> ring, a dir to MLSD
    server = FtpServer(tmp_path, mlsd=True)
    try:
        with connect(server) as ftp:
            order, seen = walked(ftp)
            # Without "unique" only the depth ends the loop.
            ftp.sendcmd("OPTS MLST type;size;modify;")
            endless, _ = walked(ftp, max_depth=5)
    finally:
        server.stop()
    assert order == ["", "ring", "ring/inner"]
    assert seen["ring/inner"] == (["back"], [])
    assert len(endless) == 6 and endless[-1] == "ring/inner/back/inner/back"
