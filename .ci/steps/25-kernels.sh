#!/usr/bin/env bash
# Every kernel tested: the core tests once with the SWAR kernels and once
# with the scalar ones forced (FTPDIRLIST_KERNEL), as the i686 DLL and other
# targets run them; the dev build already runs the SSE2 ones. Each build
# also compares its core with the reference build on the quick set.
set -euo pipefail
cd "$(dirname "$0")/../.."

tests=(parse_tests core_tests hostile_input_tests)
for kernel in swar scalar; do
  dir="build-$kernel"
  echo "-- kernels: $kernel"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFTPDIRLIST_WERROR=ON \
    -DFTPDIRLIST_BUILD_TESTS=ON -DFTPDIRLIST_BUILD_TOOLS=OFF -DFTPDIRLIST_KERNEL="$kernel" >/dev/null
  cmake --build "$dir" -j 2 --target "${tests[@]}" ftpdirlist_reference_compare
  for test in "${tests[@]}"; do
    "$dir/$test" --gtest_brief=1
  done
  "$dir/ftpdirlist_reference_compare" --quick examples tests/data
done
