#!/usr/bin/env bash
# ftpls against real FTP servers on 127.0.0.1: installs or unpacks vsftpd,
# ProFTPD, Pure-FTPd, pyftpdlib, Twisted and GridFTP, then runs the dev build's 'live' tests.
# Every server must start here: a skipped one fails the step.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash .ci/live-servers.sh build/live-servers
# Configured again so that a build made before libcurl was there gains URLs.
cmake --preset dev >/dev/null
cmake --build build --target ftpls
LIVE_REQUIRE_ALL=1 ctest --test-dir build -L live --output-on-failure
