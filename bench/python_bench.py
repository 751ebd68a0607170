"""Speed of the Python package against pure-Python LIST parsers.

Parses a generated Unix listing (1M lines by default) from Python, the
entries materialised as objects, and prints MB/s (listing bytes per second of
CPU time, the median of --runs rounds that each run every parser in turn; CPU
time because the machines are shared):

  pure Python        the baseline: decode, split each line, build an object
                     with name, size, flags and a datetime (what scripts do
                     today)
  ftputil            Debian's python3-ftputil, its public UnixParser class
                     line by line as its users get it (decode, skip the lines
                     it ignores or rejects); left out when it is not installed
  ftpdirlist.parse   one call, a list of Entry objects (names decoded)
  ... + fields read  the same, then name, size, is_dir and modified read from
                     every entry (modified is made when read)
  Parser.feed        64 KiB chunks as ftplib's retrbinary hands them, close()

Then the goals: ftpdirlist.parse at least 10x ftputil, Parser.feed as fast
as parse (0.95x allowed for timing noise).

Run with the interpreter the package is installed for, e.g.
  venv/bin/python bench/python_bench.py --lines 1000000
"""

import argparse
import datetime
import random
import sys
import time

import ftpdirlist

try:
    import ftputil.error
    import ftputil.stat
except ImportError:
    ftputil = None

MONTHS = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"]
MONTH_NUMBERS = {name: i + 1 for i, name in enumerate(MONTHS)}
TODAY = datetime.date(2024, 6, 15)
WORDS = ["report", "backup", "photo", "data", "notes", "release", "build", "archive", "log"]
SUFFIXES = [".txt", ".tar.gz", ".jpg", ".csv", ".iso", ".log", "", ".pdf"]


def make_listing(lines: int, seed: int = 1) -> bytes:
    """A listing as Unix servers write it: files, directories and links,
    recent entries with a clock time and older ones with a year."""
    rnd = random.Random(seed)
    out = [f"total {lines * 4}\r\n"]
    for i in range(lines):
        kind = rnd.random()
        name = f"{rnd.choice(WORDS)}-{i}{rnd.choice(SUFFIXES)}"
        month, day = rnd.choice(MONTHS), rnd.randint(1, 28)
        when = (f"{rnd.randint(0, 23):02d}:{rnd.randint(0, 59):02d}" if rnd.random() < 0.5
                else f" {rnd.randint(1995, 2023)}")
        if kind < 0.15:
            mode, size = "drwxr-xr-x", 4096
        elif kind < 0.2:
            mode, size = "lrwxrwxrwx", 12
            name += " -> ../target/" + name
        else:
            mode, size = "-rw-r--r--", rnd.randint(0, 10**rnd.randint(1, 10))
        out.append(f"{mode} {rnd.randint(1, 9):3d} {'ftp':8} {'users':8} {size:>10} "
                   f"{month} {day:2d} {when:>5} {name}\r\n")
    return "".join(out).encode("utf-8")


class PyEntry:
    __slots__ = ("name", "target", "size", "is_dir", "is_link", "modified")

    def __init__(self, name, target, size, is_dir, is_link, modified):
        self.name, self.target, self.size = name, target, size
        self.is_dir, self.is_link, self.modified = is_dir, is_link, modified


def parse_pure_python(listing: bytes, today: datetime.date = TODAY) -> list:
    """The baseline: a careful script's LIST parser for the Unix form."""
    entries = []
    for line in listing.decode("utf-8", "surrogateescape").splitlines():
        parts = line.split(None, 8)
        if len(parts) < 9 or parts[0][0] not in "-dlbcps":
            continue
        mode, _links, _owner, _group, size, month_name, day, year_or_time, name = parts
        month = MONTH_NUMBERS.get(month_name)
        if month is None:
            continue
        try:
            size, day = int(size), int(day)
            if ":" in year_or_time:
                hour, minute = year_or_time.split(":")
                # This year, unless that puts the date more than 31 days
                # ahead of today: then last year.
                year = today.year
                if (datetime.date(year, month, day) - today).days > 31:
                    year -= 1
                modified = datetime.datetime(year, month, day, int(hour), int(minute))
            else:
                modified = datetime.datetime(int(year_or_time), month, day)
        except ValueError:
            continue
        target = None
        if mode[0] == "l" and " -> " in name:
            name, target = name.split(" -> ", 1)
        entries.append(PyEntry(name, target, size, mode[0] == "d", mode[0] == "l", modified))
    return entries


