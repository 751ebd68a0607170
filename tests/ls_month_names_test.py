#!/usr/bin/python3
"""Checks LookupMonthName and IsTotalWord against what `ls -l` really prints.

Builds glibc locales with `localedef` (UTF-8 and legacy code pages) into a
cache directory used through LOCPATH, makes a tree of files whose
modification times cover every month (old ones, printed with the year, and
recent ones, printed with the time), runs `ls -ln` in each locale and
checks, line by line, that every token the lookup takes for a month name
gives the month of the file's modification time in a code page whose
letters are the locale's, that the month name glibc defines for that month
is found whenever the line shows it, and that the first line's word is a
`total` word. Prints the date shapes seen per locale.

Exits 77 (skipped) when localedef, GNU ls or glibc's locale sources are
missing; 1 on a mismatch.

Usage: ls_month_names_test.py --probe PROBE --source-dir DIR --cache DIR
"""

import argparse
import calendar
import concurrent.futures
import datetime
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77

# (locale, charset given to localedef, Python codec of the charset).
UTF8 = [(name, "UTF-8", "utf-8") for name in (
    "en_US", "de_DE", "de_AT", "nl_NL", "fr_FR", "it_IT", "es_ES", "pl_PL", "ru_RU", "pt_PT",
    "pt_BR", "hu_HU", "cs_CZ", "sv_SE", "da_DK", "nb_NO", "fi_FI", "tr_TR", "el_GR", "ja_JP",
    "zh_CN", "zh_TW", "ko_KR")]
LEGACY = [
    ("de_DE", "ISO-8859-1", "latin-1"), ("de_DE", "CP1252", "cp1252"),
    ("fr_FR", "ISO-8859-1", "latin-1"), ("es_ES", "ISO-8859-1", "latin-1"),
    ("pt_PT", "ISO-8859-1", "latin-1"), ("sv_SE", "ISO-8859-1", "latin-1"),
    ("fi_FI", "ISO-8859-1", "latin-1"),
    ("pl_PL", "ISO-8859-2", "iso8859-2"), ("pl_PL", "CP1250", "cp1250"),
    ("cs_CZ", "ISO-8859-2", "iso8859-2"), ("hu_HU", "ISO-8859-2", "iso8859-2"),
    ("ru_RU", "KOI8-R", "koi8-r"), ("ru_RU", "CP1251", "cp1251"),
    ("ru_RU", "ISO-8859-5", "iso8859-5"),
    ("el_GR", "ISO-8859-7", "iso8859-7"), ("tr_TR", "ISO-8859-9", "iso8859-9"),
    ("ja_JP", "EUC-JP", "euc-jp"), ("ja_JP", "SHIFT_JIS", "shift_jis"),
    ("zh_CN", "GBK", "gbk"), ("zh_TW", "BIG5", "big5"), ("ko_KR", "EUC-KR", "euc-kr"),
]

# The probe's code page names as Python codecs.
CODECS = {"utf8": "utf-8", "cp1250": "cp1250", "cp1251": "cp1251", "cp1252": "cp1252",
          "koi8r": "koi8-r", "iso8859_1": "latin-1", "iso8859_2": "iso8859-2",
          "iso8859_5": "iso8859-5", "iso8859_7": "iso8859-7", "iso8859_9": "iso8859-9",
          "eucJp": "euc-jp", "eucKr": "euc-kr", "gbk": "gbk", "shiftJis": "shift_jis",
          "big5": "big5"}

# Separators inside the date: the space, and the no-break space that some
# locales put between day and month.
SEPARATORS = re.compile("[ \u00a0]+")
# Markers that end a number in Asian dates (year, month, day); a token
# glued from several (`2026年1月8日`) is cut after each.
MARKERS = re.compile("(?<=[年月日년월일])")
NUMBER = re.compile(r"[0-9.:,\-/]+")
LINE = re.compile(r"^(\S+\s+\d+\s+\d+\s+\d+\s+\d+ )(.*) (\S+)$")


