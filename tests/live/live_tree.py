"""The tree the live FTP tests list, and the comparison of ftpls's entries
with what os.lstat says about it (shared by the live tests and the offline
test of the saved replies)."""
import datetime
import os
import stat
import time

MANY = "many"  # the folder of 2,000 files

# MLSD entries come from the extended dialect's MLSD reader. With this flag
# True an MLSD reply that parses to no entry would be reported as an
# expected failure; it is False, so an empty MLSD result fails. Entries that
# do parse are always checked in full.
MLSD_EXPECTED_TO_FAIL = False

# What a server leaves out of a listing by design: server -> command -> name
# -> why.
OMITTED = {
    "pure-ftpd": {"LIST": {"fifo": "pure-ftpd lists no special files"}},
    "pyftpdlib": {"MLSD": {"dangling": "MLSD facts of a dangling link cannot be read"}},
    "proftpd": {"MLSD": {"dangling": "MLSD facts of a dangling link cannot be read"}},
    "gridftp": {command: {"dangling": "GridFTP lists no dangling links"}
                for command in ("LIST", "MLSD")},
}
# What a server cannot list at all, taken out of its tree: server -> name
# -> why.
UNLISTABLE = {
    "twisted": {"dangling": "Twisted answers a LIST of a folder with a dangling link by 550"},
}
# Servers whose LIST describes a link by what it points to.
LINKS_AS_TARGETS = {"twisted", "gridftp"}
MANY_COUNT = 2000
DAY = 86400


def _utc(*fields):
    return int(datetime.datetime(*fields, tzinfo=datetime.timezone.utc).timestamp())


def make(root):
    """Makes the tree under `root` (which must not exist)."""
    now = int(time.time())
    recent = now - 3 * DAY + 37  # a time form in LIST, with seconds that LIST drops
    files = [  # name, size, mtime
        ("name with spaces.txt", 5, recent),
        ("Gr\u00fc\u00dfe \u00fcn\u00efc\u00f6d\u00e9.txt", 7, recent),
        ("\u65e5\u672c\u8a9e.txt", 11, recent),
        ("arrow -> name.txt", 3, recent),  # a file whose name looks like a link's
        ("empty", 0, recent),
        ("sparse-5g.img", 5 * 1024 ** 3, recent),
        ("epoch-1970.txt", 1, _utc(1970, 1, 2, 3, 4, 5)),
        ("old-2001.txt", 2, _utc(2001, 9, 9, 1, 46, 40)),
        ("next-year.txt", 4, now + 365 * DAY),
        # Some servers write the time form for every date of this calendar
        # year, so that its year follows from the year rule.
        ("new-year.txt", 6, _utc(time.gmtime(now).tm_year, 1, 1, 0, 0, 0)),
    ]
    os.makedirs(os.path.join(root, "subdir"))
    for name, size, mtime in files:
        path = os.path.join(root, name)
        with open(path, "wb") as f:
            if name.startswith("sparse"):
                f.truncate(size)
            else:
                f.write(b"x" * size)
        os.utime(path, (mtime, mtime))
    with open(os.path.join(root, "subdir", "inside.txt"), "wb") as f:
        f.write(b"inside")
    os.mkfifo(os.path.join(root, "fifo"))
    links = [("link-to-file", "name with spaces.txt"), ("link-to-dir", "subdir"),
             ("dangling", "no-such-target")]
    for name, target in links:
        os.symlink(target, os.path.join(root, name))
        os.utime(os.path.join(root, name), (recent, recent), follow_symlinks=False)
    many = os.path.join(root, MANY)
    os.makedirs(many)
    for i in range(MANY_COUNT):
        path = os.path.join(many, f"f{i:04d}")
        with open(path, "wb") as f:
            f.write(b"y" * (i % 7))
        os.utime(path, (recent, recent))
    for folder in ("subdir", MANY):
        os.utime(os.path.join(root, folder), (recent, recent))


def describe(folder):
    """name -> {type, size, mtime, target, targetType} of each entry of `folder`."""
    out = {}
    for name in os.listdir(folder):
        path = os.path.join(folder, name)
        st = os.lstat(path)
        if stat.S_ISLNK(st.st_mode):
            kind = "link"
        elif stat.S_ISDIR(st.st_mode):
            kind = "dir"
        elif stat.S_ISREG(st.st_mode):
            kind = "file"
        else:
            kind = "other"
        entry = {"type": kind, "size": st.st_size, "mtime": int(st.st_mtime)}
        if kind == "link":
            entry["target"] = os.readlink(path)
            try:
                target = os.stat(path)
                entry["targetType"] = "dir" if stat.S_ISDIR(target.st_mode) else "file"
                entry["targetSize"] = target.st_size
                entry["targetMtime"] = int(target.st_mtime)
            except FileNotFoundError:
                entry["targetType"] = None
        out[name] = entry
    return out




