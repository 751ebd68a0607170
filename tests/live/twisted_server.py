"""An anonymous, read-only FTP server of Twisted (Debian python3-twisted) on
127.0.0.1, for the live tests.

usage: twisted_server.py PORT ROOT

Serves ROOT until it is stopped by its process id, or by itself after ten
minutes so that a lost test never leaves it running.
"""
import sys

from twisted.cred import checkers, portal
from twisted.internet import reactor
from twisted.protocols import ftp

LIFETIME = 600


def main():
    port, root = int(sys.argv[1]), sys.argv[2]
    access = portal.Portal(ftp.FTPRealm(root), [checkers.AllowAnonymousAccess()])
    reactor.listenTCP(port, ftp.FTPFactory(access), interface="127.0.0.1")
    reactor.callLater(LIFETIME, reactor.stop)
    reactor.run()


if __name__ == "__main__":
    main()
