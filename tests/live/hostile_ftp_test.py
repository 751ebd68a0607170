"""Runs ftpls against the misbehaving server of hostile_ftp_server.py.

usage: hostile_ftp_test.py FTPLS MODE WORKDIR [--sanitized]

Starts the server in MODE on 127.0.0.1, runs each check of CHECKS[MODE]
against it and stops the server by its process id. --sanitized: ftpls was
built with a sanitizer, which needs more address space than a memory limit
leaves (the checks under a limit are skipped). Exit status: 0 passed, 1
failed.
"""
import os
import re
import resource
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


def check_plain(ftpls, url, work, sanitized):
    """A server that refuses FEAT is listed with LIST."""
    Run(ftpls, [url]).expect(0, rb"- +1024 2002-01-15 +report.txt\nd .* pub\n- .* name with spaces\n",
                             b"")


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
    Run(ftpls, ["--count", url]).expect(1, b"", refused(url, b"550 no such folder"))


def check_idle(ftpls, url, work, sanitized):
    """A silent server is given up after --idle-timeout."""
    Run(ftpls, ["--idle-timeout=0.5", url]).expect(
        1, b"", refused(url, rb"the server sent nothing for 0\.5 s \(--idle-timeout\)"))


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


def check_out_of_memory(ftpls, url, work, sanitized):
    """Memory runs out in the middle of the reply: a message, no crash."""
    if sanitized:
        print("note: the memory limit is left out under a sanitizer")
        return
    Run(ftpls, ["--count", url], memory=768 << 20).expect(1, b"", refused(url, b"out of memory"))


CHECKS = {
    "plain": [check_plain],
    "list-450": [check_450],
    "list-550": [check_550],
    "stall-control": [check_idle],
    "trickle-control": [check_max_time],
    "stall-data": [check_idle],
    "trickle-data": [check_trickle_data],
    "slow-feat-list": [check_whole_run],
    "endless-line": [check_out_of_memory],
    "huge-listing": [check_huge],
}


def main():
    ftpls, mode, work = sys.argv[1:4]
    sanitized = "--sanitized" in sys.argv[4:]
    work = os.path.abspath(work)
    os.makedirs(work, exist_ok=True)
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