def _entry_time(e):
    """The entry's date and time as (fields, precision): precision is 'day',
    'minute' or 'second'."""
    if e.get("year") is None:
        return None, None
    if e.get("hour") is None:
        return (e["year"], e["month"], e["day"]), "day"
    if e.get("second") is None:
        return (e["year"], e["month"], e["day"], e["hour"], e["minute"]), "minute"
    return (e["year"], e["month"], e["day"], e["hour"], e["minute"], e["second"]), "second"


def _fields(mtime, precision):
    t = datetime.datetime.fromtimestamp(mtime, datetime.timezone.utc)
    full = (t.year, t.month, t.day, t.hour, t.minute, t.second)
    return full[:{"day": 3, "minute": 5, "second": 6}[precision]]


def compare(entries, expected, command, today, omitted=None, links_as_targets=False):
    """Checks ftpls's JSON entries of one listing against `expected`
    (describe()). `omitted`: name -> why the server leaves it out;
    `links_as_targets`: the listing may describe a link by its target.
    Returns (failures, notes)."""
    omitted = omitted or {}
    failures, notes = [], []
    seen = set()
    classic_links = False
    for e in entries:
        name, target = e["name"], e.get("target", "")
        if e["isLink"] and not target and " -> " in name:
            name, target = name.split(" -> ", 1)  # the classic dialect keeps the target here
            classic_links = True
        want = expected.get(name)
        if want is None:
            failures.append(f"{command}: unexpected entry {name!r}")
            continue
        seen.add(name)
        failures += _compare_one(command, name, target, e, want, today, notes, links_as_targets)
    if classic_links:
        notes.append(f"{command}: link targets arrive in the name (classic results)")
    for name, want in sorted(expected.items()):
        if name in omitted and name not in seen:
            notes.append(f"{command}: {name!r} left out: {omitted[name]}")
        elif name not in seen:
            failures.append(f"{command}: {want['type']} {name!r} missing")
    return failures, notes


def _compare_one(command, name, target, e, want, today, notes, links_as_targets):
    out = []
    kind = want["type"]
    # MLSD servers, and some in LIST, may describe a link by what it points to.
    kinds = {kind}
    if kind == "link" and (command == "MLSD" or links_as_targets) and want.get("targetType"):
        kinds.add(want["targetType"])
    got = "link" if e["isLink"] else "dir" if e["isDir"] else "file"
    if got not in kinds and not (kind == "other" and got == "file"):
        out.append(f"{command}: {name!r} is a {got}, expected {kind}")
        return out
    if got == "link" and target and target != want["target"]:
        out.append(f"{command}: {name!r} points to {target!r}, expected {want['target']!r}")
    if kind == "file" and e["size"] != want["size"]:
        out.append(f"{command}: {name!r} size {e['size']}, expected {want['size']}")
    fields, precision = _entry_time(e)
    if fields is None:
        out.append(f"{command}: {name!r} has no date")
        return out
    mtimes = [want["mtime"]]
    if got != "link" and kind == "link":
        mtimes.append(want.get("targetMtime", want["mtime"]))
    # A Unix LIST line gives a time instead of a year, and the year follows
    # from today; a server that writes the time form for a date further than
    # half a year away has dropped the year, which then cannot be checked.
    if command == "LIST" and precision == "minute":
        now = datetime.datetime.fromisoformat(today).replace(tzinfo=datetime.timezone.utc)
        if abs(want["mtime"] - now.timestamp()) > 183 * DAY:
            notes.append(f"{command}: {name!r}: a time without a year for a date more than "
                         "half a year away")
            fields = fields[1:]
            if all(_fields(m, precision)[1:] != fields for m in mtimes):
                out.append(f"{command}: {name!r} time {fields}, expected "
                           f"{_fields(mtimes[0], precision)[1:]} (year-less)")
            return out
    if all(_fields(m, precision) != fields for m in mtimes):
        out.append(f"{command}: {name!r} time {fields}, expected "
                   f"{_fields(mtimes[0], precision)} ({precision})")
    return out


def check(entries, expected, server, command, today):
    """compare() with the server's known omissions and the MLSD expected
    failure. Returns (failures, notes)."""
    if command == "MLSD" and not entries and MLSD_EXPECTED_TO_FAIL:
        return [], ["MLSD: expected failure, the reply parses to no entry yet"]
    return compare(entries, expected, command, today, OMITTED.get(server, {}).get(command),
                   server in LINKS_AS_TARGETS)
