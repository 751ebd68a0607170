#!/usr/bin/env bash
# Compares every field of every entry, and the skipped lines, of two builds
# through the C interface and the C++ API (ftpdirlist_run --dump) over the
# generated listings of every style, the examples and the test listings: a
# change for speed must not change a result. Exits 1 on any difference.
#   bench/compare_builds.sh OLD_BUILD_DIR NEW_BUILD_DIR [LINES]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OLD="$1"
NEW="$2"
LINES="${3:-20000}"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
status=0
compare() {  # LABEL FILE
  "$OLD/ftpdirlist_run" --dump "$2" >"$WORK/old"
  "$NEW/ftpdirlist_run" --dump "$2" >"$WORK/new"
  if cmp -s "$WORK/old" "$WORK/new"; then
    echo "$1: same ($(wc -l <"$WORK/new") lines of output)"
  else
    echo "$1: DIFFERENT"
    diff "$WORK/old" "$WORK/new" | head -20
    status=1
  fi
}
for style in unix dos vms mixed vms-distinct vms-rising vms-falling; do
  "$NEW/ftpdirlist_generate" "$style" "$LINES" >"$WORK/listing"
  compare "$style" "$WORK/listing"
done
while IFS= read -r -d '' file; do
  compare "${file#"$ROOT"/}" "$file"
done < <(find "$ROOT/examples" "$ROOT/tests/data" -type f -name '*.txt' -print0 | sort -z)
exit $status
