#!/usr/bin/env bash
# Builds the benchmarks (bench preset, Release) and runs each of them once,
# briefly, on small listings, and the measuring scripts on tiny ones (the
# side-by-side run with the Python module built here), so that none of them
# can rot. Figures are not checked here: a shared CI machine
# cannot time reliably (see the README's performance section).
set -euo pipefail
cd "$(dirname "$0")/../.."
bash .ci/install-deps.sh libbenchmark-dev valgrind time python3 python3-dev python3-pybind11 \
  pybind11-dev python3-ftputil

cmake --preset bench >/dev/null
cmake --build --preset bench -j 2

FTPDIRLIST_BENCH_LINES=2000 build-bench/ftpdirlist_bench --benchmark_min_time=0.001 \
  --benchmark_format=console >/dev/null
echo "every benchmark ran"
BUILD_DIR=build-bench REBUILD=0 bench/instructions.sh 1000 unix dos vms
BUILD_DIR=build-bench REBUILD=0 bench/memory.sh 5000 unix
BUILD_DIR=build-bench REBUILD=0 RUN_MODE=--dialects bench/instructions.sh 1000 unix mlsd
BUILD_DIR=build-bench REBUILD=0 RUN_MODE=--cxx bench/instructions.sh 1000 unix
BUILD_DIR=build-bench INSTR_LINES=1000 ROUNDS=1 bench/side_by_side.sh 3000 unix dos vms
