#!/usr/bin/env bash
# Builds the 32-bit program (the one that runs on Windows XP SP3) and packs it
# for handing out: build/package/Quillbeck-<version>.zip with
#   Quillbeck.exe   the i686 program
#   providers.lst   the sample provider catalogue
#   Quillbeck.chm   the help file
#   LEGGIMI.txt     the Italian read-me (packaging/LEGGIMI.txt, version filled in)
# The version is the project version of CMakeLists.txt, taken from the
# version.h that CMake generates for the version resource; the script checks
# that the program's version resource says the same, and that every import of
# the program exists on Windows XP SP3 (both: tests/imports/check_imports.py). The
# packed program is the build's, stripped of its symbols.
#
# QB_PACKAGE_BUILD=DIR packs the program of an i686 build that is already
# configured there (tools/test.sh packs the very build it tests) instead of
# configuring build/x86pkg.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/lib/fail.sh"
qb_trap_errors
root="$(cd "$here/.." && pwd)"
build="${QB_PACKAGE_BUILD:-$root/build/x86pkg}"
out="$root/build/package"

die() { echo "package.sh: $*" >&2; exit 1; }

bash "$here/setup.sh"
for tool in zip unzip python3 iconv i686-w64-mingw32-strip; do
  command -v "$tool" >/dev/null || die "$tool is missing (tools/setup.sh installs it)"
done

if [ -z "${QB_PACKAGE_BUILD:-}" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DQB_BUILD_TESTS=OFF -DQB_BUILD_BENCH=OFF >/dev/null
fi
grep -q '^CMAKE_TOOLCHAIN_FILE:.*mingw-i686.cmake$' "$build/CMakeCache.txt" 2>/dev/null ||
  die "$build is not a configured i686 build"
# Everything the build makes by default: the program, the sample catalogue and
# the help file beside it.
cmake --build "$build" -j "$(nproc)" --target Quillbeck

app="$build/app"
exe="$app/Quillbeck.exe"
lst="$app/providers.lst"
chm="$app/Quillbeck.chm"
[ -f "$exe" ] || die "the build made no $exe"
[ -f "$lst" ] || die "no sample catalogue at $lst (catalogue/CMakeLists.txt copies catalogue/providers.lst there)"
cmp -s "$lst" "$root/catalogue/providers.lst" || die "$lst differs from catalogue/providers.lst"
[ -f "$chm" ] || die "no help file at $chm: the help build (help/CMakeLists.txt, target qb_help) has not made Quillbeck.chm"

# The version: project(Quillbeck VERSION x.y.z) as CMake wrote it for the resource.
version_h="$build/res/version.h"
[ -f "$version_h" ] || die "no $version_h: the version resource (res/version.h.in, res/quillbeck.rc) is not part of the build"
version="$(sed -n 's/^#define QB_VERSION_STRING "\(.*\)"$/\1/p' "$version_h")"
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || die "no x.y.z version in $version_h"
declared="$(sed -n 's/^project(Quillbeck VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
[ "$version" = "$declared" ] || die "version.h says $version but CMakeLists.txt says $declared"
zipfile="$out/Quillbeck-$version.zip"
rm -f "$zipfile"  # a failed run leaves no zip behind

# Stage the files and zip them, flat, without extra file attributes.
stage="$out/stage"
rm -rf "$stage"
mkdir -p "$stage"
cp "$exe" "$lst" "$chm" "$stage/"
# Symbols and debugging sections are no use to the users: less than half the size.
i686-w64-mingw32-strip "$stage/Quillbeck.exe"

# The program itself: a 32-bit image whose version resource matches, and
# whose imports all exist on Windows XP SP3.
python3 "$root/tests/imports/check_imports.py" --version "$version" "$stage/Quillbeck.exe" ||
  die "Quillbeck.exe is not the expected 32-bit program for Windows XP SP3 version $version"

# The read-me for Notepad on XP: windows-1252, CRLF line ends.
sed "s/@QB_VERSION@/$version/g" "$root/packaging/LEGGIMI.txt" |
  iconv -f UTF-8 -t WINDOWS-1252 | sed 's/$/\r/' >"$stage/LEGGIMI.txt"
if grep -q '@[A-Z_]*@' "$stage/LEGGIMI.txt"; then die "LEGGIMI.txt has a placeholder left"; fi
grep -q "versione $version" "$stage/LEGGIMI.txt" || die "LEGGIMI.txt does not name version $version"

(cd "$stage" && zip -q -X "$zipfile" Quillbeck.exe providers.lst Quillbeck.chm LEGGIMI.txt)

# Check what came out: exactly the four files, each as staged.
check="$out/check"
rm -rf "$check"
mkdir -p "$check"
unzip -q "$zipfile" -d "$check"
[ "$(cd "$check" && ls -A | sort | tr '\n' ' ')" = "LEGGIMI.txt Quillbeck.chm Quillbeck.exe providers.lst " ] ||
  die "the zip does not hold exactly the four files"
for f in Quillbeck.exe providers.lst Quillbeck.chm LEGGIMI.txt; do
  cmp -s "$stage/$f" "$check/$f" || die "$f in the zip differs from the staged file"
done
rm -rf "$check" "$stage"

unzip -l "$zipfile"
echo "package: $zipfile"
