"""Lists a tree through a real FTP server with ftpls and checks every entry
against os.lstat.

usage: live_ftp_test.py SERVER FTPLS WORKDIR PACKAGES

SERVER is vsftpd, proftpd, pure-ftpd, pyftpdlib, twisted or gridftp. The test makes a tree
under WORKDIR, starts the server on 127.0.0.1 on a free port with a
throwaway configuration, runs `ftpls URL --json` with LIST and, when the
server offers it, MLSD, and compares name, type, size and modification time
up to what each format tells. The raw replies are kept in WORKDIR. A server
binary is looked for on the system, then under PACKAGES (where
.ci/live-servers.sh unpacks the Debian packages that cannot be installed
beside another FTP server).

Exit status: 0 passed, 77 skipped (the server cannot start; the reason is
printed; 1 instead when LIVE_REQUIRE_ALL is set), 1 failed. Every server
started is stopped by its process id. LIVE_SAVE_DATA=FOLDER copies the raw
replies and what the tree held into FOLDER (tests/data/servers).
"""
import datetime
import ftplib
import json
import os
import re
import shutil
import socket
import stat
import subprocess
import sys
import time

import live_tree

SKIP = 77

class Skip(Exception):
    pass


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def stop_process(process):
    """Stops `process` by its id: politely, then for sure."""
    if process.poll() is not None:
        return
    process.terminate()
    try:
        process.wait(timeout=5)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


def find_binary(name, packages):
    for folder in ("/usr/sbin", "/usr/bin"):
        path = os.path.join(folder, name)
        if os.access(path, os.X_OK):
            return path
    for folder in ("usr/sbin", "usr/bin"):
        path = os.path.join(packages, "root", folder, name)
        if os.access(path, os.X_OK):
            return path
    raise Skip(f"{name} is not installed (.ci/live-servers.sh installs or unpacks it)")


def write(path, text):
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    return path


