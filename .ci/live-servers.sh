#!/usr/bin/env bash
# Makes the FTP servers of the live tests available. Debian lets only one of
# vsftpd, proftpd and pure-ftpd be installed at a time (each provides
# ftp-server): vsftpd is installed, the other two are downloaded and unpacked
# under DIR (default build/live-servers) and run from there. pyftpdlib
# and Twisted's FTP server (python3-twisted) belong to Debian's own
# interpreter, /usr/bin/python3.
# openssl makes the certificate of the TLS test.
# usage: .ci/live-servers.sh [DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$(realpath -m "${1:-build/live-servers}")

# The servers' shared libraries, which installing the packages would bring.
bash .ci/install-deps.sh vsftpd python3-pyftpdlib python3-twisted globus-gridftp-server-progs \
  libcurl4-openssl-dev openssl \
  libhiredis0.14 libmemcached11 libmemcachedutil2 libpcre2-posix3 libsodium23 libcap2

mkdir -p "$dir/debs" "$dir/root"
for pkg in proftpd-core pure-ftpd; do
  if ! ls "$dir/debs/${pkg}_"*.deb >/dev/null 2>&1; then
    # apt's download user must be able to write the folder.
    (cd "$dir/debs" && chmod 777 . && apt-get download -q "$pkg" ||
      { apt-get update -qq && apt-get download -q "$pkg"; })
  fi
  dpkg-deb -x "$dir/debs/${pkg}_"*.deb "$dir/root"
done
echo "live servers: vsftpd, pyftpdlib, twisted, gridftp installed; proftpd, pure-ftpd under $dir/root"
