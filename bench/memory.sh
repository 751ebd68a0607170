#!/usr/bin/env bash
# Peak resident memory while a listing is parsed and its table read through
# the C interface, beyond the listing itself (which the host holds), relative
# to the listing's size.
#   bench/memory.sh [LINES] [STYLE...]    (default 1000000 lines, every style)
# RUN_MODE=--stream (or another way of ftpdirlist_run) measures that way
# instead. The style "endless" is one line of 64 MiB that never ends: the
# C++ API keeps no more of it than Options::maxLineLength, the C interface
# (no limit) all of it.
source "$(dirname "$0")/common.sh"
LINES="${1:-1000000}"
shift || true
STYLES=("$@")
[ ${#STYLES[@]} -gt 0 ] || STYLES=(unix dos vms mixed vms-distinct vms-rising vms-falling)

for style in "${STYLES[@]}"; do
  if [ "$style" = endless ]; then
    file="$WORK/endless.txt"
    head -c $((64 << 20)) /dev/zero | tr '\0' n >"$file"
  else
    file="$(listing "$style" "$LINES")"
  fi
  printf '%-14s ' "$style"
  "$RUN" ${RUN_MODE:-} --memory "$file"
  rm -f "$file"
done
