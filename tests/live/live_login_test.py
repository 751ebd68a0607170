"""ftpls's logins and TLS against real servers on 127.0.0.1.

usage: live_login_test.py MODE FTPLS WORKDIR PACKAGES

MODE login: a pyftpdlib server that admits one user and no anonymous login;
checks the netrc rules (a password only with its own login, 'default' only
when no user is named, a file others may read refused), --user with
FTPLS_PASSWORD and with the prompt on a terminal, passwords in URLs, and
that no password ever appears in what ftpls prints (--verbose included).

MODE tls: vsftpd with explicit TLS and a self-signed certificate that the
test makes with openssl: listed with --cacert, SSL_CERT_FILE and
CURL_CA_BUNDLE, refused without them, --insecure with its warning; and
--ssl against a server without TLS.

Exit status: 0 passed, 77 skipped (a server cannot start; 1 instead when
LIVE_REQUIRE_ALL is set), 1 failed. Servers are stopped by process id.
"""
import os
import pty
import re
import select
import shutil
import socket
import subprocess
import sys
import time

import live_ftp_test
from live_ftp_test import SKIP, Skip, write

USER = "ann"
PASSWORD = "pa/ss w0rd"
ENCODED = "pa%2Fss%20w0rd"
SECRETS = ("pa/ss", "w0rd", "pa%2Fss")
FILES = ("a.txt", "b.txt", "c.txt")
CLEAN_ENV = ("FTPLS_PASSWORD", "SSL_CERT_FILE", "SSL_CERT_DIR", "CURL_CA_BUNDLE", "NETRC")


class Started(live_ftp_test.Server):
    """A server started by `command(port)`, stopped by its process id."""

    def __init__(self, name, work, command):
        super().__init__(name, work, "", work)
        self._command = command

    def command(self):
        return self._command(self.port)


def make_root(work):
    root = os.path.join(work, "root")
    os.makedirs(root)
    for name in FILES:
        write(os.path.join(root, name), name)
    return root


def run(ftpls, args, home, env=None):
    """Runs ftpls without a terminal (a session of its own), with HOME=home."""
    full = {k: v for k, v in os.environ.items() if k not in CLEAN_ENV}
    full.update(HOME=home, **(env or {}))
    done = subprocess.run([ftpls, "--max-time=30", *args], stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=full,
                          start_new_session=True, timeout=90)
    return done.returncode, done.stdout.decode("utf-8", "replace"), \
        done.stderr.decode("utf-8", "replace")


def check(why, result, rc, out, err, failures):
    got_rc, got_out, got_err = result
    problems = []
    if got_rc != rc:
        problems.append(f"exit {got_rc}, expected {rc}")
    if not re.search(out, got_out):
        problems.append(f"output {got_out[:200]!r} does not match {out!r}")
    if not re.search(err, got_err, re.S):
        problems.append(f"message {got_err[:600]!r} does not match {err!r}")
    for secret in SECRETS:
        if secret in got_out or secret in got_err:
            problems.append(f"the password ({secret!r}) was shown")
    failures += [f"{why}: {p}" for p in problems]


def home_with_netrc(work, name, text, mode=0o600):
    home = os.path.join(work, "homes", name)
    os.makedirs(home)
    if text is not None:
        os.chmod(write(os.path.join(home, ".netrc"), text), mode)
    return home


