#!/usr/bin/env bash
# Builds the 64- and 32-bit programs with their tests, packs the 32-bit one as
# users receive it, then runs every test: natively the sanitizer and fuzz runs,
# under Wine the suites and end-to-end tests of both builds and of the
# unpacked package.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/lib/fail.sh"
qb_trap_errors
started=$SECONDS
phase() { printf '== [%3ds] %s\n' "$((SECONDS - started))" "$*"; }

phase "set-up"
bash "$here/setup.sh"
source "$here/env.sh"
# The benchmark is built (not run) with each, so that a change that breaks it
# fails here; ON overrides a build folder that was configured without it.
phase "building the 64-bit program, tests and benchmark (build/x64)"
qb_configure_build "$QB_ROOT/build/x64" mingw-x86_64.cmake -DQB_BUILD_BENCH=ON
phase "building the 32-bit program, tests and benchmark (build/x86)"
qb_configure_build "$QB_ROOT/build/x86" mingw-i686.cmake -DQB_BUILD_BENCH=ON
phase "packing the 32-bit program"
QB_PACKAGE_BUILD="$QB_ROOT/build/x86" bash "$here/package.sh" >/dev/null

qb_prepare_prefix
trap qb_cleanup EXIT
qb_ensure_display
qb_start_wineserver
# The parts that use no Win32, natively under ASan/UBSan: their unit tests,
# then each fuzzer for 30 seconds.
phase "sanitizer tests and fuzzers"
bash "$here/fuzz.sh" 30
# Both builds' tests in one CTest run, so that its closing lines count them all.
phase "tests of both builds and of the package"
all="$QB_ROOT/build/all-tests"
mkdir -p "$all"
printf 'subdirs("%s")\n' "$QB_ROOT/build/x64" "$QB_ROOT/build/x86" >"$all/CTestTestfile.cmake"
ctest --test-dir "$all" --output-on-failure
phase "done"
