#!/usr/bin/python3
"""Writes the one month table: src/fields/month_names_table.inc, the
month-name keys of the extended dialect and the words of the `total` line,
its classic keys flagged, and src/parse/month_map_keys.inc, that flagged
subset as the classic lookup compares it (bytes exactly as listed below).

Month names come from glibc's locale sources (Debian package `locales`):
the LC_TIME entries `abmon`, `mon`, `ab_alt_mon` and `alt_mon` of each
locale below, following `copy` directives. Each name is written in UTF-8
and in the locale's legacy code pages, and every classic key (CLASSIC
below) is added, so the extended lookup is a superset of the classic one.

The `total` words come from the message catalogs of the `ls` program
(coreutils' .mo files), the translation of the msgid "total", in UTF-8 and
in the legacy code pages of the locales below that share the language.

Usage (from the repository root):
    tools/gen_month_names.py [--locales DIR] [--messages DIR] [--output FILE]
        [--classic-output FILE] [--check]
Prints what it found (key counts, keys dropped for naming two months) on
stderr, and exits non-zero when a source is missing.
"""

import argparse
import collections
import gettext
import os
import re
import sys

# The locales read, each with the legacy code pages its names are also
# written in (CodePage enumerator, Python codec). ISO-8859-1 names read the
# same in Windows-1252, so the Western languages list Windows-1252 only
# and their keys say cp1252 (the superset).
WESTERN = [("cp1252", "cp1252")]
CENTRAL = [("iso8859_2", "iso8859-2"), ("cp1250", "cp1250")]
LOCALES = [
    ("en_US", WESTERN), ("en_GB", WESTERN),
    ("de_DE", WESTERN), ("de_AT", WESTERN), ("de_CH", WESTERN),
    ("nl_NL", WESTERN), ("nl_BE", WESTERN),
    ("fr_FR", WESTERN), ("fr_BE", WESTERN), ("fr_CA", WESTERN), ("fr_CH", WESTERN),
    ("it_IT", WESTERN), ("it_CH", WESTERN),
    ("es_ES", WESTERN), ("es_MX", WESTERN), ("es_AR", WESTERN),
    ("pt_PT", WESTERN), ("pt_BR", WESTERN),
    ("sv_SE", WESTERN), ("sv_FI", WESTERN), ("da_DK", WESTERN),
    ("nb_NO", WESTERN), ("nn_NO", WESTERN), ("fi_FI", WESTERN),
    ("pl_PL", CENTRAL), ("cs_CZ", CENTRAL), ("hu_HU", CENTRAL),
    ("ru_RU", [("koi8r", "koi8-r"), ("cp1251", "cp1251"), ("iso8859_5", "iso8859-5")]),
    ("tr_TR", [("iso8859_9", "iso8859-9")]),
    ("el_GR", [("iso8859_7", "iso8859-7")]),
    ("ja_JP", [("eucJp", "euc-jp"), ("shiftJis", "shift_jis")]),
    ("zh_CN", [("gbk", "gbk")]),
    ("zh_TW", [("big5", "big5")]),
    ("ko_KR", [("eucKr", "euc-kr")]),
]

MONTH_ENTRIES = ("abmon", "mon", "ab_alt_mon", "alt_mon")

# When the same bytes name the same month in several code pages, the key
# records the first of this order: UTF-8, then the code page whose letters
# the bytes most likely are. ISO-8859-2 comes before Windows-1250 because
# the listings that show Central European month names are written by `ls`
# in glibc's ISO-8859-2 locales.
PREFERENCE = ["utf8", "cp1252", "iso8859_2", "cp1250", "cp1251", "koi8r", "iso8859_5",
              "iso8859_7", "iso8859_9", "eucJp", "shiftJis", "eucKr", "gbk", "big5"]

CLASSIC_CODE_PAGES = {"Windows-1250": "cp1250", "Windows-1251": "cp1251",
                      "Windows-1252": "cp1252"}

CODECS = {"utf8": "utf-8", "cp1252": "cp1252", "iso8859_2": "iso8859-2", "cp1250": "cp1250",
          "cp1251": "cp1251", "koi8r": "koi8-r", "iso8859_5": "iso8859-5",
          "iso8859_7": "iso8859-7", "iso8859_9": "iso8859-9", "eucJp": "euc-jp",
          "shiftJis": "shift_jis", "eucKr": "euc-kr", "gbk": "gbk", "big5": "big5"}


def fold(data):
    """ASCII capitals to small letters, other bytes unchanged (as the lookup)."""
    return bytes(b + 32 if 0x41 <= b <= 0x5A else b for b in data)


def as_key(text):
    """The key a locale's name gives: padding and one final '.' dropped."""
    text = text.strip(" ")
    if text.endswith("."):
        text = text[:-1]
    return text