class Server:
    """One server process over `root`; `url` lists the root."""

    def __init__(self, name, work, packages, root):
        self.name, self.work, self.packages, self.root = name, work, packages, root
        self.port = free_port()
        self.user = None
        self.process = None
        self.log = os.path.join(work, "server.log")

    def command(self):
        return getattr(self, "_" + self.name.replace("-", "_"))()

    @staticmethod
    def _need_debian_module(module, package):
        """Skips unless Debian's own interpreter imports `module`."""
        try:
            subprocess.run(["/usr/bin/python3", "-c", f"import {module}"], check=True,
                           stderr=subprocess.DEVNULL)
        except (OSError, subprocess.CalledProcessError):
            raise Skip(f"Debian's {package} is not installed")

    def _pyftpdlib(self):
        self._need_debian_module("pyftpdlib", "python3-pyftpdlib")
        return ["/usr/bin/python3", "-m", "pyftpdlib", "-i", "127.0.0.1", "-p", str(self.port),
                "-d", self.root]

    def _twisted(self):
        self._need_debian_module("twisted.protocols.ftp", "python3-twisted")
        script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "twisted_server.py")
        return ["/usr/bin/python3", script, str(self.port), self.root]

    def _gridftp(self):  # Debian globus-gridftp-server-progs
        # Anonymous and read-only by default; it forks a process per session,
        # which ends with the session.
        binary = find_binary("globus-gridftp-server", self.packages)
        return [binary, "-p", str(self.port), "-control-interface", "127.0.0.1",
                "-data-interface", "127.0.0.1", "-aa", "-anonymous-user", "nobody",
                "-anonymous-group", "nogroup", "-home-dir", self.root, "-logfile", self.log]

    def _vsftpd(self):
        binary = find_binary("vsftpd", self.packages)
        empty = os.path.join(self.work, "empty")
        os.makedirs(empty, exist_ok=True)
        os.chmod(empty, 0o555)
        config = write(os.path.join(self.work, "vsftpd.conf"), "\n".join([
            "listen=YES", "listen_ipv6=NO", "listen_address=127.0.0.1",
            f"listen_port={self.port}", "background=NO", "anonymous_enable=YES",
            "no_anon_password=YES", f"anon_root={self.root}", "local_enable=NO",
            "write_enable=NO", "ftp_username=ftp", "nopriv_user=nobody",
            f"secure_chroot_dir={empty}", "seccomp_sandbox=NO", "isolate=NO",
            "isolate_network=NO", "use_localtime=NO", "xferlog_enable=NO",
            f"vsftpd_log_file={self.log}", "pasv_enable=YES", "pasv_address=127.0.0.1", ""]))
        os.chmod(config, 0o600)
        return [binary, config]

    def _proftpd(self):
        binary = find_binary("proftpd", self.packages)
        config = write(os.path.join(self.work, "proftpd.conf"), "\n".join([
            'ServerName "live test"', "ServerType standalone", "DefaultServer on",
            f"Port {self.port}", "DefaultAddress 127.0.0.1", "SocketBindTight on",
            "UseIPv6 off", "User nobody", "Group nogroup", "UseReverseDNS off",
            "WtmpLog off", "DelayTable none", "TimesGMT on",
            f"ScoreboardFile {self.work}/proftpd.scoreboard",
            f"PidFile {self.work}/proftpd.pid", f"SystemLog {self.log}",
            "TransferLog none", "RequireValidShell off", "AuthOrder mod_auth_unix.c",
            f"<Anonymous {self.root}>", "  User nobody", "  Group nogroup",
            "  UserAlias anonymous nobody", "  RequireValidShell off", "  UseFtpUsers off",
            "  <Limit WRITE>", "    DenyAll", "  </Limit>", "</Anonymous>", ""]))
        return [binary, "--nodaemon", "--config", config]

    def _pure_ftpd(self):
        binary = find_binary("pure-ftpd", self.packages)
        pure_pw = find_binary("pure-pw", self.packages)
        passwd = os.path.join(self.work, "pureftpd.passwd")
        database = os.path.join(self.work, "pureftpd.pdb")
        for path in (passwd, database):
            if os.path.exists(path):
                os.remove(path)
        subprocess.run([pure_pw, "useradd", "live", "-u", "nobody", "-g", "nogroup", "-d",
                        self.root, "-f", passwd, "-m", "-F", database],
                       input=b"live-password\nlive-password\n", check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.user = "live:live-password"
        # -L raises the per-listing limit (2,000 files by default) past the
        # tree's 2,000-file folder.
        return [binary, "-S", f"127.0.0.1,{self.port}", "-l", f"puredb:{database}", "-E", "-A",
                "-H", "-L", "100000:8", "-p", "40000:50000", "-4"]

    def start(self):
        command = self.command()
        env = dict(os.environ, TZ="UTC")
        log = open(self.log, "ab")
        self.process = subprocess.Popen(command, stdout=log, stderr=subprocess.STDOUT,
                                        stdin=subprocess.DEVNULL, env=env)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            if self.process.poll() is not None:
                raise Skip(f"{self.name} exited with status {self.process.returncode}: "
                           + self.tail())
            try:
                self.answer()
                return
            except OSError:
                time.sleep(0.1)
        raise Skip(f"{self.name} did not answer on 127.0.0.1:{self.port}: " + self.tail())

    def answer(self):
        """Returns once the server greets; OSError while it cannot."""
        with ftplib.FTP() as ftp:
            ftp.connect("127.0.0.1", self.port, timeout=2)

    def tail(self):
        try:
            with open(self.log, "rb") as f:
                return f.read().decode("utf-8", "replace").strip()[-600:]
        except OSError:
            return ""

    def stop(self):
        if self.process is not None:
            stop_process(self.process)

    def url(self, path="", netrc=False):
        """The URL of `path`; with `netrc`, without the user, which then comes
        from the .netrc in `home`."""
        user = f"{self.user}@" if self.user and not netrc else ""
        return f"ftp://{user}127.0.0.1:{self.port}/{path}"

    def offers_mlsd(self):
        # Some servers take seconds to log a user in (Pure-FTPd about four
        # here), more on a loaded machine.
        with ftplib.FTP() as ftp:
            ftp.connect("127.0.0.1", self.port, timeout=30)
            if self.user:
                name, password = self.user.split(":")
                ftp.login(name, password)
            else:
                ftp.login()
            return any(line.strip().upper().startswith(("MLST", "MLSD"))
                       for line in ftp.sendcmd("FEAT").splitlines()[1:])


def run_ftpls(ftpls, url, command, raw, today, home=None):
    args = [ftpls, "--json", "--skipped", f"--{command.lower()}", f"--save-raw={raw}",
            f"--today={today}", "--max-time=60", url]
    env = dict(os.environ, TZ="UTC")
    if home:
        env["HOME"] = home
    done = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
    if done.returncode != 0:
        raise AssertionError(f"ftpls {command} failed ({done.returncode}): "
                             + done.stderr.decode("utf-8", "replace"))
    skipped = done.stderr.decode("utf-8", "replace").splitlines()
    return json.loads(done.stdout.decode("utf-8")), skipped


def netrc_home(work, server):
    """A home folder whose .netrc holds the server's user, or None."""
    if not server.user:
        return None
    home = os.path.join(work, "home")
    os.makedirs(home, exist_ok=True)
    name, password = server.user.split(":")
    path = write(os.path.join(home, ".netrc"),
                 f"machine 127.0.0.1 login {name} password {password}\n")
    os.chmod(path, 0o600)
    return home


def check_error(ftpls, server):
    """A folder that does not exist: exit 1, no table, and the server's reply
    in 'ftpls: URL: reason' with the password left out."""
    url = server.url("no-such-folder/")
    done = subprocess.run([ftpls, "--max-time=60", url], stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE)
    err = done.stderr.decode("utf-8", "replace")
    shown = url.replace(":live-password@", "@")
    failures = []
    if done.returncode != 1 or done.stdout:
        failures.append(f"missing folder: exit {done.returncode}, output {done.stdout[:80]!r}")
    if not re.fullmatch(re.escape(f"ftpls: {shown}: ") + r"[45]\d\d [^\n]+\n", err):
        failures.append(f"missing folder: message {err!r}")
    if "live-password" in err:
        failures.append("the password was shown")
    return failures


def save(folder, server, command, raw, expected, today):
    """Copies a raw reply and what the tree held into `folder` (the checked-in
    regression data: LIVE_SAVE_DATA=tests/data/servers ctest -L live)."""
    shutil.copyfile(raw, os.path.join(folder, f"{server}-{command}.txt"))
    with open(os.path.join(folder, f"{server}.json"), "w", encoding="utf-8") as f:
        json.dump({"today": today, "entries": expected}, f, indent=1, sort_keys=True,
                  ensure_ascii=False)
        f.write("\n")


def main():
    name, ftpls, work, packages = sys.argv[1:5]
    work = os.path.abspath(work)
    if os.path.isdir(work):
        shutil.rmtree(work)
    os.makedirs(work)
    os.environ["TZ"] = "UTC"
    time.tzset()
    root = os.path.join(work, "tree")
    live_tree.make(root)
    for entry in live_tree.UNLISTABLE.get(name, {}):
        os.remove(os.path.join(root, entry))
    expected = live_tree.describe(root)
    many = live_tree.describe(os.path.join(root, live_tree.MANY))
    server = Server(name, work, packages, root)
    today = datetime.datetime.now(datetime.timezone.utc).date().isoformat()
    failures, notes = [], []
    commands = []
    try:
        server.start()
        commands = ["LIST"] + (["MLSD"] if server.offers_mlsd() else [])
        for command in commands:
            raw = os.path.join(work, f"{command}.txt")
            entries, skipped = run_ftpls(ftpls, server.url(), command, raw, today)
            f, n = live_tree.check(entries, expected, name, command, today)
            failures += f
            notes += n + [f"{command}: skipped line: {line}" for line in skipped[:3]]
            if len(skipped) > 3:
                notes.append(f"{command}: {len(skipped) - 3} more lines skipped")
            # The folder of 2,000 files; a server with a user name takes it
            # from ~/.netrc here.
            entries, _ = run_ftpls(ftpls, server.url(live_tree.MANY + "/", netrc=True), command,
                                   os.path.join(work, f"{command}-many.txt"), today,
                                   home=netrc_home(work, server))
            f, _ = live_tree.check(entries, many, name, command, today)
            failures += [f"{live_tree.MANY}/: {x}" for x in f]
            if os.environ.get("LIVE_SAVE_DATA"):
                save(os.environ["LIVE_SAVE_DATA"], name, command, raw, expected, today)
        failures += check_error(ftpls, server)
    except Skip as reason:
        print(f"SKIPPED: {reason}")
        # CI installs every server: there a skip is a failure.
        return 1 if os.environ.get("LIVE_REQUIRE_ALL") else SKIP
    except (AssertionError, *ftplib.all_errors) as error:
        failures.append(str(error))
    finally:
        server.stop()
    print(f"{name} on 127.0.0.1:{server.port}")
    for line in notes:
        print("note:", line)
    for line in failures:
        print("FAIL:", line)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