def parse_ftputil(listing: bytes) -> list:
    """The reference: ftputil's Unix parser over every line."""
    parser = ftputil.stat.UnixParser()
    entries = []
    for line in listing.decode("utf-8", "surrogateescape").splitlines():
        if parser.ignores_line(line):
            continue
        try:
            entries.append(parser.parse_line(line))
        except ftputil.error.ParserError:
            continue
    return entries


def run_parse(listing):
    return ftpdirlist.parse(listing, today=TODAY)


def run_parse_and_read(listing):
    entries = ftpdirlist.parse(listing, today=TODAY)
    for e in entries:
        e.name, e.size, e.is_dir, e.modified
    return entries


def run_feed(listing, chunk=65536):
    parser = ftpdirlist.Parser(today=TODAY)
    view = memoryview(listing)
    for i in range(0, len(listing), chunk):
        parser.feed(view[i:i + chunk])
    return parser.close()


def median_times(parsers, listing, rounds):
    """Seconds of CPU time of each parser, the median of `rounds` rounds that
    run every parser in turn, so that a shared machine's slow moments fall on
    all of them alike; and each parser's last result."""
    times = {label: [] for label, _ in parsers}
    results = {}
    for _ in range(rounds):
        for label, func in parsers:
            results[label] = None
            start = time.process_time()
            results[label] = func(listing)
            times[label].append(time.process_time() - start)
    return {label: sorted(t)[len(t) // 2] for label, t in times.items()}, results


def goal(label, ratio, at_least):
    met = "met" if ratio >= at_least else "not met"
    print(f"{label:34} {ratio:8.2f}x  goal at least {at_least}x, {met}")


def main():
    args = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    args.add_argument("--lines", type=int, default=1_000_000)
    args.add_argument("--runs", type=int, default=3)
    opts = args.parse_args()

    listing = make_listing(opts.lines)
    mb = len(listing) / 1e6
    print(f"{opts.lines} lines, {mb:.1f} MB; Python {sys.version.split()[0]}; "
          f"CPU time, median of {opts.runs} interleaved rounds")
    parsers = [("pure Python", parse_pure_python)]
    if ftputil is not None:
        parsers.append(("ftputil", parse_ftputil))
    parsers += [("ftpdirlist.parse", run_parse),
                ("ftpdirlist.parse + fields read", run_parse_and_read),
                ("ftpdirlist.Parser.feed (64 KiB)", run_feed)]
    seconds, results = median_times(parsers, listing, opts.runs)
    for label, _ in parsers:
        print(f"{label:34} {seconds[label]:8.3f} s {mb / seconds[label]:9.1f} MB/s  "
              f"{len(results[label])} entries")

    if ftputil is not None:
        goal("ftpdirlist.parse / ftputil", seconds["ftputil"] / seconds["ftpdirlist.parse"], 10)
    else:
        print("ftputil is not installed: no comparison with it")
    goal("Parser.feed / parse", seconds["ftpdirlist.parse"] /
         seconds["ftpdirlist.Parser.feed (64 KiB)"], 0.95)

    # Every parser reads the listing alike.
    ours = results["ftpdirlist.parse"]
    for label in ("pure Python", "ftputil"):
        if label in results:
            assert len(results[label]) == len(ours), (label, len(results[label]), len(ours))
    baseline = results["pure Python"]
    step = max(1, len(ours) // 1000)
    for a, b in zip(baseline[::step], ours[::step]):
        assert (a.name, a.target, a.size, a.is_dir, a.is_link, a.modified) == (
            b.name, b.target, b.size, b.is_dir, b.is_link, b.modified), b


if __name__ == "__main__":
    main()
