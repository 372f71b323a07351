#!/usr/bin/env bash
# Builds the program and starts it under Wine with the sample providers.lst.
# Without a display it starts a virtual one, waits for the window, saves a
# screenshot and prints where.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/lib/fail.sh"
qb_trap_errors
bash "$here/setup.sh"
source "$here/env.sh"
qb_configure_build "$QB_ROOT/build/x64" mingw-x86_64.cmake
qb_prepare_prefix
bin="$QB_ROOT/build/x64/app"
cd "$bin"   # providers.lst is read from the current directory
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec wine "$bin/Quillbeck.exe"
fi
trap qb_cleanup EXIT
qb_ensure_display
wine "$bin/Quillbeck.exe" &
app=$!
shot="$QB_ROOT/build/screenshot.png"
for _ in $(seq 1 100); do
  xdotool search --name '^Configurazione Mail$' >/dev/null 2>&1 && break
  sleep 0.2
done
sleep 1
import -window root "$shot"
echo "The window is up on the virtual display $DISPLAY; screenshot: $shot"
kill "$app" 2>/dev/null || true
