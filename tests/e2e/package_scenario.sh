#!/usr/bin/env bash
# End-to-end on what users receive: the zip that tools/package.sh makes is
# unpacked into an empty folder, and the add/remove scenario runs the program
# from there, beside its own providers.lst and help file.
#
# Usage: package_scenario.sh PACKAGE_ZIP PROBE_EXE OUTPUT_DIR
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
usage="usage: $0 PACKAGE_ZIP PROBE_EXE OUTPUT_DIR"
zip="${1:?$usage}" probe="${2:?$usage}" out_dir="${3:?$usage}"
[ -f "$zip" ] || { echo "FAIL: no package at $zip (tools/package.sh makes it)" >&2; exit 1; }

folder="$(mktemp -d "${TMPDIR:-/tmp}/qb-package.XXXXXX")"
trap 'rm -rf "$folder"' EXIT
unzip -q "$zip" -d "$folder"
files="$(cd "$folder" && ls -A | sort | tr '\n' ' ')"
[ "$files" = "LEGGIMI.txt Quillbeck.chm Quillbeck.exe providers.lst " ] ||
  { echo "FAIL: the package holds [$files]" >&2; exit 1; }
echo "unpacked $(basename "$zip") into $folder"
source "$here/../../tools/env.sh"
qb_skip_unless_runnable "$folder/Quillbeck.exe"
bash "$here/add_remove_scenario.sh" "$folder/Quillbeck.exe" "$probe" "$out_dir" "$folder"
