"""Runs ftpls against the misbehaving server of hostile_ftp_server.py.

usage: hostile_ftp_test.py FTPLS MODE WORKDIR [--sanitized]

Starts the server in MODE on 127.0.0.1, runs each check of CHECKS[MODE]
against it and stops the server by its process id. --sanitized: ftpls was
built with a sanitizer, which needs more address space than a memory limit
leaves (the checks under a limit are skipped). Exit status: 0 passed, 1
failed.
"""
import csv
import io
import json
import os
import re
import resource
import shutil
import stat
import subprocess
import sys

from live_ftp_test import stop_process

HERE = os.path.dirname(os.path.abspath(__file__))
# A bound against a hang of the test itself; no check is meant to come near it.
HANG = 60


class Server:
    def __init__(self, mode):
        self.process = subprocess.Popen(
            ["/usr/bin/python3", os.path.join(HERE, "hostile_ftp_server.py"), mode,
             "--lifetime", str(HANG * 3)], stdout=subprocess.PIPE, stdin=subprocess.DEVNULL)
        line = self.process.stdout.readline()
        if not line:
            raise AssertionError("the server did not start")
        self.url = f"ftp://127.0.0.1:{int(line)}/"

    def stop(self):
        stop_process(self.process)
        self.process.stdout.close()


class Run:
    """One ftpls run: its exit status, output and error output."""

    def __init__(self, ftpls, args, memory=None):
        limit = None
        if memory is not None:
            def limit():
                resource.setrlimit(resource.RLIMIT_AS, (memory, memory))
        done = subprocess.run([ftpls] + args, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              stdin=subprocess.DEVNULL, timeout=HANG, preexec_fn=limit)
        self.args, self.status = args, done.returncode
        self.out, self.err = done.stdout, done.stderr

    def expect(self, status, out=None, err=None):
        """`out` and `err`: regular expressions over bytes that the whole
        stream must match; None for `out`: anything."""
        failures = []
        if self.status != status:
            failures.append(f"exit status {self.status}, expected {status}")
        if out is not None and not re.fullmatch(out, self.out, re.S):
            failures.append(f"standard output {self.out[:300]!r} does not match {out!r}")
        if err is not None and not re.fullmatch(err, self.err, re.S):
            failures.append(f"standard error {self.err[:300]!r} does not match {err!r}")
        if failures:
            raise AssertionError(f"ftpls {' '.join(self.args)}: " + "; ".join(failures))


PLAIN = (b"-rw-r--r--   1 ann  users      1024 Jan 15  2002 report.txt\r\n"
         b"drwxr-xr-x   2 ann  users      4096 Jan 15  2002 pub\r\n"
         b"-rw-r--r--   1 ann  users         7 Jan 15  2002 name with spaces\r\n")
# What libcurl hands over of it: a listing is an ASCII transfer, its CR LF
# become LF.
RECEIVED = PLAIN.replace(b"\r\n", b"\n")


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)
    return path


def read(path):
    with open(path, "rb") as f:
        return f.read()


def expect_file(path, data, mode=None):
    if read(path) != data:
        raise AssertionError(f"{path} holds {read(path)[:100]!r}")
    if mode is not None and stat.S_IMODE(os.lstat(path).st_mode) != mode:
        raise AssertionError(f"{path} has mode {oct(os.lstat(path).st_mode)}")


def no_leftovers(folder, names):
    if sorted(os.listdir(folder)) != sorted(names):
        raise AssertionError(f"{folder} holds {sorted(os.listdir(folder))}")


def check_plain(ftpls, url, work, sanitized):
    """A server that refuses FEAT is listed with LIST."""
    Run(ftpls, [url]).expect(0, rb"- +1024 2002-01-15 +report.txt\nd .* pub\n- .* name with spaces\n",
                             b"")


def check_save_raw(ftpls, url, work, sanitized):
    """--save-raw replaces its file only after the fetch, mode 0600, never
    through a link, and gives each of several URLs a file of its own."""
    folder = os.path.join(work, "save-raw")
    os.makedirs(folder)
    raw = write(os.path.join(folder, "raw.txt"), b"old")
    os.chmod(raw, 0o644)
    Run(ftpls, ["--count", f"--save-raw={raw}", url]).expect(0, b"3\n", b"")
    expect_file(raw, RECEIVED, 0o600)

    victim = write(os.path.join(folder, "victim"), b"precious")
    link = os.path.join(folder, "link")
    os.symlink(victim, link)
    Run(ftpls, ["--count", f"--save-raw={link}", url]).expect(0, b"3\n", b"")
    expect_file(victim, b"precious")
    if os.path.islink(link):
        raise AssertionError("the link was followed, not replaced")
    expect_file(link, RECEIVED, 0o600)

    several = os.path.join(folder, "several")
    Run(ftpls, ["--count", f"--save-raw={several}", url, url]).expect(0, b"6\n", b"")
    expect_file(several + ".1", RECEIVED)
    expect_file(several + ".2", RECEIVED)

    listing = write(os.path.join(folder, "listing.txt"), PLAIN)
    alias = os.path.join(folder, "alias")
    os.symlink(listing, alias)
    Run(ftpls, [f"--save-raw={alias}", listing, url]).expect(
        2, b"", re.escape(f"ftpls: --save-raw={alias} is also an input\n".encode()) + b".*")
    no_leftovers(folder, ["raw.txt", "victim", "link", "several.1", "several.2", "listing.txt",
                          "alias"])