def login_cases(port):
    host = f"127.0.0.1:{port}"
    url = f"ftp://{host}/"
    mine = f'machine 127.0.0.1 login {USER} password "{PASSWORD}"\n'
    count = f"^{len(FILES)}\n$"
    no_password = r"no password for (ann|bob) \(set FTPLS_PASSWORD"
    # why, netrc text, its mode, arguments, environment, exit, output, message
    return [
        ("netrc entry of the host, URL without user", mine, 0o600, [url], {}, 0, count, "^$"),
        ("netrc entry found with the URL's own user", mine, 0o600, [f"ftp://{USER}@{host}/"],
         {}, 0, count, "^$"),
        ("netrc password never sent with another login", mine, 0o600,
         [f"ftp://bob@{host}/"], {}, 1, "^$", no_password),
        ("'default' never applies to a named user",
         f'default login {USER} password "{PASSWORD}"\n', 0o600, [f"ftp://{USER}@{host}/"], {},
         1, "^$", no_password),
        ("'default' applies when no user is named",
         f'machine other.example login x password y\ndefault login {USER} password "{PASSWORD}"\n',
         0o600, [url], {}, 0, count, "^$"),
        ("a netrc file others may read is refused", mine, 0o644, [url], {}, 1, "^$",
         r"\.netrc: holds a password but others may read it; not used \(chmod 600"),
        ("--no-netrc: anonymous, which this server refuses", mine, 0o600, ["--no-netrc", url],
         {}, 1, "^$", r": 530 "),
        ("--netrc-file names the file", None, 0o600, ["--netrc-file=NETRC", url], {}, 0, count,
         "^$"),
        ("--netrc-file that does not exist", None, 0o600, ["--netrc-file=no-such-netrc", url],
         {}, 1, "^$", "no-such-netrc: No such file or directory"),
        ("--user with FTPLS_PASSWORD", None, 0o600, [f"--user={USER}", url],
         {"FTPLS_PASSWORD": PASSWORD}, 0, count, "^$"),
        ("--user without a password and without a terminal", None, 0o600, [f"--user={USER}", url],
         {}, 1, "^$", no_password),
        ("an encoded password in the URL", None, 0o600, [f"ftp://{USER}:{ENCODED}@{host}/"], {},
         0, count, "^$"),
        ("a raw '/' in the URL's password is refused, never shown", None, 0o600,
         [f"ftp://{USER}:{PASSWORD.replace(' ', '%20')}@{host}/"], {}, 1, "^$",
         re.escape(f"ftpls: ftp://{USER}@{host}/: the password holds a raw '/'")),
        ("a wrong password: the server's reply, the password cut out", None, 0o600,
         [f"ftp://{USER}:w0rd-pa%2Fss@{host}/"], {}, 1, "^$",
         re.escape(f"ftpls: ftp://{USER}@{host}/: 530 ")),
        ("--verbose shows the exchange, the password masked", mine, 0o600, ["--verbose", url], {},
         0, count, r"> USER ann\n< 331 [^\n]*\n> PASS \*\*\*\*\n< 230 .*> (MLSD|LIST)\n"),
    ]


def prompt_case(ftpls, url, home):
    """--user on a terminal: ftpls asks for the password without echo."""
    pid, fd = pty.fork()
    if pid == 0:
        env = {k: v for k, v in os.environ.items() if k not in CLEAN_ENV}
        env["HOME"] = home
        os.execve(ftpls, [ftpls, "--max-time=30", "--count", f"--user={USER}", url], env)
    seen, typed = b"", False
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline:
        ready, _, _ = select.select([fd], [], [], 1)
        if not ready:
            continue
        try:
            chunk = os.read(fd, 4096)
        except OSError:
            break
        if not chunk:
            break
        seen += chunk
        if not typed and b"Password for ann@127.0.0.1: " in seen:
            os.write(fd, PASSWORD.encode() + b"\n")
            typed = True
    _, status = os.waitpid(pid, 0)
    os.close(fd)
    text = seen.decode("utf-8", "replace")
    failures = []
    if not typed:
        failures.append(f"no prompt on the terminal: {text!r}")
    if os.waitstatus_to_exitcode(status) != 0 or not re.search(rf"\n{len(FILES)}\r?\n", text):
        failures.append(f"prompt: exit {os.waitstatus_to_exitcode(status)}, terminal {text!r}")
    if any(s in text for s in SECRETS):
        failures.append("prompt: the password was echoed")
    return failures


def login_mode(ftpls, work, packages):
    try:
        subprocess.run(["/usr/bin/python3", "-c", "import pyftpdlib"], check=True,
                       stderr=subprocess.DEVNULL)
    except (OSError, subprocess.CalledProcessError):
        raise Skip("Debian's python3-pyftpdlib is not installed")
    root = make_root(work)
    script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "login_server.py")
    server = Started("pyftpdlib", work, lambda port: ["/usr/bin/python3", script, str(port),
                                                      root, USER, PASSWORD])
    failures = []
    try:
        server.start()
        port = server.port
        netrc_file = write(os.path.join(work, "netrc"),
                           f'machine 127.0.0.1 login {USER} password "{PASSWORD}"\n')
        os.chmod(netrc_file, 0o600)
        for i, (why, netrc, mode, args, env, rc, out, err) in enumerate(login_cases(port)):
            home = home_with_netrc(work, str(i), netrc, mode)
            args = [a.replace("=NETRC", "=" + netrc_file) for a in args]
            check(why, run(ftpls, ["--count", *args], home, env), rc, out, err, failures)
        failures += prompt_case(ftpls, f"ftp://127.0.0.1:{port}/",
                                home_with_netrc(work, "prompt", None))
    finally:
        server.stop()
    return failures


