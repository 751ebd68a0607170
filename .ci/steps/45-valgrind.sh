#!/usr/bin/env bash
# valgrind over the C ABI: the life-cycle abuse test (100,000 open/read/
# release cycles among it) and the byte-soup and digit-run listings, on the
# dev build. Any invalid access or leak fails the step.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash .ci/install-deps.sh valgrind

if [ ! -x build/lifecycle_tests ] || [ ! -x build/hostile_input_tests ]; then
  cmake --preset dev
  cmake --build build -j2 --target lifecycle_tests hostile_input_tests
fi

vg=(valgrind -q --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect)
"${vg[@]}" build/lifecycle_tests --gtest_brief=1
"${vg[@]}" build/hostile_input_tests --gtest_brief=1 \
  --gtest_filter='HostileInput.BytesThatAreNoText:HostileInput.DigitRunsOfThousandsOfBytesInEveryNumericField'
echo "valgrind: no errors, no leaks"