class LocaleSource:
    """Reads the LC_TIME category of glibc locale source files."""

    def __init__(self, directory):
        self.directory = directory

    def lc_time(self, name, seen=()):
        if name in seen:
            raise SystemExit(f"copy loop at {name}")
        path = os.path.join(self.directory, name)
        if not os.path.exists(path):
            raise SystemExit(f"missing locale source {path}")
        with open(path, encoding="utf-8") as f:
            lines = f.read().split("\n")
        comment, escape = "#", "\\"
        logical = []
        pending = ""
        for line in lines:
            head = line.split()
            if len(head) == 2 and head[0] == "comment_char":
                comment = head[1]
                continue
            if len(head) == 2 and head[0] == "escape_char":
                escape = head[1]
                continue
            if line.lstrip().startswith(comment):
                continue
            if line.endswith(escape) and not line.endswith(escape + escape):
                pending += line[:-1]
                continue
            logical.append(pending + line)
            pending = ""
        inside = False
        entries = {}
        for line in logical:
            words = line.split(None, 1)
            if not words:
                continue
            if words[0] == "LC_TIME":
                inside = True
                continue
            if words[0] == "END" and inside:
                break
            if not inside:
                continue
            if words[0] == "copy":
                return self.lc_time(self.strings(words[1], escape)[0], seen + (name,))
            if words[0] in MONTH_ENTRIES:
                entries[words[0]] = self.strings(words[1], escape)
        if not inside:
            raise SystemExit(f"no LC_TIME in {path}")
        return entries

    @staticmethod
    def strings(value, escape):
        """The quoted strings of an entry's value, <Uxxxx> decoded."""
        out = []
        i = 0
        while i < len(value):
            if value[i] != '"':
                i += 1
                continue
            i += 1
            text = []
            while i < len(value) and value[i] != '"':
                if value[i] == "<":
                    end = value.index(">", i)
                    symbol = value[i + 1:end]
                    if not re.fullmatch(r"U[0-9A-Fa-f]{4,8}", symbol):
                        raise SystemExit(f"unknown symbol <{symbol}>")
                    text.append(chr(int(symbol[1:], 16)))
                    i = end + 1
                elif value[i] == escape:
                    text.append(value[i + 1])
                    i += 2
                else:
                    text.append(value[i])
                    i += 1
            out.append("".join(text))
            i += 1
        return out


# The classic dialect's keys, by month: compared byte for byte (no case
# folding, no trimming) by src/parse/month_map.cpp. Keys with letters
# outside ASCII name their code page.
CLASSIC = [
    ["jan", "JAN", "1", "01", "janv", "gen", "ene", "sty", ("янв", "cp1251"), "jan1"],
    ["feb", "FEB", "2", "02", ("féb", "cp1252"), ("fév", "cp1252"), "fev", ("févr", "cp1252"),
     "fevr", "lut", ("фев", "cp1251"), "feb2"],
    ["mar", "MAR", "3", "03", "mrz", ("mär", "cp1252"), "mars", ("мар", "cp1251"), "mrt", "mar3"],
    ["apr", "APR", "4", "04", "avr", "abr", "kwi", ("апр", "cp1251"), "apr4"],
    ["may", "MAY", "5", "05", "mai", "mag", "maj", ("май", "cp1251"), "mei", "may5"],
    ["jun", "JUN", "6", "06", "juin", "giu", "cze", ("июн", "cp1251"), "jun6"],
    ["jul", "JUL", "7", "07", "juil", "lug", "lip", ("июл", "cp1251"), "jul7"],
    ["aug", "AUG", "8", "08", ("aoû", "cp1252"), ("août", "cp1252"), "aout", "ago", "sie",
     ("авг", "cp1251"), "aug8"],
    ["sep", "SEP", "9", "09", "sept", "set", "wrz", ("сен", "cp1251"), "sep9", "sept9"],
    ["oct", "OCT", "10", "okt", "ott", ("paź", "cp1250"), ("окт", "cp1251"), "oct0"],
    ["nov", "NOV", "11", "lis", ("ноя", "cp1251"), "nov1"],
    ["dec", "DEC", "12", "dez", ("déc", "cp1252"), "dic", "gru", ("дек", "cp1251"), "dec2"],
]

# How a key of the whole table is a classic key: as it is written (small
# letters), or so and in capitals too.
CLASSIC_FORMS = {1: "small", 2: "smallAndCapitals"}


def classic_keys():
    """(bytes as compared, month, code page, text) of every classic key."""
    keys = []
    for month, names in enumerate(CLASSIC, 1):
        for name in names:
            text, code_page = name if isinstance(name, tuple) else (name, "unknown")
            data = text.encode(CODECS.get(code_page, "ascii"))
            keys.append((data, month, code_page, text))
    if len(keys) != 113:
        raise SystemExit(f"{len(keys)} classic keys, expected 113")
    return keys


