"""Speed of the Python package against a pure-Python LIST parser.

Parses a generated Unix listing (1M lines by default) from Python, the
entries materialised as objects, and prints MB/s (listing bytes per second of
CPU time, the best of --runs; CPU time because the machines are shared):

  pure Python        the baseline: decode, split each line, build an object
                     with name, size, flags and a datetime (what scripts do
                     today)
  ftpdirlist.parse   one call, a list of Entry objects (names decoded)
  ... + fields read  the same, then name, size, is_dir and modified read from
                     every entry (modified is made when read)
  Parser.feed        64 KiB chunks as ftplib's retrbinary hands them, close()

Run with the interpreter the package is installed for, e.g.
  venv/bin/python bench/python_bench.py --lines 1000000
"""

import argparse
import datetime
import random
import sys
import time

import ftpdirlist

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
                # The year that puts the date nearest to today.
                year = min((today.year - 1, today.year, today.year + 1),
                           key=lambda y: abs((datetime.date(y, month, day) - today).days))
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


def best_time(func, listing, runs):
    best, result = float("inf"), None
    for _ in range(runs):
        result = None
        start = time.process_time()
        result = func(listing)
        best = min(best, time.process_time() - start)
    return best, result


def main():
    args = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    args.add_argument("--lines", type=int, default=1_000_000)
    args.add_argument("--runs", type=int, default=3)
    opts = args.parse_args()

    listing = make_listing(opts.lines)
    mb = len(listing) / 1e6
    print(f"{opts.lines} lines, {mb:.1f} MB; Python {sys.version.split()[0]}; "
          f"CPU time, best of {opts.runs}")
    results = {}
    for label, func in [("pure Python", parse_pure_python),
                        ("ftpdirlist.parse", run_parse),
                        ("ftpdirlist.parse + fields read", run_parse_and_read),
                        ("ftpdirlist.Parser.feed (64 KiB)", run_feed)]:
        seconds, entries = best_time(func, listing, opts.runs)
        results[label] = entries
        print(f"{label:34} {seconds:8.3f} s {mb / seconds:9.1f} MB/s  {len(entries)} entries")

    # Both read the listing alike.
    baseline, ours = results["pure Python"], results["ftpdirlist.parse"]
    assert len(baseline) == len(ours), (len(baseline), len(ours))
    step = max(1, len(ours) // 1000)
    for a, b in zip(baseline[::step], ours[::step]):
        assert (a.name, a.target, a.size, a.is_dir, a.is_link, a.modified) == (
            b.name, b.target, b.size, b.is_dir, b.is_link, b.modified), b


if __name__ == "__main__":
    main()
