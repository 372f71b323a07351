#!/usr/bin/env bash
# Builds the 32-bit program (the one that runs on Windows XP SP3) and packs it
# for handing out: build/package/Quillbeck-<version>.zip with
#   Quillbeck.exe   the i686 program, stripped of its symbols
#   providers.lst   the sample provider catalogue
#   Quillbeck.chm   the help file
#   LEGGIMI.txt     the Italian read-me (packaging/LEGGIMI.txt, version filled in)
# CPack zips what the build installs (packaging/CMakeLists.txt); installing
# checks that every import of the program exists on Windows XP SP3 and that
# its version resource is the project version (tests/imports/check_imports.py).
#
# QB_PACKAGE_BUILD=DIR packs the program of an i686 build that is already
# configured there (tools/test.sh packs the very build it tests) instead of
# configuring build/x86pkg; QB_PACKAGE_OUT=DIR puts the zip there instead of
# in build/package.
#
# Signing: with QB_SIGN_PFX naming a PKCS#12 file (.pfx) that holds the
# provider's code-signing certificate and its private key, and
# QB_SIGN_PASSWORD its password, the program is signed with Authenticode
# before it is zipped (packaging/sign.sh, which also takes QB_SIGN_TIMESTAMP).
# Without QB_SIGN_PFX it is packed unsigned, and the last line says so.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/lib/fail.sh"
qb_trap_errors
root="$(cd "$here/.." && pwd)"
build="${QB_PACKAGE_BUILD:-$root/build/x86pkg}"
out="${QB_PACKAGE_OUT:-$root/build/package}"

bash "$here/setup.sh"
if [ -z "${QB_PACKAGE_BUILD:-}" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DQB_BUILD_TESTS=OFF -DQB_BUILD_BENCH=OFF >/dev/null
fi
grep -q '^CMAKE_TOOLCHAIN_FILE:.*mingw-i686.cmake$' "$build/CMakeCache.txt" 2>/dev/null ||
  qb_fail "$build is not a configured i686 build"
# CPack builds nothing itself: the program, help file and read-me first.
cmake --build "$build" -j "$(nproc)"
rm -f "$out"/Quillbeck-*.zip  # a failed run leaves no zip behind
cpack --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
rm -rf "$out/_CPack_Packages"  # CPack's staging folder
unzip -l "$out"/Quillbeck-*.zip
if [ -n "${QB_SIGN_PFX:-}" ]; then
  signature="Quillbeck.exe signed with the certificate in $QB_SIGN_PFX"
else
  signature="Quillbeck.exe is unsigned: Windows warns before running it (QB_SIGN_PFX and QB_SIGN_PASSWORD sign it)"
fi
echo "package: $(ls "$out"/Quillbeck-*.zip); $signature"