def skip(reason):
    print(f"SKIP: {reason}")
    sys.exit(SKIP)


def build_locale(cache, locale, charset):
    name = f"{locale}.{charset}"
    target = os.path.join(cache, name)
    if os.path.exists(os.path.join(target, "LC_TIME")):
        return name, None
    # -c: the legacy multi-byte charsets are not ASCII-compatible in
    # glibc's sense and only warn; the locale is still written.
    done = subprocess.run(["localedef", "-c", "-i", locale, "-f", charset, target],
                          capture_output=True, text=True)
    if not os.path.exists(os.path.join(target, "LC_TIME")):
        return name, f"localedef {name} failed: {done.stderr.strip()[-300:]}"
    return name, None


def require_tools(locales):
    """Skips unless localedef, glibc's locale sources under `locales` and GNU ls are here."""
    if shutil.which("localedef") is None:
        skip("localedef is missing (Debian package libc-bin)")
    if not os.path.isdir(locales) or not os.path.isdir(
            os.path.join(os.path.dirname(locales), "charmaps")):
        skip("glibc's locale sources are missing (Debian package locales)")
    version = subprocess.run(["ls", "--version"], capture_output=True, text=True)
    if version.returncode != 0 or "GNU" not in version.stdout:
        skip("ls is not GNU ls")


def make_tree(root, now):
    """Files whose names say nothing of their dates: {name: month}."""
    months = {}
    for month in range(1, 13):
        # The day is the month plus two: one- and two-digit days both.
        stamp = calendar.timegm((2001, month, month + 2, 10, 30, 0))
        name = f"old{month:02}"
        months[name] = stamp
    for step in range(18):
        # Within the last six months: printed with the time.
        stamp = now - step * 10 * 86400 - 3600
        months[f"new{step:02}"] = stamp
    for name, stamp in months.items():
        path = os.path.join(root, name)
        with open(path, "w"):
            pass
        os.utime(path, (stamp, stamp))
    return {name: time.gmtime(os.stat(os.path.join(root, name)).st_mtime).tm_mon
            for name in months}


def pieces(date_text):
    """The tokens of a date as a parser would cut them."""
    out = []
    for word in SEPARATORS.split(date_text.strip(" \u00a0")):
        out += [piece for piece in MARKERS.split(word) if piece]
    return out


class Probe:
    """Runs the probe program over many tokens at once."""

    def __init__(self, path):
        self.path = path

    def ask(self, tokens):
        if not tokens:
            return []
        given = "".join(token.hex() + "\n" for token in tokens)
        done = subprocess.run([self.path], input=given, capture_output=True, text=True, check=True)
        answers = []
        for line in done.stdout.splitlines():
            month, page, total = line.split()
            answers.append((int(month), page, total == "1"))
        if len(answers) != len(tokens):
            raise SystemExit("the probe answered a different number of tokens")
        return answers


def month_names(source, locale):
    """{month: set of glibc's names for it (keys as the table holds them)}."""
    entries = source.lc_time(locale)
    names = {}
    for entry in entries.values():
        for month, name in enumerate(entry, 1):
            names.setdefault(month, set()).add(source_key(name))
    return names


def source_key(name):
    name = name.strip(" ")
    return name[:-1] if name.endswith(".") else name


