# Sourced by the scripts: the project's own Wine prefix and a display.
source "$(dirname "${BASH_SOURCE[0]}")/lib/fail.sh"
QB_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export QB_WINEPREFIX="${QB_WINEPREFIX:-$QB_ROOT/build/wineprefix}"
export WINEPREFIX="$QB_WINEPREFIX"
export WINEDEBUG=-all
# Wine's .NET and HTML engines off: otherwise making the prefix offers to
# download Wine Mono and Gecko, a dialog that waits on the virtual display for
# an answer (and there is no network to download from). The price: the help
# viewer has no HTML engine here and shows its pages blank (tests/help checks
# the compiled pages instead).
export WINEDLLOVERRIDES="mscoree,mshtml="

# Debian's `wine` starts its 32-bit loader for every program once wine32 is
# installed, and that loader hands 64-bit programs on to wine64. A kernel built
# without 32-bit support (seen on a virtual machine whose kernel has no IA32
# emulation) refuses that loader with "Exec format error", so not even a 64-bit
# program would start. There a `wine` (and `wine-stable`, which wineboot calls)
# that starts the 64-bit loader directly goes first on PATH, and the tests of
# 32-bit programs say they are skipped (qb_skip_unless_runnable) instead of
# failing: such a machine cannot run the 32-bit program at all.
QB_SKIP_STATUS=77  # CTest's SKIP_RETURN_CODE for these tests
if [ -x /usr/lib/wine/wine ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  export QB_NO_32BIT=1
  QB_WINE64_ONLY="$QB_ROOT/build/wine64-only"
  if [ ! -x "$QB_WINE64_ONLY/wine-stable" ]; then
    mkdir -p "$QB_WINE64_ONLY"
    printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 "$@"\n' \
      >"$QB_WINE64_ONLY/wine"
    chmod +x "$QB_WINE64_ONLY/wine"
    ln -sf wine "$QB_WINE64_ONLY/wine-stable"
  fi
  case ":$PATH:" in *":$QB_WINE64_ONLY:"*) ;; *) export PATH="$QB_WINE64_ONLY:$PATH" ;; esac
fi

qb_is_32bit_windows_program() {  # file -> status 0 for a PE file for i386
  local pe machine
  pe="$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')" || return 1
  [ -n "$pe" ] || return 1
  machine="$(od -An -tx2 -j$((pe + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')" || return 1
  [ "$machine" = 014c ]
}

# Ends the calling script as skipped when the program is 32-bit and this
# machine runs no 32-bit programs; otherwise returns.
qb_skip_unless_runnable() {  # windows program
  [ -n "${QB_NO_32BIT:-}" ] && qb_is_32bit_windows_program "$1" || return 0
  echo "skipped: ${1##*/} is a 32-bit Windows program, and this machine's kernel runs no 32-bit programs (no IA32 emulation), so Wine cannot start it here"
  exit "$QB_SKIP_STATUS"
}

# Creates the prefix once. Programs run inside Wine's virtual desktop, which
# draws title bars without a window manager and spares Wine's wait when a
# shown window is destroyed on a bare X server.
qb_prepare_prefix() {
  # A prefix made before 32-bit Wine was installed (or removed) does not start
  # with the new loader: it is made again when the installed Wine changes.
  # (dpkg-query fails for a package that was never installed: that is an
  # answer here, not an error.)
  local stamp wine32
  wine32="$(dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null)" || wine32="not installed"
  stamp="$(wine --version) $wine32"
  if [ -f "$WINEPREFIX/system.reg" ] && [ "$(cat "$WINEPREFIX/.qb-wine" 2>/dev/null)" != "$stamp" ]; then
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    # wineboot's status says little (it can fail after the prefix is made);
    # the registry file, which the server writes when it ends, says whether
    # the prefix is there.
    wineboot -i >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    [ -f "$WINEPREFIX/system.reg" ] || qb_fail "wineboot could not make the Wine prefix $WINEPREFIX"
    printf '%s' "$stamp" > "$WINEPREFIX/.qb-wine"
  fi
}

# Starts Xvfb when there is no display; sets QB_XVFB_PID.
qb_ensure_display() {
  QB_XVFB_PID=""
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return; fi
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    # A display that answers already belongs to someone else (inside a chroot
    # the host's lock files are not visible, its abstract sockets are).
    DISPLAY=":$n" xdpyinfo >/dev/null 2>&1 && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    QB_XVFB_PID=$!
    export DISPLAY=":$n"
    # The display must answer while our own Xvfb still runs.
    for _ in $(seq 1 50); do
      kill -0 "$QB_XVFB_PID" 2>/dev/null || break
      xdpyinfo >/dev/null 2>&1 && kill -0 "$QB_XVFB_PID" 2>/dev/null && return
      sleep 0.1
    done
    kill "$QB_XVFB_PID" 2>/dev/null || true
  done
  qb_fail "cannot start Xvfb on any display from :90 to :140"
}

# One wineserver for the whole run; stopped by qb_cleanup. The first program
# of a session starts Wine's services, which keep the standard output they were
# given: started here with none, they cannot keep a test's output open (the
# test runner would wait for them until its time-out).
qb_start_wineserver() {
  # Status 2: a server for this prefix is running already (another shell's);
  # the run uses that one.
  local status=0
  wineserver -p 2>/dev/null || status=$?
  ((status == 0 || status == 2)) || qb_fail "wineserver would not start for $WINEPREFIX (status $status)"
  wine reg query 'HKCU\Software\Wine' >/dev/null 2>&1 </dev/null || true
}

qb_cleanup() {
  wineserver -k 2>/dev/null || true
  [ -n "${QB_XVFB_PID:-}" ] && kill "$QB_XVFB_PID" 2>/dev/null || true
}

qb_configure_build() {  # dir toolchain [cmake options...]
  local dir="$1" toolchain="$2"
  shift 2
  cmake -S "$QB_ROOT" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$QB_ROOT/cmake/$toolchain" -DCMAKE_BUILD_TYPE=Release \
    "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}
