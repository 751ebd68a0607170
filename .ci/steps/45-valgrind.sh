#!/usr/bin/env bash
# valgrind over the C ABI: the life-cycle abuse test (100,000 open/read/
# release cycles among it), the byte-soup and digit-run listings, the C
# host reading every example and test listing through the shared library,
# and the same listings through the extended C API (its tests and its
# example), on the dev build. Any invalid access or leak fails the step.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash .ci/install-deps.sh valgrind

targets=(lifecycle_tests hostile_input_tests c_host c_ext_api_tests c_extended_example)
for target in "${targets[@]}"; do
  if [ ! -x "build/$target" ]; then
    cmake --preset dev
    cmake --build build -j2 --target "${targets[@]}"
    break
  fi
done

vg=(valgrind -q --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect)
"${vg[@]}" build/lifecycle_tests --gtest_brief=1
"${vg[@]}" build/hostile_input_tests --gtest_brief=1 \
  --gtest_filter='HostileInput.BytesThatAreNoText:HostileInput.DigitRunsOfThousandsOfBytesInEveryNumericField'
"${vg[@]}" build/c_ext_api_tests --gtest_brief=1
for listing in examples/*.txt tests/data/*.txt; do
  "${vg[@]}" build/c_host "$listing" >/dev/null
  "${vg[@]}" build/c_extended_example "$listing" >/dev/null
done
echo "valgrind: no errors, no leaks"
