#!/usr/bin/env bash
# Packaging: install into a staging prefix and build two consumer projects
# outside the tree against it (find_package and pkg-config, each using the C,
# extended C and C++ APIs); the shared libraries' exports and SONAMEs; the
# Debian packages built, linted, installed with apt, used (the consumers,
# ftpls, its manual page and completion), and purged again without a trace.
set -euo pipefail
cd "$(dirname "$0")/../.."
t0=$(date +%s)
bash .ci/install-deps.sh build-essential cmake ninja-build pkg-config dpkg-dev file binutils \
  lintian man-db libcurl4-openssl-dev

fail() { echo "FAILED: $*" >&2; exit 1; }

# The tested build of the dev workflow (configured and built here if missing).
cmake --preset dev >/dev/null
cmake --build --preset dev
build=build

work=$(mktemp -d)
cleanup() {
  # Never leave a package installed for later builds to pick up by accident.
  local name
  for name in ftpls libftpdirlist-dev libftpdirlist-ext1 libftpdirlist1; do
    if dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q "install ok installed"; then
      apt-get purge -y -qq "$name" >/dev/null || true
    fi
  done
  rm -rf "$work"
}
trap cleanup EXIT

echo "-- exports and SONAME of the shared library"
so=$(readlink -f "$build/libftpdirlist.so")
exports=$(nm -D --defined-only "$so" | awk '{print $NF}' | sort | tr '\n' ' ')
[ "$exports" = "GetFtpDirItem InitFtpDirList UnInitFtpDirList " ] ||
  fail "libftpdirlist.so exports '$exports', expected exactly the three functions"
