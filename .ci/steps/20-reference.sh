#!/usr/bin/env bash
# The shortcuts of the parser core against its reference build (every
# shortcut off: plain token walk, byte loops), field for field. Fails on any
# difference.
# 1. One program holding both builds of the core compares the table, the
#    skipped lines and every line's verdict over generated listings of every
#    style, the mutation set, the examples and the test listings.
# 2. A whole library built with FTPDIRLIST_REFERENCE=ON against the normal
#    Release build, through the C interface and the C++ API.
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake --preset dev >/dev/null
cmake --build build --target ftpdirlist_reference_compare
build/ftpdirlist_reference_compare examples tests/data

cmake --preset bench >/dev/null
cmake -S . -B build-reference -G Ninja -DCMAKE_BUILD_TYPE=Release -DFTPDIRLIST_WERROR=ON \
  -DFTPDIRLIST_BUILD_BENCH=ON -DFTPDIRLIST_BUILD_TESTS=OFF -DFTPDIRLIST_REFERENCE=ON >/dev/null
for dir in build-bench build-reference; do
  cmake --build "$dir" -j 2 --target ftpdirlist_run ftpdirlist_generate
done
bench/compare_builds.sh build-reference build-bench 20000
