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
from typing import List, Optional

from ._ftpdirlist import Entry, Parser, SkippedLine, __version__, parse

__all__ = ["__version__", "Entry", "Parser", "SkippedLine", "parse", "listdir", "offers_mlsd"]


def offers_mlsd(ftp: ftplib.FTP) -> bool:
    """True when the server's FEAT reply lists MLST (which brings MLSD) or MLSD.

    A server that does not know FEAT (a 5xx reply) offers no MLSD; any other
    error passes through as ftplib raises it.
    """
    try:
        reply = ftp.sendcmd("FEAT")
    except ftplib.error_perm:
        return False
    for line in reply.splitlines()[1:]:
        words = line.split()
        if words and words[0].upper() in ("MLST", "MLSD"):
            return True
    return False


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
    second), else LIST. The entries "." and ".." are left out. Errors from the
    server pass through as ftplib raises them (ftplib.error_perm, ...). The
    options are those of parse(); `encoding` defaults to the connection's
    (ftp.encoding, which ftplib also sends `path` in).
    """
    if encoding is None:
        encoding = getattr(ftp, "encoding", None)
    command = "MLSD" if offers_mlsd(ftp) else "LIST"
    if path:
        command += " " + path
    parser = Parser(dialect=dialect, today=today, keep_versions=keep_versions, encoding=encoding)
    ftp.retrbinary(command, parser.feed)
    return [e for e in parser.close() if e.name not in (".", "..")]
