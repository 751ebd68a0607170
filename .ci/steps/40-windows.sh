#!/usr/bin/env bash
# The Windows DLL, cross-built with MinGW-w64 for 32-bit x86 and x86-64:
# export tables (exactly three plain names, ordinals 1-3), imports (system
# DLLs only), a link with the wrong calling convention failing, the
# FtpDirItem layout under the GCC, MSVC and System V rules, and a host
# program for each DLL run under wine. Where the machine cannot run 32-bit
# x86 programs, the 32-bit host is built and checked but not run; without
# wine neither host runs.
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

# Whether this machine runs 32-bit x86 programs: a kernel built without
# them refuses an i386 executable ("Exec format error"), and wine cannot
# start a 32-bit Windows program there either. The probe is a static i386
# program of three instructions that exits with 42. FTPDIRLIST_CI_I386=yes
# or no forces the answer, for testing this script only.
runs_i386() {
  case "${FTPDIRLIST_CI_I386:-}" in
    yes) echo "(FTPDIRLIST_CI_I386=yes: taken as able to run 32-bit programs)"; return 0 ;;
    no) echo "(FTPDIRLIST_CI_I386=no: taken as unable to run 32-bit programs)"; return 1 ;;
  esac
  printf '.globl _start\n_start:\n movl $1, %%eax\n movl $42, %%ebx\n int $0x80\n' >"$work/probe.s"
  if ! { as --32 -o "$work/probe.o" "$work/probe.s" && ld -m elf_i386 -o "$work/probe" "$work/probe.o"; } \
       2>"$work/probe.log"; then
    echo "(the i386 probe could not be built: $(head -1 "$work/probe.log"))"
    return 1
  fi
  local status=0
  "$work/probe" 2>"$work/probe.log" || status=$?
  [ "$status" = 42 ] && return 0
  echo "(a static i386 program fails here: exit $status, $(head -1 "$work/probe.log"))"
  return 1
}

# Builds the host for one DLL and checks what it imports: from ftpdirlist.dll
# exactly the three plain names (on 32-bit x86 bound from the __stdcall names
# the compiler asked for), otherwise system DLLs only.
build_host() {  # build_host <triple> <build dir> <exe>
  local dir=$work/${3%.exe} dump ours
  mkdir -p "$dir"
  "$1-gcc-win32" -std=gnu99 -O2 -Wall -Wextra -Werror -I include -c -o "$dir/host.o" tests/windows/host.c
  "$1-gcc-win32" -o "$dir/$3" "$dir/host.o" "$2/libftpdirlist.dll.a" -static-libgcc
  cp "$2/ftpdirlist.dll" "$dir/"
  if [ "$1" = i686-w64-mingw32 ]; then
    for name in InitFtpDirList@8 GetFtpDirItem@12 UnInitFtpDirList@0; do
      "$1-nm" "$dir/host.o" | grep -qx " *U __imp__$name" ||
        fail "the 32-bit host does not call $name through the import library"
    done
  fi
  dump=$("$1-objdump" -p "$dir/$3")
  ours=$(sed -n '/DLL Name: ftpdirlist.dll/,/^$/p' <<<"$dump" | awk 'NR > 2 && NF == 3 {print $3}' | sort)
  [ "$ours" = $'GetFtpDirItem\nInitFtpDirList\nUnInitFtpDirList' ] ||
    fail "$3 imports '$(echo $ours)' from ftpdirlist.dll, expected the three plain names"
  while read -r dll; do
    case "${dll,,}" in
      ftpdirlist.dll|kernel32.dll|msvcrt.dll|api-ms-win-*.dll) ;;
      *) fail "$3 imports $dll" ;;
    esac
  done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")
  echo "$3 imports GetFtpDirItem, InitFtpDirList, UnInitFtpDirList from ftpdirlist.dll"
}

echo "-- the hosts: built, their imports checked"
build_host i686-w64-mingw32 build-mingw32 host32.exe
build_host x86_64-w64-mingw32 build-mingw64 host64.exe

echo "-- the hosts under wine"
i386=no
runs_i386 && i386=yes
echo "32-bit x86 programs run here: $i386"
t1=$(date +%s)
# wine64 alone runs the 64-bit host; the 32-bit one needs wine32 from the
# i386 architecture, which is only worth adding where i386 programs run.
have_wine=yes
skip_32="this machine cannot run 32-bit x86 programs"
if [ "$i386" = yes ] &&
   ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
  export DEBIAN_FRONTEND=noninteractive
  if ! { dpkg --add-architecture i386 && apt-get update -qq &&
         apt-get install -y -qq --no-install-recommends wine wine64 wine32:i386 >/dev/null; }; then
    i386=no skip_32="wine32 could not be installed"
  fi
fi
if [ "$i386" = no ]; then
  bash .ci/install-deps.sh wine wine64 >/dev/null || have_wine=no
fi
echo "(wine ready after $(( $(date +%s) - t1 )) s)"
command -v wine >/dev/null || have_wine=no

run_host() {  # run_host <exe>
  local status=0
  (cd "$work/${1%.exe}" && timeout 300 wine "$1") || status=$?
  [ "$status" = 0 ] || fail "$1 failed under wine (exit $status)"
}
if [ "$have_wine" = no ]; then
  echo "SKIPPED: wine could not be installed here; both hosts were built and their imports checked, but not run"
else
  export WINEPREFIX=$work/wineprefix WINEARCH=win64 WINEDEBUG=-all
  unset DISPLAY WAYLAND_DISPLAY
  timeout 300 wineboot -i >/dev/null 2>&1 || true
  trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
  run_host host64.exe
  if [ "$i386" = yes ]; then
    run_host host32.exe
  else
    echo "SKIPPED: the 32-bit host under wine, as $skip_32; it was built and its"
    echo "         imports and __stdcall names checked, and the 64-bit DLL and host ran"
  fi
fi

echo "-- Windows checks passed in $(( $(date +%s) - t0 )) s"
