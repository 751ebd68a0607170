#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz preset: clang, ASan+UBSan), runs their
# short CTest runs, then fuzzes each target for FUZZ_SECONDS (default 45)
# with the dictionary and the seed corpus. A crash, leak, sanitizer report or
# failed check fails the step; the input is left in build-fuzz/fuzz/.
set -euo pipefail
cd "$(dirname "$0")/../.."

if ! command -v clang++ >/dev/null 2>&1; then
  echo "clang++ not found: fuzzing skipped"
  exit 0
fi
bash .ci/install-deps.sh libclang-rt-14-dev

cmake --workflow --preset fuzz

seconds=${FUZZ_SECONDS:-45}
for target in fuzz_c_abi fuzz_chunking fuzz_cxx_vs_c fuzz_extended; do
  corpus=build-fuzz/fuzz/corpus/$target
  mkdir -p "$corpus"
  log=build-fuzz/fuzz/$target.log
  echo "-- $target: ${seconds} s"
  if ! "build-fuzz/$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
      -print_final_stats=1 -dict=fuzz/ftpdirlist.dict \
      -artifact_prefix=build-fuzz/fuzz/ "$corpus" build-fuzz/fuzz/seeds >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "$target: FINDING (input saved under build-fuzz/fuzz/)" >&2
    exit 1
  fi
  grep -E 'stat::(number_of_executed_units|average_exec_per_sec)' "$log"
done