def check_listing(name, codec, output, expected, names, probe, failures):
    """Checks one `ls -ln` output; returns (total word, shapes seen)."""
    lines = output.decode(codec).split("\n")
    lines = [line for line in lines if line]
    total_word = lines[0].split(" ")[0]
    if not probe.ask([total_word.encode(codec)])[0][2]:
        failures.append(f"{name}: `{lines[0]}`: {total_word!r} is no total word")
    rows = []
    for line in lines[1:]:
        match = LINE.match(line)
        if not match or match.group(3) not in expected:
            failures.append(f"{name}: line not understood: {line!r}")
            continue
        rows.append((line, match.group(2), match.group(3)))
    tokens = []
    for line, date, file_name in rows:
        words = [w for w in pieces(date) if not NUMBER.fullmatch(w)]
        tokens.append(words)
    answers = iter(probe.ask([w.encode(codec) for words in tokens for w in words]))
    shapes = {}
    for (line, date, file_name), words in zip(rows, tokens):
        month = expected[file_name]
        found = []
        for word in words:
            got_month, page, _ = next(answers)
            if got_month == 0:
                continue
            found.append(word)
            if got_month != month:
                failures.append(f"{name}: {line!r}: {word!r} read as month {got_month}, "
                                f"the file's is {month}")
            data = word.encode(codec)
            if page == "unknown":
                ok = all(b < 0x80 for b in data)
            else:
                try:
                    ok = data.decode(CODECS[page]) == word
                except UnicodeDecodeError:
                    ok = False
            if not ok:
                failures.append(f"{name}: {line!r}: {word!r} said to be {page}")
        shown = [w for w in words if source_key(w) in names[month]]
        if shown and not found:
            failures.append(f"{name}: {line!r}: month name {shown[0]!r} not found")
        kind = "recent" if file_name.startswith("new") else "old"
        shapes.setdefault(kind, (date, bool(found)))
    return total_word, shapes


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--probe", required=True)
    parser.add_argument("--source-dir", required=True)
    parser.add_argument("--cache", required=True)
    parser.add_argument("--locales", default="/usr/share/i18n/locales")
    args = parser.parse_args()

    require_tools(args.locales)
    sys.path.insert(0, os.path.join(args.source_dir, "tools"))
    import gen_month_names  # noqa: E402  (the generator's reader of locale sources)
    source = gen_month_names.LocaleSource(args.locales)

    wanted = [(locale, charset, codec) for locale, charset, codec in UTF8 + LEGACY
              if os.path.exists(os.path.join(args.locales, locale))]
    if not wanted:
        skip("none of the locales has a source")
    os.makedirs(args.cache, exist_ok=True)
    with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
        built = list(pool.map(lambda w: build_locale(args.cache, w[0], w[1]), wanted))
    failures = [error for _, error in built if error]

    probe = Probe(args.probe)
    now = int(time.time())
    environment = {key: value for key, value in os.environ.items()
                   if not key.startswith("LC_") and key not in ("LANG", "LANGUAGE", "TIME_STYLE")}
    environment.update(LOCPATH=args.cache, TZ="UTC")
    report = []
    with tempfile.TemporaryDirectory() as root:
        expected = make_tree(root, now)
        for (locale, charset, codec), (name, error) in zip(wanted, built):
            if error:
                continue
            env = dict(environment, LC_ALL=name)
            charmap = subprocess.run(["locale", "charmap"], env=env, capture_output=True,
                                     text=True).stdout.strip()
            if charmap.replace("_", "-").upper() != charset.replace("_", "-").upper():
                failures.append(f"{name}: not in effect (charmap {charmap!r})")
                continue
            names = month_names(source, locale)
            seen = None
            for style in (["--time-style=locale"], []):
                output = subprocess.run(["ls", "-ln"] + style + [root], env=env,
                                        capture_output=True, check=True).stdout
                total, shapes = check_listing(name, codec, output, expected, names, probe,
                                              failures)
                seen = seen or (total, shapes)
            total, shapes = seen
            report.append(f"{name:18} total {total!r:14} recent {shapes['recent'][0]!r:22} "
                          f"old {shapes['old'][0]!r:22}"
                          + ("" if shapes["recent"][1] or shapes["old"][1] else "  (no name)"))
    print("\n".join(report))
    if failures:
        print(f"{len(failures)} failures:")
        print("\n".join(failures[:60]))
        return 1
    print(f"{len(report)} locales agree with the month table")
    return 0


if __name__ == "__main__":
    sys.exit(main())
