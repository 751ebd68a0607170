#!/usr/bin/env bash
# The C interface, the C++ API and the Python package side by side, in one
# run on the same generated listings, with the goals beside the figures:
#   bench/side_by_side.sh [LINES] [STYLE...]   (default 200000 lines; unix dos vms)
# - instructions per line (callgrind, INSTR_LINES lines, default 20000; every
#   entry read back): the C interface (InitFtpDirList and both GetFtpDirItem
#   calls per entry), ftpdir::parse classic, ftpdir::parse extended (every
#   field of every entry read back);
# - MB/s of the same three on LINES lines, the median of ROUNDS (default 5)
#   rounds that run the three in turn (ftpdirlist_run --speed), warm (memory
#   reused from the round before) and cold (each parse in a fresh process);
# - peak memory beyond the listing, relative to its size, of the same three,
#   and of `ftpls --json` over the Unix listing (its peak beyond a run over a
#   one-line listing: ftpls reads the file in chunks);
# - Python (bench/python_bench.py, LINES lines of its plain Unix listing, which
#   every parser there reads alike; the Unix style above has forms that
#   ftputil rejects): ftpdirlist.parse against Debian's python3-ftputil, and
#   Parser.feed against parse. PYTHON
#   names an interpreter the package is installed for (a venv's python); by
#   default the module is built with CMake in BUILD_DIR and run with Debian's
#   /usr/bin/python3; PYTHON=none leaves Python out.
# Instruction counts are deterministic; speeds on a shared machine are not.
source "$(dirname "$0")/common.sh"
command -v valgrind >/dev/null || { echo "valgrind is needed" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is needed (Debian: time)" >&2; exit 1; }
LINES="${1:-200000}"
shift || true
STYLES=("$@")
[ ${#STYLES[@]} -gt 0 ] || STYLES=(unix dos vms)
INSTR_LINES="${INSTR_LINES:-20000}"
ROUNDS="${ROUNDS:-5}"
PYTHON="${PYTHON:-}"
TODAY=2024-06-15

if [ "${REBUILD:-1}" = 1 ] || [ ! -x "$BUILD_DIR/ftpls" ]; then
  cmake --build "$BUILD_DIR" -j2 --target ftpls >/dev/null
fi
if [ -z "$PYTHON" ]; then
  PYTHON=/usr/bin/python3
  if [ "${REBUILD:-1}" = 1 ] || [ ! -d "$BUILD_DIR/python/ftpdirlist" ]; then
    cmake -S "$ROOT" -B "$BUILD_DIR" -DFTPDIRLIST_BUILD_PYTHON=ON \
      -DPython_EXECUTABLE="$PYTHON" >/dev/null
    cmake --build "$BUILD_DIR" -j2 --target ftpdirlist_python >/dev/null
  fi
  export PYTHONPATH="$BUILD_DIR/python${PYTHONPATH:+:$PYTHONPATH}"
fi

# Goals by style; a style without one shows "-".
declare -A GOAL=(
  [instr-c,unix]=764 [instr-c,dos]=637 [instr-c,vms]=754
  [instr-ext,unix]=1100 [instr-ext,dos]=900 [instr-ext,vms]=1000
)
declare -A VALUE
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo "instructions, $INSTR_LINES lines a style ..." >&2
for style in "${STYLES[@]}"; do
  file="$(listing "$style" "$INSTR_LINES")"
  empty=$(instructions "$RUN" --empty "$file")
  for way in c:"" classic:--cxx-classic ext:--cxx; do
    # shellcheck disable=SC2086  # an empty way is no argument
    full=$(instructions "$RUN" ${way#*:} "$file")
    VALUE[instr-${way%%:*},$style]=$(awk -v f="$full" -v e="$empty" -v n="$INSTR_LINES" \
      'BEGIN { printf "%.0f", (f - e) / n }')
  done
done

echo "speed and memory, $LINES lines a style, $ROUNDS rounds ..." >&2
for style in "${STYLES[@]}"; do
  file="$(listing "$style" "$LINES")"
  while read -r way warm cold; do
    case "$way" in
      c-interface) key=c ;;
      cxx-classic) key=classic ;;
      cxx-extended) key=ext ;;
      *) continue ;;
    esac
    VALUE[speed-$key,$style]=$warm
    VALUE[cold-$key,$style]=$cold
  done < <("$RUN" --speed "$ROUNDS" "$file")
  VALUE[speed-ratio,$style]=$(ratio "${VALUE[speed-ext,$style]}" "${VALUE[speed-c,$style]}")
  VALUE[cold-ratio,$style]=$(ratio "${VALUE[cold-ext,$style]}" "${VALUE[cold-c,$style]}")
  for way in c:"" classic:--cxx-classic ext:--cxx; do
    # shellcheck disable=SC2086
    VALUE[memory-${way%%:*},$style]=$("$RUN" ${way#*:} --memory "$file" |
      sed -n 's/.*, \([0-9.]*\)x its size$/\1/p')
  done
  if [ "$style" = unix ]; then
    # The peak in KiB that time writes to standard error; the JSON is dropped.
    # shellcheck disable=SC2069
    peak_kib() { /usr/bin/time -f %M "$BUILD_DIR/ftpls" --json --today=$TODAY "$1" 2>&1 >/dev/null; }
    small="$(listing unix 1)"
    VALUE[memory-ftpls,unix]=$(awk -v p="$(peak_kib "$file")" -v b="$(peak_kib "$small")" \
      -v s="$(stat -c %s "$file")" 'BEGIN { printf "%.2f", (p - b) * 1024 / s }')
  fi
  [ "$style" = unix ] || rm -f "$file"
done

if [ "$PYTHON" != none ]; then
  echo "Python, $LINES lines ..." >&2
  "$PYTHON" "$ROOT/bench/python_bench.py" --lines "$LINES" --runs "$ROUNDS" >"$WORK/python.txt"
  VALUE[python-ftputil,unix]=$(sed -n 's/^ftpdirlist.parse \/ ftputil *\([0-9.]*\)x.*/\1/p' \
    "$WORK/python.txt")
  VALUE[python-feed,unix]=$(sed -n 's/^Parser.feed \/ parse *\([0-9.]*\)x.*/\1/p' "$WORK/python.txt")
fi

# row KEY LABEL GOAL_TEXT TEST: one line of the table; TEST is an awk
# condition on v (the figure) and g (the style's goal, when it has one).
row() {
  local key="$1" label="$2" goal="$3" test="$4" line missed="" style v g
  line=$(printf '%-44s' "$label")
  for style in "${STYLES[@]}"; do
    v="${VALUE[$key,$style]:--}"
    line+=$(printf ' %9s' "$v")
    g="${GOAL[$key,$style]:-}"
    if [ -z "$test" ] || [ "$v" = - ]; then continue; fi
    [[ "$test" == *g* ]] && [ -z "$g" ] && continue
    awk -v v="$v" -v g="$g" "BEGIN { exit !($test) }" || missed+=" $style"
  done
  if [ -z "$test" ]; then
    printf '%s\n' "$line"
  elif [ -z "$missed" ]; then
    printf '%s  %s: met\n' "$line" "$goal"
  else
    printf '%s  %s: NOT met (%s)\n' "$line" "$goal" "${missed# }"
  fi
}

printf '\ninstructions on %s-line listings, the rest on %s-line listings\n' "$INSTR_LINES" "$LINES"
printf '%-44s' ""
printf ' %9s' "${STYLES[@]}"
printf '  goal\n'
row instr-c "instr/line, C interface" "within +2% of 764/637/754" 'v <= g * 1.02'
row instr-classic "instr/line, ftpdir::parse classic" "" ""
row instr-ext "instr/line, ftpdir::parse extended" "at most 1,100/900/1,000" 'v <= g'
row speed-c "MB/s warm, C interface" "" ""
row speed-classic "MB/s warm, ftpdir::parse classic" "" ""
row speed-ext "MB/s warm, ftpdir::parse extended" "" ""
row speed-ratio "MB/s warm, extended / C interface" "at least 0.8x" 'v >= 0.8'
row cold-c "MB/s cold, C interface" "" ""
row cold-classic "MB/s cold, ftpdir::parse classic" "" ""
row cold-ext "MB/s cold, ftpdir::parse extended" "" ""
row cold-ratio "MB/s cold, extended / C interface" "at least 0.8x" 'v >= 0.8'
row memory-c "memory beyond the listing, C interface" "" ""
row memory-classic "memory beyond the listing, parse classic" "" ""
row memory-ext "memory beyond the listing, parse extended" "at most 1.5x" 'v <= 1.5'
row memory-ftpls "memory, ftpls --json" "at most 0.5x the file" 'v <= 0.5'
if [ "$PYTHON" != none ]; then
  row python-ftputil "Python: parse speed / ftputil's" "at least 10x" 'v >= 10'
  row python-feed "Python: Parser.feed speed / parse's" "as fast (0.95x for noise)" 'v >= 0.95'
fi
echo "memory: peak resident memory beyond the listing, as a multiple of its size"
echo "MB/s and Python: process CPU time, medians of $ROUNDS interleaved rounds" \
  "(noisy on a shared machine; instruction counts are not); MB/s warm: the memory of" \
  "the round before reused, cold: each parse in a fresh process, its pages new"