def check_huge(ftpls, url, work, sanitized):
    Run(ftpls, ["--count", url]).expect(0, b"300000\n", b"")


def refused(url, reply):
    """The message of a listing refused with `reply`."""
    return re.escape(f"ftpls: {url}: ".encode()) + reply + b"\n"


def check_450(ftpls, url, work, sanitized):
    """A temporary failure is no empty folder, and a failure prints nothing."""
    for form in ("--json", "--csv", "--count", "--list"):
        Run(ftpls, [form, url]).expect(1, b"", refused(url, b"450 try again later"))


def check_550(ftpls, url, work, sanitized):
    """A failed fetch leaves an old --save-raw file as it was."""
    folder = os.path.join(work, "save-raw")
    os.makedirs(folder)
    raw = write(os.path.join(folder, "raw.txt"), b"old")
    Run(ftpls, ["--count", f"--save-raw={raw}", url]).expect(
        1, b"", refused(url, b"550 no such folder"))
    expect_file(raw, b"old")
    no_leftovers(folder, ["raw.txt"])


def check_idle(ftpls, url, work, sanitized):
    """A silent server is given up after --idle-timeout."""
    Run(ftpls, ["--idle-timeout=0.5", url]).expect(
        1, b"", refused(url, rb"the server sent nothing for 0\.5 s \(--idle-timeout\)"))


def check_cut_off(ftpls, url, work, sanitized):
    """A listing cut off after its first lines: CSV and JSON keep the
    entries written before the failure, the JSON array closed; the table,
    --count and a sorted order print nothing of it."""
    reason = refused(url, rb"the server sent nothing for 0\.5 s \(--idle-timeout\)")
    data = Run(ftpls, ["--json", "--idle-timeout=0.5", url])
    data.expect(1, None, reason)
    names = ["report.txt", "pub", "name with spaces"]  # whole lines of a plain Unix listing
    if [e["name"] for e in json.loads(data.out or b"null") or []] != names:
        raise AssertionError(f"JSON of the cut-off listing: {data.out!r}")
    rows = Run(ftpls, ["--csv", "--idle-timeout=0.5", url])
    rows.expect(1, None, reason)
    if csv_names(rows.out) != [name.encode() for name in names]:
        raise AssertionError(f"CSV of the cut-off listing: {rows.out!r}")
    for form in (["--count"], ["--json", "--sort=name"], ["-l"]):
        Run(ftpls, form + ["--idle-timeout=0.5", url]).expect(1, b"", reason)


def check_max_time(ftpls, url, work, sanitized):
    """A server that keeps sending is bounded by --max-time alone."""
    Run(ftpls, ["--max-time=1", "--idle-timeout=30", url]).expect(
        1, b"", refused(url, rb"no answer within --max-time=1 s"))


def check_trickle_data(ftpls, url, work, sanitized):
    Run(ftpls, ["--idle-timeout=3", "--count", url]).expect(0, b"15\n", b"")
    check_max_time(ftpls, url, work, sanitized)


def check_whole_run(ftpls, url, work, sanitized):
    """--max-time bounds FEAT and the listing together (0.7 s each)."""
    Run(ftpls, ["--max-time=1.0", url]).expect(
        1, b"", refused(url, rb"no answer within --max-time=1 s"))
    Run(ftpls, ["--max-time=30", "--count", url]).expect(0, b"3\n", b"")


def check_endless_line(ftpls, url, work, sanitized):
    """A line that never ends is cut at the line limit and read past: memory
    stays small while the server goes on sending, and --max-time ends it."""
    memory = None if sanitized else 256 << 20
    Run(ftpls, ["--count", "--max-time=3", url], memory=memory).expect(
        1, b"", refused(url, rb"no answer within --max-time=3 s"))


def no_controls(text):
    """True when `text` holds no control byte but line ends."""
    return not re.search(rb"[\x00-\x09\x0b-\x1f\x7f]", text)


