#!/usr/bin/env bash
# Compares every field of every entry, and the skipped lines, of two builds
# over the generated listings: a change for speed must not change a result.
#   bench/compare_builds.sh OLD_BUILD_DIR NEW_BUILD_DIR [LINES]
set -euo pipefail
OLD="$1"
NEW="$2"
LINES="${3:-20000}"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
status=0
for style in unix dos vms mixed vms-distinct vms-rising vms-falling; do
  "$NEW/ftpdirlist_generate" "$style" "$LINES" >"$WORK/listing"
  "$OLD/ftpdirlist_run" --dump "$WORK/listing" >"$WORK/old"
  "$NEW/ftpdirlist_run" --dump "$WORK/listing" >"$WORK/new"
  if cmp -s "$WORK/old" "$WORK/new"; then
    echo "$style: same ($(wc -l <"$WORK/new") lines of output)"
  else
    echo "$style: DIFFERENT"
    diff "$WORK/old" "$WORK/new" | head -20
    status=1
  fi
done
exit $status