soname=$(readelf -d "$so" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[ "$soname" = "libftpdirlist.so.1" ] || fail "SONAME is '$soname', expected libftpdirlist.so.1"
echo "exports: $exports; SONAME: $soname"

echo "-- exports and SONAME of the extended C API library"
so=$(readlink -f "$build/libftpdirlist-ext.so")
# Exactly the functions the header declares, each under the symbol version
# FTPDIR_1 (whose own entry, type A, is no function).
exports=$(nm -D --defined-only "$so" | awk '$2 != "A" {print $NF}' | sort | tr '\n' ' ')
declared=$(grep -o 'FTPDIR_EXT_API [^(]*ftpdir_[a-z_0-9]*(' include/ftpdirlist/ftpdirlist_ext.h |
  grep -o 'ftpdir_[a-z_0-9]*' | sed 's/$/@@FTPDIR_1/' | sort | tr '\n' ' ')
[ -n "$declared" ] && [ "$exports" = "$declared" ] ||
  fail "libftpdirlist-ext.so exports '$exports', expected the header's '$declared'"
soname=$(readelf -d "$so" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[ "$soname" = "libftpdirlist-ext.so.1" ] || fail "SONAME is '$soname', expected libftpdirlist-ext.so.1"
echo "exports: $(wc -w <<<"$exports") ftpdir_* functions (version FTPDIR_1); SONAME: $soname"

echo "-- install into a staging prefix, then move it: nothing may point back"
cmake --install "$build" --prefix "$work/stage" >/dev/null
for f in lib/libftpdirlist.so.1 lib/libftpdirlist.so lib/libftpdirlist++.a \
         lib/libftpdirlist-ext.so.1 lib/libftpdirlist-ext.so \
         include/ftpdirlist/ftpdirlist.h include/ftpdirlist/ftpdirlist.hpp \
         include/ftpdirlist/ftpdirlist_ext.h lib/cmake/ftpdirlist/ftpdirlistConfig.cmake \
         lib/pkgconfig/ftpdirlist.pc lib/pkgconfig/ftpdirlist-ext.pc lib/pkgconfig/ftpdirlist++.pc \
         share/man/man1/ftpls.1 share/bash-completion/completions/ftpls; do
  [ -e "$work/stage/$f" ] || fail "staging prefix lacks $f"
done
[ -x "$work/stage/bin/ftpls" ] || fail "ftpls is not installed"
mv "$work/stage" "$work/prefix"
prefix=$work/prefix

consume() {  # consume <label> <cmake prefix path or empty> <pkg-config path or empty>
  local dir=$work/consumer-$1
  cp -r tests/consumer "$dir"
  echo "-- find_package consumer ($1)"
  cmake -S "$dir/cmake" -B "$dir/build-cmake" -G Ninja ${2:+-DCMAKE_PREFIX_PATH="$2"} >/dev/null
  cmake --build "$dir/build-cmake"
  ctest --test-dir "$dir/build-cmake" --output-on-failure
  echo "-- pkg-config consumer ($1)"
  mkdir -p "$dir/build-pc"
  PKG_CONFIG_PATH="${3:-}" make -s -C "$dir/pkgconfig" O="$dir/build-pc" run
}
consume staging "$prefix" "$prefix/lib/pkgconfig"

echo "-- Debian packages: built, linted, installed, used and purged"
packaging/debian/build-debs.sh build-deb "$work/deb" >/dev/null
debs=("$work"/deb/*.deb)
names=()
for deb in "${debs[@]}"; do names+=("$(dpkg-deb -f "$deb" Package)"); done
echo "packages: ${names[*]}"
for want in libftpdirlist1 libftpdirlist-ext1 libftpdirlist-dev ftpls; do
  [[ " ${names[*]} " == *" $want "* ]] || fail "no $want package was built"
done
for deb in "${debs[@]}"; do
  dpkg-deb -f "$deb" Package Version Depends | sed 's/^/  /'
done
# Errors fail the step; warnings are shown.
lintian --fail-on error --suppress-tags initial-upload-closes-no-bugs "${debs[@]}" ||
  fail "lintian reports errors"

multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for lib in libftpdirlist libftpdirlist-ext; do
  grep -q " ./usr/lib/$multiarch/$lib.so.1.0.0$" <<<"$(dpkg-deb -c "$work"/deb/${lib}1_*.deb)" ||
    fail "${lib}1 lacks usr/lib/$multiarch/$lib.so.1.0.0"
done
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${debs[@]}" >/dev/null
for lib in libftpdirlist libftpdirlist-ext; do
  grep -Eq "$lib.so.1 \(.*\) => (/usr)?/lib/$multiarch/$lib.so.1$" <<<"$(ldconfig -p)" ||
    fail "$lib.so.1 is not in the loader cache"
done
ftpls --version
grep -q ' ./usr/share/man/man1/ftpls.1.gz$' <<<"$(dpkg-deb -c "$work"/deb/ftpls_*.deb)" ||
  fail "the ftpls package lacks its manual page"
if grep -qs '^path-exclude.*/usr/share/man' /etc/dpkg/dpkg.cfg.d/*; then
  echo "(dpkg here leaves manual pages out: man ftpls not tried)"
else
  [ "$(man -w ftpls)" = /usr/share/man/man1/ftpls.1.gz ] || fail "man does not find ftpls(1)"
  [ -n "$(MANWIDTH=80 man ftpls 2>/dev/null | grep -m1 -- '--keep-versions')" ] ||
    fail "man ftpls does not show the options"
fi
completion=/usr/share/bash-completion/completions/ftpls
[ "$(bash --norc -c "source $completion; COMP_WORDS=(ftpls --keep); COMP_CWORD=1; _ftpls
  echo \"\${COMPREPLY[*]}\"")" = --keep-versions ] || fail "$completion does not complete '--keep'"
consume package "" ""
files=$(dpkg -L "${names[@]}" | sort -u)
apt-get purge -y -qq "${names[@]}" >/dev/null
for name in "${names[@]}"; do
  ! dpkg-query -W -f='${Status}\n' "$name" 2>/dev/null | grep -qv "not-installed" ||
    fail "$name is still known to dpkg after the purge"
done
while read -r f; do
  [ -d "$f" ] || [ ! -e "$f" ] || fail "the purge left $f behind"
done <<<"$files"
grep -q 'libftpdirlist' <<<"$(ldconfig -p)" && fail "a libftpdirlist library is still in the loader cache"
echo "packages installed, used and purged: nothing left"

echo "-- packaging checks passed in $(( $(date +%s) - t0 )) s"
