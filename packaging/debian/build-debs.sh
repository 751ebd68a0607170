#!/usr/bin/env bash
# Builds the Debian packages from the source tree, split as Debian splits a
# library:
#   libftpdirlist1      libftpdirlist.so.1 (the C interface)
#   libftpdirlist-ext1  libftpdirlist-ext.so.1 (the extended C interface), when built
#   libftpdirlist-dev   headers, static libraries, the .so links, CMake and pkg-config files
#   ftpls               the tool, its manual page and bash completion
#
#   packaging/debian/build-debs.sh [BUILD_DIR [OUT_DIR]]   (default build-deb, build-deb/packages)
#
# BUILD_DIR gets a Release build with Debian's hardening flags (dpkg-buildflags),
# installed for /usr with the multiarch library directory; each CMake install
# component is staged on its own and becomes a package (control data from
# control and changelog beside this script, dependencies from dpkg-shlibdeps).
# Needs dpkg-dev, cmake, ninja-build and a C++17 compiler; nothing runs as root.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(realpath -m "${1:-build-deb}")
out=$(realpath -m "${2:-$build/packages}")
fail() { echo "build-debs: $*" >&2; exit 1; }

version=$(sed -n '1s/^ftpdirlist (\([^)]*\)).*/\1/p' "$here/changelog")
upstream=$(sed -n 's/^project(ftpdirlist VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ "${version%-*}" = "$upstream" ] ||
  fail "changelog is at $version, CMakeLists.txt at $upstream: add a changelog entry"
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
libdir=usr/lib/$multiarch

# Debian's compiler and linker flags, hardening included; CMake reads no CPPFLAGS.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
export CFLAGS="$CFLAGS $CPPFLAGS" CXXFLAGS="$CXXFLAGS $CPPFLAGS"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_INSTALL_LIBDIR="lib/$multiarch" -DFTPDIRLIST_BUILD_TESTS=OFF >/dev/null
cmake --build "$build"

# dpkg-gencontrol and dpkg-shlibdeps work in a tree of the usual shape:
# debian/control, debian/changelog, debian/<package>/.
tree=$build/debian-tree
rm -rf "$tree"
mkdir -p "$tree/debian" "$out"
cp "$here/control" "$here/changelog" "$tree/debian/"
cd "$tree"
for component in runtime development tool; do
  DESTDIR=$tree/stage/$component cmake --install "$build" --component "$component" >/dev/null
done

# moves <path> from a component's staging tree into a package
take() {  # take <component> <package> <path relative to the root>
  local from=$tree/stage/$1/$3 to=debian/$2/$3
  [ -e "$from" ] || [ -L "$from" ] || fail "the $1 component installs no $3"
  mkdir -p "$(dirname "$to")"
  mv "$from" "$to"
}

packages=(libftpdirlist1)
for f in "$tree/stage/runtime/$libdir"/libftpdirlist.so.*; do take runtime libftpdirlist1 "$libdir/${f##*/}"; done
ext_depends=
if compgen -G "$tree/stage/runtime/$libdir/libftpdirlist-ext.so.*" >/dev/null; then
  packages+=(libftpdirlist-ext1)
  for f in "$tree/stage/runtime/$libdir"/libftpdirlist-ext.so.*; do
    take runtime libftpdirlist-ext1 "$libdir/${f##*/}"
  done
  ext_depends="libftpdirlist-ext1 (= $version)"
fi
packages+=(libftpdirlist-dev)
for d in usr/include "$libdir"; do take development libftpdirlist-dev "$d"; done
if [ -d "$tree/stage/tool/usr/bin" ]; then
  packages+=(ftpls)
  for d in usr/bin usr/share; do take tool ftpls "$d"; done
  gzip -9n debian/ftpls/usr/share/man/man1/ftpls.1
fi
left=$(find "$tree/stage" ! -type d)
[ -z "$left" ] || fail "files that no package takes: $left"

# The copyright file in Debian's format, with the licence text of LICENSE.
copyright=$tree/copyright
{
  printf 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n'
  printf 'Upstream-Name: ftpdirlist\n\nFiles: *\n'
  printf 'Copyright: %s\n' "$(sed -n 's/^Copyright (c) //p' "$root/LICENSE")"
  printf 'License: Expat\n'
  sed '1,/^Copyright/d' "$root/LICENSE" | sed '/./,$!d' | sed 's/^$/./; s/^/ /'
} >"$copyright"

for package in "${packages[@]}"; do
  dir=debian/$package
  mkdir -p "$dir/usr/share/doc/$package" "$dir/DEBIAN"
  cp "$copyright" "$dir/usr/share/doc/$package/copyright"
  gzip -9nc debian/changelog >"$dir/usr/share/doc/$package/changelog.Debian.gz"

  # Stripped as dh_strip strips: shared objects and programs of everything
  # but their symbol tables, static libraries of their debugging data.
  while read -r file; do
    case $file in
      *.a) strip --strip-debug --remove-section=.comment --remove-section=.note \
             --enable-deterministic-archives "$file" ;;
      *) strip --strip-unneeded --remove-section=.comment --remove-section=.note "$file" ;;
    esac
  done < <(find "$dir" -type f \( -name '*.so.*' -o -name '*.a' -o -path '*/usr/bin/*' \))
  find "$dir" -type d -exec chmod 0755 {} +
  find "$dir" -type f -exec chmod 0644 {} +
  [ ! -d "$dir/usr/bin" ] || chmod 0755 "$dir"/usr/bin/*

  substvars=debian/$package.substvars
  : >"$substvars"
  shared=$(find "$dir" -type f \( -name '*.so.*' -o -path '*/usr/bin/*' \))
  [ -z "$shared" ] || dpkg-shlibdeps -T"$substvars" $shared
  echo "ext:Depends=$ext_depends" >>"$substvars"

  # A shared library package: its shlibs and symbols entries (every export
  # since this upstream version) and the ldconfig trigger.
  shlibs= symbols=
  for so in $(find "$dir" -type f -name '*.so.*'); do
    soname=$(objdump -p "$so" | awk '$1 == "SONAME" {print $2}')
    shlibs+="${soname%.so.*} ${soname##*.so.} $package (>= ${version%-*})"$'\n'
    symbols+="$soname $package #MINVER#"$'\n'"* Build-Depends-Package: libftpdirlist-dev"$'\n'
    symbols+=$(nm -D --defined-only --with-symbol-versions "$so" |
      awk -v v="${version%-*}" '$2 ~ /^[TDBRVW]$/ { name = $3; if (name !~ /@/) name = name "@Base"
        sub(/@@/, "@", name); print " " name " " v }' | LC_ALL=C sort)$'\n'
  done
  if [ -n "$shlibs" ]; then
    printf '%s' "$shlibs" >"$dir/DEBIAN/shlibs"
    printf '%s' "$symbols" >"$dir/DEBIAN/symbols"
    echo "activate-noawait ldconfig" >"$dir/DEBIAN/triggers"
    chmod 0644 "$dir/DEBIAN/shlibs" "$dir/DEBIAN/symbols" "$dir/DEBIAN/triggers"
  fi

  (cd "$dir" && find . -type f ! -path './DEBIAN/*' -printf '%P\n' | LC_ALL=C sort |
     xargs -r -d '\n' md5sum >DEBIAN/md5sums)
  chmod 0644 "$dir/DEBIAN/md5sums"
  dpkg-gencontrol -p"$package" -P"$dir" -T"$substvars"
  dpkg-deb --root-owner-group -Zxz --build "$dir" "$out" >/dev/null
done
ls "$out"/*_"$version"_*.deb
