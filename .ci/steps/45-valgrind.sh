#!/usr/bin/env bash
# valgrind over the C ABI: the life-cycle abuse test (100,000 open/read/
# release cycles among it), the byte-soup and digit-run listings, and the C
# host reading every example and test listing through the shared library,
# on the dev build. Any invalid access or leak fails the step.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash .ci/install-deps.sh valgrind

if [ ! -x build/lifecycle_tests ] || [ ! -x build/hostile_input_tests ] || [ ! -x build/c_host ]; then
  cmake --preset dev
  cmake --build build -j2 --target lifecycle_tests hostile_input_tests c_host
fi

vg=(valgrind -q --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect)
"${vg[@]}" build/lifecycle_tests --gtest_brief=1
"${vg[@]}" build/hostile_input_tests --gtest_brief=1 \
  --gtest_filter='HostileInput.BytesThatAreNoText:HostileInput.DigitRunsOfThousandsOfBytesInEveryNumericField'
for listing in examples/*.txt tests/data/*.txt; do
  "${vg[@]}" build/c_host "$listing" >/dev/null
done
echo "valgrind: no errors, no leaks"