def classic_forms(classic):
    """{folded bytes: 1 or 2} (CLASSIC_FORMS) of the classic keys; fails for
    a key whose capitals stand without its small letters, which the flags
    cannot say."""
    forms = {}
    for data, _, _, _ in classic:
        if data == fold(data):
            forms[data] = 1
    for data, _, _, _ in classic:
        folded = fold(data)
        if data != folded:
            if data != folded.upper() or forms.get(folded) != 1:
                raise SystemExit(f"classic key {data!r}: capitals only beside its small letters")
            forms[folded] = 2
    return forms


def total_words(messages_dir):
    """{language: translation of "total"} from the coreutils catalogs."""
    words = {"en": "total"}
    if not os.path.isdir(messages_dir):
        return words
    for language in sorted(os.listdir(messages_dir)):
        path = os.path.join(messages_dir, language, "LC_MESSAGES", "coreutils.mo")
        if not os.path.exists(path):
            continue
        with open(path, "rb") as f:
            catalog = gettext.GNUTranslations(f)._catalog
        word = catalog.get("total")
        if word and " " not in word.strip():
            words[language] = word.strip()
    return words


class Keys:
    """Keys by their folded bytes, with every source that gave them."""

    def __init__(self):
        self.sources = collections.defaultdict(list)  # bytes -> [(month, cp, text, origin)]

    def add(self, data, month, code_page, text, origin):
        if data:
            self.sources[fold(data)].append((month, code_page, text, origin))

    def resolve(self, report):
        """(bytes, month, code page, text, origins) for every key that names
        one month (0: a `total` word); keys that name two months are
        reported and dropped."""
        out = []
        for data, sources in sorted(self.sources.items()):
            months = collections.Counter(s[0] for s in sources)
            if len(months) > 1:
                report.append(f"dropped {data!r}: " + "; ".join(
                    sorted({f"{s[0]} {s[3]} {s[1]}" for s in sources})))
                continue
            month = sources[0][0]
            if all(b < 0x80 for b in data):
                code_page = "unknown"
            else:
                pages = {s[1] for s in sources}
                code_page = min(pages, key=PREFERENCE.index)
            text = next((s[2] for s in sources if s[1] == code_page), sources[0][2])
            origins = sorted({s[3] for s in sources})
            out.append((data, month, code_page, text, origins))
        return out


def month_keys(source, classic):
    keys = Keys()
    for locale, legacy in LOCALES:
        entries = source.lc_time(locale)
        for entry in MONTH_ENTRIES:
            names = entries.get(entry)
            if names is None:
                continue
            if len(names) != 12:
                raise SystemExit(f"{locale} {entry} has {len(names)} names")
            for month, name in enumerate(names, 1):
                key = as_key(name)
                language = locale.split("_")[0]
                for code_page, codec in [("utf8", "utf-8")] + legacy:
                    try:
                        data = key.encode(codec)
                    except UnicodeEncodeError:
                        continue
                    keys.add(data, month, code_page, key, language)
    for data, month, code_page, text in classic:
        keys.add(data, month, code_page, text, "classic")
    return keys


# `total` words that other `ls` versions print, beyond the catalogs' one
# word per language: (language, word).
OTHER_TOTAL_WORDS = [("de", "Gesamt")]


def add_total_words(keys, words):
    """The `total` words as keys of month 0, in UTF-8 and in the legacy code
    pages of the locales of their language."""
    legacy = collections.defaultdict(list)
    for locale, pages in LOCALES:
        for page in pages:
            if page not in legacy[locale.split("_")[0]]:
                legacy[locale.split("_")[0]].append(page)
    for language, word in list(words.items()) + OTHER_TOTAL_WORDS:
        for code_page, codec in [("utf8", "utf-8")] + legacy.get(language.split("_")[0], []):
            try:
                data = word.encode(codec)
            except UnicodeEncodeError:
                continue
            keys.add(data, 0, code_page, word, language)


def c_literal(data):
    """A C string literal of `data`, non-ASCII bytes as escapes."""
    out = '"'
    escaped = False
    for b in data:
        ch = chr(b)
        if b >= 0x80 or b < 0x20 or ch in '"\\':
            out += f"\\x{b:02X}"
            escaped = True
            continue
        if escaped and ch in "0123456789abcdefABCDEF":
            out += '" "'
        out += ch
        escaped = False
    return out + '"'


