#!/usr/bin/env bash
# Builds everything (64-bit and 32-bit) and runs every test under Wine.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
bash "$here/setup.sh"
source "$here/env.sh"
qb_configure_build "$QB_ROOT/build/x64" mingw-x86_64.cmake
qb_configure_build "$QB_ROOT/build/x86" mingw-i686.cmake
qb_prepare_prefix
trap qb_cleanup EXIT
qb_ensure_display
qb_start_wineserver
# The parts that use no Win32, natively under ASan/UBSan: their unit tests,
# then each fuzzer for 30 seconds.
bash "$here/fuzz.sh" 30
ctest --test-dir "$QB_ROOT/build/x64" --output-on-failure
