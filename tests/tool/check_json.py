"""Checks ftpls --json against ftpls --csv for one listing.

The JSON must parse with a strict parser; decoding each text with the
surrogate-escape rule must give back exactly the bytes the CSV output
carries unchanged, and every other field (those of the extended output
included) must agree.

usage: check_json.py FTPLS LISTING
"""
import csv
import io
import json
import subprocess
import sys

TODAY = "--today=2024-06-15"


def run(*args):
    return subprocess.run(args, check=True, stdout=subprocess.PIPE).stdout


def main():
    ftpls, listing = sys.argv[1], sys.argv[2]
    entries = json.loads(run(ftpls, "--json", TODAY, listing).decode("utf-8"))
    # CSV bytes pass through unchanged; latin-1 maps each byte to one letter.
    text = run(ftpls, "--csv", "--csv-raw", TODAY, listing).decode("latin-1")
    rows = list(csv.DictReader(io.StringIO(text, newline="")))
    assert len(entries) == len(rows), (len(entries), len(rows))
    assert len(rows) > 0, "no entries"
    for entry, row in zip(entries, rows):
        for key in ("name", "attributes", "target", "owner", "group"):
            raw = entry[key].encode("utf-8", "surrogateescape")
            assert raw == row[key].encode("latin-1"), (key, raw, row[key])
        assert entry["size"] == int(row["size"]), entry
        for key in ("isDir", "isLink"):
            assert entry[key] is (row[key] == "1"), entry
        for key in ("year", "month", "day", "hour", "minute", "second"):
            want = None if row[key] == "" else int(row[key])
            assert entry[key] == want, (key, entry)
        assert entry["format"] == row["format"], entry
        assert entry["modified"] == (row["modified"] or None), entry
    print(f"{listing}: {len(entries)} entries agree")


if __name__ == "__main__":
    main()
