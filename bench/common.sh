# Shared by the measuring scripts: builds the Release tools (bench preset)
# unless BUILD_DIR names a build that has them, and generates listings.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build-bench}"
if [ ! -x "$BUILD_DIR/ftpdirlist_run" ] || [ "${REBUILD:-1}" = 1 ]; then
  if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
    cmake --preset bench -S "$ROOT" >/dev/null
  fi
  cmake --build "$BUILD_DIR" -j2 --target ftpdirlist_run ftpdirlist_generate >/dev/null
fi
RUN="$BUILD_DIR/ftpdirlist_run"
GENERATE="$BUILD_DIR/ftpdirlist_generate"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

# listing STYLE LINES: the path of a generated listing
listing() {
  local file="$WORK/$1-$2.txt"
  [ -f "$file" ] || "$GENERATE" "$1" "$2" >"$file"
  echo "$file"
}

# instructions COMMAND...: the machine instructions callgrind counts for a run
instructions() {
  valgrind --tool=callgrind --callgrind-out-file="$WORK/cg.out" "$@" >/dev/null 2>"$WORK/cg.log"
  sed -n 's/^summary: //p' "$WORK/cg.out"
}
