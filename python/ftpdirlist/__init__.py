"""Fast, exact parsing of FTP directory listings.

    import ftplib, ftpdirlist
    with ftplib.FTP("ftp.example.org", "anonymous") as ftp:
        for entry in ftpdirlist.listdir(ftp, "pub"):
            print(entry.name, entry.size, entry.modified)

parse() reads a whole listing, Parser reads one in chunks (its feed() is an
ftplib callback), listdir() asks a server for a directory: MLSD when the
server offers it, LIST otherwise. walk() goes down a tree as os.walk does,
stat() gives the entry of one path.
"""

from __future__ import annotations

import datetime
import ftplib
import posixpath
import weakref
from typing import Callable, FrozenSet, Iterator, List, Optional, Tuple

from ._ftpdirlist import Entry, Parser, SkippedLine, __version__, parse

__all__ = [
    "__version__", "Entry", "Parser", "SkippedLine", "parse", "listdir", "offers_mlsd", "stat", "walk",
]


# The FEAT reply's feature names (upper case) per connection: the key is the
# connection's control socket, so that a reconnected ftplib.FTP asks again.
_features_of: "weakref.WeakKeyDictionary[object, FrozenSet[str]]" = weakref.WeakKeyDictionary()


def _features(ftp: ftplib.FTP) -> FrozenSet[str]:
    sock = getattr(ftp, "sock", None)
    features = _features_of.get(sock) if sock is not None else None
    if features is None:
        try:
            reply = ftp.sendcmd("FEAT")
        except ftplib.error_perm:
            features = frozenset()
        else:
            features = frozenset(
                line.split()[0].upper() for line in reply.splitlines()[1:] if line.split()
            )
        if sock is not None:
            _features_of[sock] = features
    return features


def offers_mlsd(ftp: ftplib.FTP) -> bool:
    """True when the server's FEAT reply lists MLST (which brings MLSD) or MLSD.

    FEAT is asked once per connection; the answer is kept for the life of the
    connection. A server that does not know FEAT (a 5xx reply) offers no
    MLSD; any other error passes through as ftplib raises it.
    """
    return not _features(ftp).isdisjoint(("MLST", "MLSD"))


def listdir(
    ftp: ftplib.FTP,
    path: str = "",
    *,
    dialect: str = "extended",
    today: Optional[datetime.date] = None,
    keep_versions: bool = False,
    encoding: Optional[str] = None,
) -> List[Entry]:
    """Lists the directory `path` (default: the current one) on a logged-in server.

    Uses MLSD when the server's FEAT offers it (exact sizes, UTC times to the
    second), else LIST from inside `path` (so that a missing directory or a
    file fails as MLSD does: the working directory is changed there and
    back); FEAT is asked once per connection. The entries "." and ".." are
    left out. Errors from the server pass through as ftplib raises them
    (ftplib.error_perm, ...). The options are those of parse(); `encoding` defaults to the connection's
    (ftp.encoding, which ftplib also sends `path` in).
    """
    if encoding is None:
        encoding = getattr(ftp, "encoding", None)
    parser = Parser(dialect=dialect, today=today, keep_versions=keep_versions, encoding=encoding)
    if offers_mlsd(ftp):
        ftp.retrbinary("MLSD " + path if path else "MLSD", parser.feed)
    elif path:
        # LIST of a missing directory may be an empty listing, and LIST of a
        # file lists the file: changing into the directory first fails on both.
        _list_in(ftp, path, parser)
    else:
        ftp.retrbinary("LIST", parser.feed)
    return [e for e in parser.close() if e.name not in (".", "..")]


def _list_in(ftp: ftplib.FTP, path: str, parser: Parser) -> None:
    """LIST of the directory `path`, listed from inside it; the working
    directory is the one before, also when the listing fails."""
    here = ftp.pwd()
    ftp.cwd(path)
    try:
        ftp.retrbinary("LIST", parser.feed)
    finally:
        ftp.cwd(here)


