#!/usr/bin/env bash
# Peak resident memory while a listing is parsed and its table read through
# the C interface, beyond the listing itself (which the host holds), relative
# to the listing's size.
#   bench/memory.sh [LINES] [STYLE...]    (default 1000000 lines, every style)
source "$(dirname "$0")/common.sh"
LINES="${1:-1000000}"
shift || true
STYLES=("$@")
[ ${#STYLES[@]} -gt 0 ] || STYLES=(unix dos vms mixed vms-distinct vms-rising vms-falling)

for style in "${STYLES[@]}"; do
  file="$(listing "$style" "$LINES")"
  printf '%-14s ' "$style"
  "$RUN" --memory "$file"
  rm -f "$file"
done
