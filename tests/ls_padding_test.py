#!/usr/bin/python3
"""Checks that the padding of the date column never becomes part of a name.

Runs `ls -ln` in every locale of the month table (built as for
ls_month_names_test.py) and every time style, over a tree of old and recent
files, some of whose names start with spaces, reads each listing with
`ftpls --json` and checks that every entry's name is a file's name, byte
for byte. Prints, per time style, how many lines were read and how many
names were wrong.

Exits 77 (skipped) when localedef, GNU ls or glibc's locale sources are
missing; 1 on a wrong name.

Usage: ls_padding_test.py --ftpls FTPLS --cache DIR
"""

import argparse
import calendar
import concurrent.futures
import json
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ls_month_names_test import LEGACY, UTF8, build_locale, require_tools  # noqa: E402

# Every --time-style, and formats of numeric dates: one for all files, and
# one for old and one for recent files.
STYLES = ["locale", "iso", "long-iso", "full-iso", "+%Y-%m-%d", "+%d.%m.%Y %H:%M",
          "+%Y-%m-%d\n%m-%d %H:%M", "+%d.%m.%Y\n%d.%m. %H:%M"]
# Names of each file's date: with no, one and two leading spaces.
NAMES = ["plain", " lead", "  two"]


def make_tree(root, now):
    """Old files (one- and two-digit days) and recent ones: their names."""
    stamps = [calendar.timegm((2001, 3, 4, 10, 30, 0)), calendar.timegm((2001, 11, 24, 8, 5, 0)),
              now - 3 * 86400, now - 40 * 86400]
    names = set()
    for number, stamp in enumerate(stamps):
        for name in NAMES:
            path = os.path.join(root, f"{name}{number}")
            with open(path, "w"):
                pass
            os.utime(path, (stamp, stamp))
            names.add(f"{name}{number}")
    return names


def read_names(ftpls, output):
    done = subprocess.run([ftpls, "--json", "--encoding=none", "-"], input=output,
                          capture_output=True, check=True)
    return [entry["name"] for entry in json.loads(done.stdout)]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--ftpls", required=True)
    parser.add_argument("--cache", required=True)
    parser.add_argument("--locales", default="/usr/share/i18n/locales")
    args = parser.parse_args()

    require_tools(args.locales)
    wanted = [(locale, charset) for locale, charset, _ in UTF8 + LEGACY
              if os.path.exists(os.path.join(args.locales, locale))]
    os.makedirs(args.cache, exist_ok=True)
    with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
        built = list(pool.map(lambda w: build_locale(args.cache, w[0], w[1]), wanted))
    locales = ["C"] + [name for name, error in built if not error]

    environment = {key: value for key, value in os.environ.items()
                   if not key.startswith("LC_") and key not in ("LANG", "LANGUAGE", "TIME_STYLE")}
    environment.update(LOCPATH=args.cache, TZ="UTC")
    failures = []
    report = []
    with tempfile.TemporaryDirectory() as root:
        expected = make_tree(root, int(time.time()))
        for style in STYLES:
            read = lines = 0
            wrong = 0
            for locale in locales:
                output = subprocess.run(["ls", "-ln", f"--time-style={style}", root],
                                        env=dict(environment, LC_ALL=locale),
                                        capture_output=True, check=True).stdout
                names = read_names(args.ftpls, output)
                lines += len(expected)
                read += len(names)
                for name in names:
                    if name not in expected:
                        wrong += 1
                        failures.append(f"{locale} {style!r}: name {name!r}")
            report.append(f"{style!r:28} {read:5} of {lines:5} lines read, {wrong} wrong names")
    print("\n".join(report))
    if failures:
        print("\n".join(failures[:50]))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
