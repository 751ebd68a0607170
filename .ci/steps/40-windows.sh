#!/usr/bin/env bash
# The Windows DLL, cross-built with MinGW-w64 for 32-bit x86 and x86-64:
# export tables (exactly three plain names, ordinals 1-3), imports (system
# DLLs only), a link with the wrong calling convention failing, the
# FtpDirItem layout under the GCC, MSVC and System V rules, and a 32-bit host
# program run under wine. Without wine only the host run is skipped.
set -euo pipefail
cd "$(dirname "$0")/../.."
t0=$(date +%s)
bash .ci/install-deps.sh g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 clang cmake ninja-build
echo "(toolchain ready after $(( $(date +%s) - t0 )) s)"

fail() { echo "FAILED: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --workflow --preset mingw32 >/dev/null
cmake --workflow --preset mingw64 >/dev/null

# Prints "ordinal name" per exported name, by ordinal.
exports_of() {
  awk '/^Ordinal Base/ { base = $3 }
       /\[Ordinal\/Name Pointer\] Table/ { table = 1; next }
       table && NF == 0 { table = 0 }
       table { gsub(/[][]/, " "); print $1 + base, $2 }' <<<"$1" | sort -n
}

check_dll() {  # check_dll <triple> <dll>
  local dump names imports
  dump=$("$1-objdump" -p "$2")
  names=$(exports_of "$dump")
  echo "$2 exports:"; sed 's/^/  /' <<<"$names"
  [ "$names" = $'1 GetFtpDirItem\n2 InitFtpDirList\n3 UnInitFtpDirList' ] ||
    fail "$2 must export exactly GetFtpDirItem 1, InitFtpDirList 2, UnInitFtpDirList 3"
  [ "$(grep -c 'Export RVA' <<<"$dump")" = 3 ] || fail "$2 has exports beyond the three names"
  ! grep -q '@' <<<"$names" || fail "$2 exports a decorated name"
  imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")
  echo "$2 imports: $(tr '\n' ' ' <<<"$imports")"
  while read -r dll; do
    case "${dll,,}" in
      kernel32.dll|user32.dll|advapi32.dll|ntdll.dll|msvcrt.dll|ucrtbase.dll|api-ms-win-*.dll) ;;
      *) fail "$2 imports $dll: only system DLLs are allowed (link the runtime statically)" ;;
    esac
  done <<<"$imports"
}

echo "-- export and import tables"
check_dll i686-w64-mingw32 build-mingw32/ftpdirlist.dll
check_dll x86_64-w64-mingw32 build-mingw64/ftpdirlist.dll

echo "-- a 32-bit DLL whose functions are not __stdcall fails to link"
cat > "$work/cdecl.c" <<'C'
int InitFtpDirList(const char *data, int length) { return data != 0 && length > 0; }
void GetFtpDirItem(int index, void *item, int mode) { (void)index; (void)item; (void)mode; }
void UnInitFtpDirList(void) {}
C
if i686-w64-mingw32-gcc-win32 -shared -o "$work/cdecl.dll" "$work/cdecl.c" \
     build-mingw32/ftpdirlist-x86.def -Wl,--kill-at,--disable-stdcall-fixup 2>"$work/cdecl.log"; then
  fail "a DLL with cdecl functions linked against the export list"
fi
grep -q 'InitFtpDirList@8' "$work/cdecl.log" || { cat "$work/cdecl.log"; fail "unexpected link error"; }
echo "link refused: $(grep -m1 'InitFtpDirList@8' "$work/cdecl.log")"

echo "-- FtpDirItem layout and calling conventions at compile time"
for target in i686-pc-windows-msvc i686-w64-windows-gnu i686-linux-gnu \
              x86_64-pc-windows-msvc x86_64-w64-windows-gnu x86_64-linux-gnu aarch64-linux-gnu; do
  clang --target="$target" -ffreestanding -std=c11 -Wall -Wextra -Werror -fsyntax-only \
    -I include tests/windows/layout_check.c
done
for cc in i686-w64-mingw32-gcc-win32 x86_64-w64-mingw32-gcc-win32 cc; do
  "$cc" -std=c11 -Wall -Wextra -Werror -fsyntax-only -I include tests/windows/layout_check.c
done
echo "layout checked for 32-bit x86 (MSVC, MinGW, System V) and 64-bit targets"

echo "-- the 32-bit host under wine"
i686-w64-mingw32-gcc-win32 -std=gnu99 -O2 -Wall -Wextra -Werror -I include \
  -o "$work/host32.exe" tests/windows/host32.c build-mingw32/libftpdirlist.dll.a -static-libgcc
cp build-mingw32/ftpdirlist.dll "$work/"
t1=$(date +%s)
have_wine=yes
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
  export DEBIAN_FRONTEND=noninteractive
  if ! { dpkg --add-architecture i386 && apt-get update -qq &&
         apt-get install -y -qq --no-install-recommends wine wine32 >/dev/null; }; then
    have_wine=no
  fi
fi
echo "(wine ready after $(( $(date +%s) - t1 )) s)"
if [ "$have_wine" = no ] || ! command -v wine >/dev/null; then
  echo "SKIPPED: wine could not be installed here; the 32-bit host was built but not run"
else
  export WINEPREFIX=$work/wineprefix WINEARCH=win32 WINEDEBUG=-all
  unset DISPLAY WAYLAND_DISPLAY
  timeout 300 wineboot -i >/dev/null 2>&1 || true
  status=0
  (cd "$work" && timeout 300 wine host32.exe) || status=$?
  wineserver -k 2>/dev/null || true
  [ "$status" = 0 ] || fail "the 32-bit host failed under wine (exit $status)"
fi

echo "-- Windows checks passed in $(( $(date +%s) - t0 )) s"