def comment_text(text, data, code_page):
    if all(b < 0x80 for b in data):
        return ""
    names = {"utf8": "UTF-8", "cp1250": "Windows-1250", "cp1251": "Windows-1251",
             "cp1252": "Windows-1252", "koi8r": "KOI8-R", "iso8859_2": "ISO-8859-2",
             "iso8859_5": "ISO-8859-5", "iso8859_7": "ISO-8859-7", "iso8859_9": "ISO-8859-9",
             "eucJp": "EUC-JP", "shiftJis": "Shift_JIS", "eucKr": "EUC-KR", "gbk": "GBK",
             "big5": "Big5"}
    return f"{text}, {names[code_page]}"


def table_text(keys, forms, command):
    lines = [
        "// Generated by tools/gen_month_names.py; do not edit. Regenerate with:",
        f"//   {command}",
        "// Keys sorted by their bytes: ASCII letters folded to small letters, no",
        "// padding, no final '.'. Month 1-12 for a month name (the comment gives",
        "// the letters, the code page and the languages it comes from), month 0",
        "// for a word of the `total` line. Keys of the classic dialect say how",
        "// (ClassicForm); src/parse/month_map_keys.inc lists them as it compares.",
        "// clang-format off",
        "",
        "inline constexpr MonthKey kMonthKeys[] = {",
    ]
    for data, month, code_page, text, origins in keys:
        note = comment_text(text, data, code_page)
        note = f"{note}; " if note else ""
        kind = "total: " if month == 0 else ""
        form = f", ClassicForm::{CLASSIC_FORMS[forms[data]]}" if data in forms else ""
        lines.append(f"    {{{c_literal(data)}, {month}, CodePage::{code_page}{form}}},"
                     f"  // {kind}{note}{' '.join(origins)}")
    lines += ["};", "", "// clang-format on", ""]
    return "\n".join(lines)


def classic_text(keys, forms, command):
    """The flagged keys of the whole table as the classic lookup compares
    them, grouped by month."""
    by_month = collections.defaultdict(list)
    for data, month, code_page, text, _ in keys:
        if data not in forms:
            continue
        by_month[month].append((data, code_page, text))
        if forms[data] == 2:
            by_month[month].append((data.upper(), code_page, text.upper()))
    lines = [
        f"// Generated by tools/gen_month_names.py from the one month table",
        "// (src/fields/month_names_table.inc, its keys flagged ClassicForm); do not",
        f"// edit. Regenerate with: {command}",
        "// The classic dialect's month keys, compared byte for byte, by month.",
        "// clang-format off",
        "",
        "inline constexpr ClassicMonthKey kClassicMonthKeys[] = {",
    ]
    for month in sorted(by_month):
        for data, code_page, text in by_month[month]:
            note = comment_text(text, data, code_page)
            note = f"  // {note}" if note else ""
            lines.append(f"    {{{c_literal(data)}, {month}}},{note}")
    lines += ["};", "", "// clang-format on", ""]
    return "\n".join(lines)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--locales", default="/usr/share/i18n/locales")
    parser.add_argument("--messages", default="/usr/share/locale")
    parser.add_argument("--output", default=os.path.join(root, "src/fields/month_names_table.inc"))
    parser.add_argument("--classic-output",
                        default=os.path.join(root, "src/parse/month_map_keys.inc"))
    parser.add_argument("--check", action="store_true",
                        help="compare with the output file instead of writing it: exit 1 when "
                             "it differs, 77 when the sources are missing")
    args = parser.parse_args()
    if args.check and not (os.path.isdir(args.locales) and len(total_words(args.messages)) > 1):
        print("SKIP: glibc's locale sources or the coreutils catalogs are missing")
        sys.exit(77)

    classic = classic_keys()
    forms = classic_forms(classic)
    report = []
    keys = month_keys(LocaleSource(args.locales), classic)
    add_total_words(keys, total_words(args.messages))
    keys = keys.resolve(report)
    kept = {k[0] for k in keys}
    for data in forms:
        if data not in kept:
            raise SystemExit(f"classic key {data!r} was dropped from the whole table")
    totals = sum(1 for k in keys if k[1] == 0)
    for line in report:
        print(line, file=sys.stderr)
    longest = max(len(k[0]) for k in keys)
    print(f"{len(keys) - totals} month keys, {totals} total words (longest key {longest} "
          f"bytes), {len(report)} dropped", file=sys.stderr)
    command = "tools/gen_month_names.py"
    outputs = [(args.output, table_text(keys, forms, command)),
               (args.classic_output, classic_text(keys, forms, command))]
    stale = False
    for path, text in outputs:
        if args.check:
            with open(path, encoding="utf-8") as f:
                if f.read() != text:
                    print(f"{path} is out of date: run {command}", file=sys.stderr)
                    stale = True
                    continue
            print(f"{path} is up to date")
            continue
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
    if stale:
        sys.exit(1)


if __name__ == "__main__":
    main()