def check_reply_escapes(ftpls, url, work, sanitized):
    """Server replies, URLs and file names reach the terminal escaped."""
    Run(ftpls, ["--list", url]).expect(
        1, b"", refused(url, re.escape(rb"550 \x1b]52;c;ZXZpbA==\x07\x1b[2J\x08\x08gone")))
    for argument in (url + "\x1b[2J\x07/", "no-such-file\x1b]0;x\x07\x08"):
        run = Run(ftpls, [argument])
        run.expect(1, b"")
        if not no_controls(run.err) or b"\\x1b" not in run.err:
            raise AssertionError(f"a message carries control characters: {run.err!r}")


HOSTILE_NAMES = [name.encode("utf-8", "surrogateescape") for name in (
    '=HYPERLINK("http://127.0.0.1/","x")', "+1+1", "-2+3", "@SUM(A1)", "\ttab-first",
    "report\u202etxt.exe", "iso\u2066late\u2069", "zero\u200bwidth\ufeff",
    "line\u2028sep", "clear\x1b[2J\x08\x08", "csi\u009b31m")]
# In UTF-8: what a display reorders or hides, and the C1 controls.
DECEPTIVE = re.compile(b"\xe2\x80[\x8b-\x8f\xa8-\xae]|\xe2\x81[\xa6-\xa9]|\xef\xbb\xbf|\xc2[\x80-\x9f]")


def csv_names(text):
    return [row[0].encode("latin-1") for row in
            list(csv.reader(io.StringIO(text.decode("latin-1"), newline="")))[1:]]


def check_hostile_names(ftpls, url, work, sanitized):
    """The table escapes what would fool a terminal, CSV what a spreadsheet
    would run, JSON what a display would hide; --csv-raw keeps the bytes."""
    table = Run(ftpls, ["--skipped", url])
    table.expect(0, None, rb"ftpls: .*:12: not-a-listing-line: garbage \\x1b\]0;title\\x07 line\n".replace(
        rb"ftpls: .*", re.escape(url.encode())))
    for shown in (rb"report\u202etxt.exe", rb"iso\u2066late\u2069", rb"zero\u200bwidth\ufeff",
                  rb"line\u2028sep", rb"clear\x1b[2J\x08\x08", rb"csi\x9b31m"):
        if shown not in table.out:
            raise AssertionError(f"the table lacks {shown!r}: {table.out!r}")
    if not no_controls(table.out) or DECEPTIVE.search(table.out):
        raise AssertionError(f"the table passes a control or deceptive character: {table.out!r}")

    neutral = Run(ftpls, ["--csv", url])
    neutral.expect(0, None, b"")
    want = [b"'" + n if n[:1] in (b"=", b"+", b"-", b"@", b"\t", b"\r") else n
            for n in HOSTILE_NAMES]
    if csv_names(neutral.out) != want:
        raise AssertionError(f"CSV names {csv_names(neutral.out)!r}")
    raw = Run(ftpls, ["--csv", "--csv-raw", url])
    raw.expect(0, None, b"")
    if csv_names(raw.out) != HOSTILE_NAMES:
        raise AssertionError(f"--csv-raw names {csv_names(raw.out)!r}")

    data = Run(ftpls, ["--json", url])
    data.expect(0, None, b"")
    if DECEPTIVE.search(data.out):
        raise AssertionError(f"JSON passes a deceptive character raw: {data.out!r}")
    names = [e["name"].encode("utf-8", "surrogateescape") for e in json.loads(data.out)]
    if names != HOSTILE_NAMES:
        raise AssertionError(f"JSON names {names!r}")


CHECKS = {
    "plain": [check_plain, check_save_raw],
    "reply-escapes": [check_reply_escapes],
    "hostile-names": [check_hostile_names],
    "list-450": [check_450],
    "list-550": [check_550],
    "stall-control": [check_idle],
    "trickle-control": [check_max_time],
    "stall-data": [check_idle, check_cut_off],
    "trickle-data": [check_trickle_data],
    "slow-feat-list": [check_whole_run],
    "endless-line": [check_endless_line],
    "huge-listing": [check_huge],
}


def main():
    ftpls, mode, work = sys.argv[1:4]
    sanitized = "--sanitized" in sys.argv[4:]
    work = os.path.abspath(work)
    if os.path.isdir(work):
        shutil.rmtree(work)
    os.makedirs(work)
    server = Server(mode)
    failures = []
    try:
        for check in CHECKS[mode]:
            try:
                check(ftpls, server.url, work, sanitized)
            except (AssertionError, subprocess.TimeoutExpired) as error:
                failures.append(f"{check.__name__}: {error}")
    finally:
        server.stop()
    for line in failures:
        print("FAIL:", line)
    print(f"{mode}: {len(CHECKS[mode]) - len(failures)} of {len(CHECKS[mode])} checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