def walk(
    ftp: ftplib.FTP,
    top: str = "",
    *,
    max_depth: Optional[int] = None,
    follow_links: bool = False,
    onerror: Optional[Callable[[ftplib.error_perm], None]] = None,
    **options,
) -> Iterator[Tuple[str, List[Entry], List[Entry]]]:
    """Walks the tree under the directory `top` (default: the current one)
    as os.walk does, top-down: yields (dirpath, dirs, files) for each
    directory, `dirs` and `files` lists of Entry (the subdirectories, and
    everything else), in the server's order. Removing entries from `dirs`
    before the next step keeps the walk out of them. A path is the parent's
    path, "/" and the name (just the name when `top` is "").

    `max_depth` limits how far down it goes: 0 lists `top` alone, 1 also its
    subdirectories, and so on; None has no limit. Symbolic links are files
    unless `follow_links`, which lists them as directories when the server
    lets them be listed. A server that does not say that an entry is a link
    (MLSD of most servers) has it walked as the directory it points to. A
    directory whose MLSD "unique" fact is that of a directory the walk is
    in (a link to an ancestor) is yielded in `dirs` but not entered; without
    that fact, only `max_depth` ends such a loop.

    A directory the server refuses to list (ftplib.error_perm) is left out,
    or handed to `onerror`, which may raise; other errors pass through. The
    other options are those of listdir().
    """
    if max_depth is not None and max_depth < 0:
        raise ValueError("max_depth must be None or at least 0")
    # (path, depth, the "unique" facts of the directories walked to get there)
    pending: List[Tuple[str, int, FrozenSet[str]]] = [(top, 0, frozenset())]
    while pending:
        path, depth, above = pending.pop()
        try:
            entries = listdir(ftp, path, **options)
        except ftplib.error_perm as error:
            if onerror is not None:
                onerror(error)
            continue
        dirs: List[Entry] = []
        files: List[Entry] = []
        for e in entries:
            # A name with "/" would lead elsewhere than into this directory.
            is_dir = (e.is_dir or (follow_links and e.is_link)) and "/" not in e.name
            (dirs if is_dir else files).append(e)
        yield path, dirs, files
        if max_depth is not None and depth >= max_depth:
            continue
        # Reversed, so that the first subdirectory is walked first.
        for d in reversed(dirs):
            unique = d.facts.get("unique")
            if unique is None:
                pending.append((_join(path, d.name), depth + 1, above))
            elif unique not in above:
                pending.append((_join(path, d.name), depth + 1, above | {unique}))


def _join(parent: str, name: str) -> str:
    return posixpath.join(parent, name) if parent else name


def stat(ftp: ftplib.FTP, path: str, **options) -> Entry:
    """The entry of one file or directory `path`. Asks MLST when the
    server's FEAT offers it, else finds the name in the listing of the
    parent directory. The entry's name is the last part of the path. A
    missing path raises ftplib.error_perm, as the server's refusal does; so
    does a path without a parent to list ("", "/") on a server without
    MLST. The options are those of listdir().
    """
    encoding = options.get("encoding") or getattr(ftp, "encoding", None) or "utf-8"
    options["encoding"] = encoding
    if "MLST" in _features(ftp):
        reply = ftp.sendcmd("MLST " + path)
        # The reply's lines between the first and the last are the entry's,
        # each opened by a space.
        lines = reply.splitlines()[1:-1]
        wire = getattr(ftp, "encoding", None) or "utf-8"
        entries = parse("\r\n".join(lines).encode(wire, "surrogateescape"), **options)
        if len(entries) != 1:
            raise ftplib.error_reply(f"MLST {path}: not one entry: {reply!r}")
        return _renamed(entries[0], posixpath.basename(entries[0].raw_name.rstrip(b"/")))
    parent, name = posixpath.split(path.rstrip("/"))
    if name in ("", ".", ".."):
        raise ftplib.error_perm(f"550 {path}: no parent directory to find it in")
    if parent == "" and path.startswith("/"):
        parent = "/"
    for e in listdir(ftp, parent, **options):
        if e.name == name:
            return e
    raise ftplib.error_perm(f"550 {path}: not in the listing of its directory")


def _renamed(entry: Entry, raw_name: bytes) -> Entry:
    if not raw_name or raw_name == entry.raw_name:
        return entry
    restore, (state,) = entry.__reduce__()
    return restore((raw_name,) + state[1:])