class Vsftpd(live_ftp_test.Server):
    """vsftpd over `root` as the live tests configure it, with `extra` lines."""

    def __init__(self, work, packages, root, extra):
        os.makedirs(work)
        super().__init__("vsftpd", work, packages, root)
        self.extra = extra

    def command(self):
        command = self._vsftpd()
        with open(command[1], "a", encoding="utf-8") as config:
            config.write("".join(line + "\n" for line in self.extra))
        return command

    def answer(self):
        if "implicit_ssl=YES" not in self.extra:
            return super().answer()
        # TLS from the first byte: a TCP connection that is accepted will do.
        socket.create_connection(("127.0.0.1", self.port), timeout=2).close()


def make_certificate(work):
    """A self-signed certificate for 127.0.0.1, and a folder holding it hashed."""
    cert, key = os.path.join(work, "cert.pem"), os.path.join(work, "key.pem")
    if not shutil.which("openssl"):
        raise Skip("openssl is not installed")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                    "-out", cert, "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
                    "subjectAltName=IP:127.0.0.1"], check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    folder = os.path.join(work, "certs")
    os.makedirs(folder)
    shutil.copy(cert, folder)
    subprocess.run(["openssl", "rehash", folder], check=True)
    return cert, key, folder


def tls_cases(explicit, implicit, plain, cert, folder):
    count = f"^{len(FILES)}\n$"
    url = f"ftp://127.0.0.1:{explicit}/"
    refused = r"certificate.*\(--cacert=FILE names the certificates to trust\)"
    # why, arguments, environment, exit, output, message
    return [
        ("--ssl with --cacert", ["--ssl", f"--cacert={cert}", url], {}, 0, count, "^$"),
        ("--ssl without the certificate is refused", ["--ssl", url], {}, 1, "^$", refused),
        ("SSL_CERT_FILE", ["--ssl", url], {"SSL_CERT_FILE": cert}, 0, count, "^$"),
        ("CURL_CA_BUNDLE", ["--ssl", url], {"CURL_CA_BUNDLE": cert}, 0, count, "^$"),
        ("--capath", ["--ssl", f"--capath={folder}", url], {}, 0, count, "^$"),
        ("--insecure lists with a warning", ["--ssl", "--insecure", url], {}, 0, count,
         r"^ftpls: warning: --insecure: server certificates are not checked\n$"),
        ("ftps:// is implicit TLS", [f"--cacert={cert}", f"ftps://127.0.0.1:{implicit}/"], {},
         0, count, "^$"),
        ("ftps:// without the certificate is refused", [f"ftps://127.0.0.1:{implicit}/"], {}, 1,
         "^$", refused),
        ("--verbose over TLS", ["--verbose", "--ssl", f"--cacert={cert}", url], {}, 0, count,
         r"> AUTH (SSL|TLS)\n< 234 .*> USER anonymous\n.*< 230 .*> (MLSD|LIST)\n"),
        ("--ssl against a server without TLS", ["--ssl", f"ftp://127.0.0.1:{plain}/"], {}, 1,
         "^$", r": the server does not offer TLS \(--ssl\): AUTH answered 5\d\d "),
    ]


def tls_mode(ftpls, work, packages):
    root = make_root(work)
    cert, key, folder = make_certificate(work)
    tls = ["ssl_enable=YES", "allow_anon_ssl=YES", "force_anon_logins_ssl=YES",
           "force_anon_data_ssl=YES", f"rsa_cert_file={cert}", f"rsa_private_key_file={key}",
           "require_ssl_reuse=NO"]
    servers = [Vsftpd(os.path.join(work, "explicit"), packages, root, tls),
               Vsftpd(os.path.join(work, "implicit"), packages, root, tls + ["implicit_ssl=YES"]),
               Vsftpd(os.path.join(work, "plain"), packages, root, [])]
    failures = []
    try:
        for server in servers:
            server.start()
        home = home_with_netrc(work, "none", None)
        ports = [server.port for server in servers]
        for why, args, env, rc, out, err in tls_cases(*ports, cert, folder):
            check(why, run(ftpls, ["--count", *args], home, env), rc, out, err, failures)
    finally:
        for server in servers:
            server.stop()
    return failures


def main():
    mode, ftpls, work, packages = sys.argv[1:5]
    work = os.path.abspath(work)
    if os.path.isdir(work):
        shutil.rmtree(work)
    os.makedirs(work)
    try:
        failures = {"login": login_mode, "tls": tls_mode}[mode](ftpls, work, packages)
    except Skip as reason:
        print(f"SKIPPED: {reason}")
        return 1 if os.environ.get("LIVE_REQUIRE_ALL") else SKIP
    for line in failures:
        print("FAIL:", line)
    print(f"{mode}: {'failed' if failures else 'passed'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
