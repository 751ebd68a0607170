#!/usr/bin/env bash
# Machine instructions per listing line, counted by callgrind: InitFtpDirList
# plus GetFtpDirItem (mode 1 and mode 0) for every entry, minus a run that
# only reads the file. Deterministic, unlike time on a shared machine.
#   bench/instructions.sh [LINES] [STYLE...]    (default 20000 lines, every style)
# RUN_MODE=--cxx or --stream counts the C++ API (extended dialect), whole or
# in 64 KiB chunks, every field of every entry read back; --cxx-classic the
# C++ API in the classic dialect.
# RUN_MODE=--dialects prints ftpdir::parse in both dialects and their ratio
# (the extended dialect's bound: at most 1.25x classic on classic listings).
source "$(dirname "$0")/common.sh"
command -v valgrind >/dev/null || { echo "valgrind is needed" >&2; exit 1; }
LINES="${1:-20000}"
shift || true
STYLES=("$@")
[ ${#STYLES[@]} -gt 0 ] || STYLES=(unix dos vms mixed vms-distinct vms-rising vms-falling)

if [ "${RUN_MODE:-}" = --dialects ]; then
  printf '%-14s %12s %12s %8s\n' style classic extended ratio
  for style in "${STYLES[@]}"; do
    file="$(listing "$style" "$LINES")"
    classic=$(instructions "$RUN" --cxx-classic "$file")
    extended=$(instructions "$RUN" --cxx "$file")
    empty=$(instructions "$RUN" --empty "$file")
    awk -v s="$style" -v c="$classic" -v x="$extended" -v e="$empty" -v n="$LINES" \
      'BEGIN { printf "%-14s %12.0f %12.0f %8.2f\n", s, (c - e) / n, (x - e) / n, (x - e) / (c - e) }'
  done
  exit 0
fi
printf '%-14s %12s\n' style "instr/line"
for style in "${STYLES[@]}"; do
  file="$(listing "$style" "$LINES")"
  full=$(instructions "$RUN" ${RUN_MODE:-} "$file")
  empty=$(instructions "$RUN" --empty "$file")
  awk -v s="$style" -v f="$full" -v e="$empty" -v n="$LINES" \
    'BEGIN { printf "%-14s %12.0f\n", s, (f - e) / n }'
done
