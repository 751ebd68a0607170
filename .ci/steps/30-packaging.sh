#!/usr/bin/env bash
# Packaging: install into a staging prefix and build two consumer projects
# outside the tree against it (find_package and pkg-config, each using the C,
# extended C and C++ APIs); the shared libraries' exports and SONAMEs; the Debian package built, installed with apt,
# used, and removed again.
set -euo pipefail
cd "$(dirname "$0")/../.."
t0=$(date +%s)
bash .ci/install-deps.sh build-essential cmake ninja-build pkg-config dpkg-dev file binutils

fail() { echo "FAILED: $*" >&2; exit 1; }

# The tested build of the dev workflow (configured and built here if missing).
cmake --preset dev >/dev/null
cmake --build --preset dev
build=build

work=$(mktemp -d)
cleanup() {
  # Never leave the package installed for later builds to pick up by accident.
  if dpkg-query -W -f='${Status}' ftpdirlist 2>/dev/null | grep -q "install ok installed"; then
    apt-get remove -y -qq ftpdirlist >/dev/null || true
  fi
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
         lib/pkgconfig/ftpdirlist.pc lib/pkgconfig/ftpdirlist-ext.pc lib/pkgconfig/ftpdirlist++.pc; do
  [ -e "$work/stage/$f" ] || fail "staging prefix lacks $f"
done
has_tool=no
if [ -x "$build/ftpls" ]; then
  [ -x "$work/stage/bin/ftpls" ] || fail "ftpls was built but not installed"
  has_tool=yes
fi
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

echo "-- Debian package"
cpack --config "$build/CPackConfig.cmake" -B "$work/deb" >/dev/null
deb=$(ls "$work"/deb/ftpdirlist_*.deb)
dpkg-deb -I "$deb" | sed -n 's/^ \(Package\|Version\|Depends\):/  \1:/p'
contents=$(dpkg-deb -c "$deb")
grep -q 'usr/lib/libftpdirlist.so.1.0.0' <<<"$contents" || fail "package lacks the library"
grep -q 'usr/lib/libftpdirlist-ext.so.1.0.0' <<<"$contents" || fail "package lacks the extended C API library"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
grep -q 'libftpdirlist.so.1 ' <<<"$(ldconfig -p)" || fail "libftpdirlist.so.1 is not in the loader cache"
grep -q 'libftpdirlist-ext.so.1 ' <<<"$(ldconfig -p)" || fail "libftpdirlist-ext.so.1 is not in the loader cache"
if [ "$has_tool" = yes ]; then
  ftpls --version
else
  echo "(ftpls is not part of this build: no tool to run)"
fi
consume package "" ""
apt-get remove -y -qq ftpdirlist >/dev/null
[ ! -e /usr/lib/libftpdirlist.so.1 ] || fail "apt-get remove left the library behind"
echo "package installed, used and removed"

echo "-- packaging checks passed in $(( $(date +%s) - t0 )) s"
