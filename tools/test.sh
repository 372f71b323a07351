#!/usr/bin/env bash
# Builds the 64-bit program with its tests and the 32-bit program, then runs
# every test: natively the sanitizer and fuzz runs, under Wine the rest.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
bash "$here/setup.sh"
source "$here/env.sh"
qb_configure_build "$QB_ROOT/build/x64" mingw-x86_64.cmake
# The 32-bit program only: the tests run on the 64-bit build, and the import
# check reads this program.
qb_configure_build "$QB_ROOT/build/x86" mingw-i686.cmake -DQB_BUILD_TESTS=OFF -DQB_BUILD_BENCH=OFF
qb_prepare_prefix
trap qb_cleanup EXIT
qb_ensure_display
qb_start_wineserver
# The parts that use no Win32, natively under ASan/UBSan: their unit tests,
# then each fuzzer for 30 seconds.
bash "$here/fuzz.sh" 30
ctest --test-dir "$QB_ROOT/build/x64" --output-on-failure
