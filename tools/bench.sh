#!/usr/bin/env bash
# Builds the benchmark (64-bit, Release) with the program and the program's
# bare twin it launches, and runs it once under Wine. The results go to stdout,
# progress to stderr. With a file name as argument, a copy of the results is
# written there too:  tools/bench.sh [results.txt]
#
# The run takes about three minutes on a quiet machine (five with builds
# beside it). It first launches the program as
# a user would (the prefix must hold no accounts), then redirects
# HKEY_CURRENT_USER to scratch keys of its own and removes them at the end.
# The exit status is 4 when a target is missed. tools/test.sh builds the same
# program in both builds, without running it.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/lib/fail.sh"
qb_trap_errors
source "$here/env.sh"

# Only what the benchmark needs; tools/setup.sh installs it (as root).
for tool in cmake ninja x86_64-w64-mingw32-g++-posix wine wineboot xdpyinfo Xvfb; do
  command -v "$tool" >/dev/null 2>&1 || { echo "missing $tool: run tools/setup.sh as root" >&2; exit 1; }
done

build="$QB_ROOT/build/bench"
cmake -S "$QB_ROOT" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$QB_ROOT/cmake/mingw-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DQB_BUILD_TESTS=OFF -DQB_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target qb_bench

qb_prepare_prefix
trap qb_cleanup EXIT
qb_ensure_display
qb_start_wineserver
# The Wine server of this prefix, whose CPU time the benchmark reads: the one
# whose working folder is the prefix's server folder, which Wine names after
# the prefix's device and inode (server-<dev>-<inode>, in hexadecimal).
server_dir="server-$(stat -c '%d %i' "$WINEPREFIX" | { read -r dev ino; printf '%x-%x' "$dev" "$ino"; })"
QB_WINESERVER_PID=0
for pid in $(pgrep wineserver || true); do
  case "$(readlink "/proc/$pid/cwd" 2>/dev/null)" in */"$server_dir") QB_WINESERVER_PID=$pid ;; esac
done
export QB_WINESERVER_PID
[ "$QB_WINESERVER_PID" != 0 ] || echo "no Wine server in a folder $server_dir: its CPU time is left out" >&2

# The server check's figures need the mail-check tests' servers on 127.0.0.1:
# servers.py makes their certificates, starts them, runs the bench and stops
# them all whatever happens. Without them the bench says those figures are
# skipped, and why.
run=("$here/wine-run")
missing=""
[ -x /usr/sbin/dovecot ] || missing="Dovecot (/usr/sbin/dovecot)"
# Debian's python3, which has python3-aiosmtpd (a python3 earlier on PATH may not).
/usr/bin/python3 -c 'import aiosmtpd' 2>/dev/null || missing="${missing:+$missing, }aiosmtpd (python3-aiosmtpd)"
command -v openssl >/dev/null 2>&1 || missing="${missing:+$missing, }openssl"
if [ -z "$missing" ]; then
  run=(/usr/bin/python3 "$QB_ROOT/tests/mailcheck/servers.py" "${run[@]}")
else
  export QB_BENCH_NO_SERVERS="not installed: $missing (tools/setup.sh installs them)"
fi

exe="$build/bench/qb_bench.exe"
if [ $# -ge 1 ]; then
  "${run[@]}" "$exe" | tee "$1"
else
  "${run[@]}" "$exe"
fi
