"""A pyftpdlib server on 127.0.0.1 that admits one user and no anonymous
login, for the login tests.

usage: login_server.py PORT ROOT USER PASSWORD

Serves ROOT read-only until it is stopped (by its process id) or an hour
has passed.
"""
import sys
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    port, root, user, password = sys.argv[1:5]
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elr")
    handler = type("Handler", (FTPHandler,), {"authorizer": authorizer})
    server = FTPServer(("127.0.0.1", int(port)), handler)
    deadline = time.monotonic() + 3600
    while time.monotonic() < deadline:
        server.serve_forever(timeout=1, blocking=False)
    server.close_all()


if __name__ == "__main__":
    main()
