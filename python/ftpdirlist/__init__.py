"""Fast, exact parsing of FTP directory listings.

    import ftplib, ftpdirlist
    with ftplib.FTP("ftp.example.org", "anonymous") as ftp:
        for entry in ftpdirlist.listdir(ftp, "pub"):
            print(entry.name, entry.size, entry.modified)

parse() reads a whole listing, Parser reads one in chunks (its feed() is an
ftplib callback), listdir() asks a server for a directory: MLSD when the
server offers it, LIST otherwise.
"""

from __future__ import annotations

import datetime
import ftplib
import weakref
from typing import FrozenSet, List, Optional

from ._ftpdirlist import Entry, Parser, SkippedLine, __version__, parse

__all__ = ["__version__", "Entry", "Parser", "SkippedLine", "parse", "listdir", "offers_mlsd"]


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
    left out. Errors from the server pass through as ftplib raises them (ftplib.error_perm, ...). The
    options are those of parse(); `encoding` defaults to the connection's
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
