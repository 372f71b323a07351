# Helpers of the end-to-end scenarios, sourced by them: the window probe, real
# X11 input on the Wine desktop, the registry read from outside, one scenario
# per prefix at a time, and the clean-up at exit. The scenario sets before
# sourcing: here, probe_exe, out_dir, TITLE, MANAGER, ACCOUNTS, OTHER_KEY,
# OTHER_ADDRESS; and ID_PROVIDER and ID_LISTA before it calls what uses them.

started=$SECONDS
step() {
  reg_cache_key=""
  printf '[%3ds] %s\n' "$((SECONDS - started))" "$*"
}
fail() {
  printf 'FAIL: %s\n' "$*" >&2
  exit 1
}

# Control ids of the window, as res/resource.h defines them.
ids_header="$here/../../res/resource.h"
id_of() { awk -v n="$1" '$1 == "#define" && $2 == n { print $3; found = 1 } END { exit !found }' "$ids_header" || fail "no $1 in $ids_header"; }

# --- helpers --------------------------------------------------------------
win_pid=""  # the program's Windows process id: every look at windows is limited to it
probe() {  # command [args...]
  local command=$1
  shift
  wine "$probe_exe" "$command" "$win_pid" "$@"
}

# Polls a command every 0.2 s until it succeeds or the seconds are up.
wait_for() {  # seconds description command...
  local seconds=$1 what=$2
  shift 2
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    ((SECONDS < deadline)) || fail "waited ${seconds}s: $what"
    sleep 0.2
  done
}

# As wait_for, but reports the time-out by its status instead of failing.
wait_for_quietly() {  # seconds command...
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.2
  done
}

# The window's controls, read at once into $snapshot, one line each:
# id left top right bottom cx cy enabled visible text.
snapshot=""
snap() { snapshot="$(probe controls "$TITLE")" || fail "cannot read the window's controls"; }
field() { grep -- "^$1"$'\t' <<<"$snapshot" | cut -f "$2"; }  # id field-number, from $snapshot
text_of() { field "$1" 10-; }
# Fresh looks, for polling.
text_is() { snap; [ "$(text_of "$1")" = "$2" ]; }
control_enabled() { snap; [ "$(field "$1" 8)" = 1 ]; }
control_disabled() { snap; [ "$(field "$1" 8)" = 0 ]; }

# Rows of the account list: index, selected, cx, cy, text.
rows() { probe items "$TITLE" "$ID_LISTA"; }
row_texts() { rows | cut -f 5-; }
has_row() { row_texts | grep -qxF -- "$1"; }
lacks_row() { ! row_texts | grep -qxF -- "$1"; }

# The top-level X window under the pointer, as a decimal id like xdotool's.
x_window_under_pointer() { python3 "$here/x_window_under_pointer.py"; }

# X screen point of a Win32 screen point: the virtual desktop's origin plus it.
# A click is made only where the program's own window is on top of the Wine
# desktop (the desktop is shared by every program of the prefix) and the Wine
# desktop on top of the X screen (other prefixes may have desktops of their
# own on the same display): anything else there would take the click.
desk_x=0 desk_y=0
click_at() {  # win32-x win32-y
  wait_for 3 "the program's window on top at ($1,$2) (another program of the prefix in front of it?)" \
    probe owner "$1" "$2"
  local x=$((desk_x + $1)) y=$((desk_y + $2)) under
  xdotool windowraise "$desktop" mousemove --sync "$x" "$y"
  under="$(x_window_under_pointer)"
  [ "$under" = "$desktop" ] ||
    fail "at X ($x,$y) the X window $under ($(xdotool getwindowname "$under" 2>/dev/null)) is on top, not the Wine desktop $desktop"
  xdotool click 1
}

# Typing goes to the X input focus: the Wine desktop, which passes it on to
# the focused control.
type_text() {  # text
  xdotool windowfocus "$desktop"
  # xdotool reads the text in the locale's encoding: UTF-8, whatever the
  # caller's locale (a bare "C" locale cannot hold "ł").
  LC_ALL=C.UTF-8 xdotool type --delay 15 "$1" || fail "xdotool could not type [$1]"
}

# The X window of Wine's virtual desktop for this prefix: the one whose
# process (explorer.exe /desktop) runs with this WINEPREFIX, or the only one.
find_desktop() {
  local candidates w pid
  candidates="$(xdotool search --name "Wine desktop" 2>/dev/null)" || return 1
  [ "$(wc -l <<<"$candidates")" = 1 ] && desktop="$candidates" && return 0
  for w in $candidates; do
    pid="$(xdotool getwindowpid "$w" 2>/dev/null)" || continue
    if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
      desktop="$w"
      return 0
    fi
  done
  return 1
}

# Wine starts a program detached from its launcher: its Unix process is the
# one whose command line names the program and that runs in this prefix (the
# scenario runs alone on its prefix, see the lock below).
program_unix_pid() {
  local dir cmd name
  name="$(basename "$program")"
  for dir in /proc/[0-9]*; do
    cmd="$(tr '\0' ' ' 2>/dev/null <"$dir/cmdline")" || continue
    case "$cmd" in *"$name"*) ;; *) continue ;; esac
    case "$cmd" in *qb_e2e_probe*) continue ;; esac
    tr '\0' '\n' 2>/dev/null <"$dir/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
    echo "${dir#/proc/}"
    return 0
  done
  return 1
}

press_key() {  # key name, as xdotool names it (alt+Down)
  xdotool windowfocus "$desktop"
  xdotool key --delay 30 "$1"
}

click_control() {  # id
  snap
  [ -n "$(field "$1" 1)" ] || fail "no control $1 in the window"
  click_at "$(field "$1" 6)" "$(field "$1" 7)"
}

# The registry as another program sees it. One "reg query" per key and step:
# the cache is dropped by every step(), before the program is driven again.
reg_cache_key="" reg_cache="" reg_cache_rc=1
reg_load() {  # key; fails when the key does not exist
  if [ "$reg_cache_key" != "$1" ]; then
    reg_cache_key="$1" reg_cache_rc=0
    reg_cache="$(wine reg query "$1" 2>/dev/null | tr -d '\r')" || reg_cache_rc=1
  fi
  return "$reg_cache_rc"
}
key_exists() { reg_load "$1"; }
reg_get() {  # key value-name -> reg_got="TYPE<TAB>DATA"; fails when there is no such value
  reg_got=""
  reg_load "$1" || return 1
  reg_got="$(awk -v name="$2" '
    BEGIN { FS = "    " }
    /^    / { sub(/^    /, ""); if ($1 == name) { print $2 "\t" substr($0, length($1) + length($2) + 9); found = 1 } }
    END { exit !found }' <<<"$reg_cache")"
}
expect_value() {  # key value-name type data
  reg_get "$1" "$2" || fail "registry: no value \"$2\" in $1"
  [ "$reg_got" = "$3"$'\t'"$4" ] || fail "registry: \"$2\" in $1 is [$reg_got], expected [$3	$4]"
}

# Registry changes go through one "reg import" each; the files lie in the work
# folder (reg, a Windows program, is given them by a relative path).
reg_import() {  # file-name in $work_dir
  (cd "$work_dir" && wine reg import "$1") >/dev/null 2>&1
}
write_reg_files() {
  local manager_key="HKEY_CURRENT_USER${MANAGER#HKCU}"
  local clean="[-$manager_key\\Accounts]"$'\r\n\r\n'"[$manager_key]"$'\r\n''"Default Mail Account"=-'$'\r\n'
  printf 'Windows Registry Editor Version 5.00\r\n\r\n%s\r\n' "$clean" >"$work_dir/clean.reg"
  printf 'Windows Registry Editor Version 5.00\r\n\r\n%s\r\n[%s]\r\n"Account Name"="Posta di Luisa"\r\n"SMTP Email Address"="%s"\r\n' \
    "$clean" "$manager_key\\Accounts\\$OTHER_KEY" "$OTHER_ADDRESS" >"$work_dir/stage.reg"
}
clean_registry() {
  reg_import clean.reg || {
    wine reg delete "$ACCOUNTS" /f >/dev/null 2>&1 || true
    wine reg delete "$MANAGER" /v "Default Mail Account" /f >/dev/null 2>&1 || true
  }
}

# One scenario at a time per prefix: two would share the registry and the
# desktop (a second build directory, say). A lock left by a run that was
# killed is taken over once its owner is gone.
lock="$WINEPREFIX/qb-e2e-scenario.lock"
locked=""
take_lock() {
  if mkdir "$lock" 2>/dev/null; then
    echo $$ >"$lock/pid"
    locked=1
    return 0
  fi
  local owner
  owner="$(cat "$lock/pid" 2>/dev/null)" || true
  if [ -n "$owner" ] && ! kill -0 "$owner" 2>/dev/null; then
    rm -rf "$lock"
  fi
  return 1
}

work_dir=""
held_pid=""  # the program's Unix process while a step holds it stopped
app_pid=""  # the launcher (probe run), which lives as long as the program
finish() {
  local rc=$?
  if [ -z "$locked" ]; then exit "$rc"; fi  # the stage belongs to another run
  if [ "$rc" != 0 ]; then  # what the screen showed when it went wrong
    import -window root "$out_dir/e2e-failure.png" 2>/dev/null &&
      echo "screen at the failure: $out_dir/e2e-failure.png" >&2
    if [ -s "$work_dir/launcher.out" ]; then
      echo "launcher output:" >&2
      cat "$work_dir/launcher.out" >&2
    fi
  fi
  if [ -n "$held_pid" ]; then kill -CONT "$held_pid" 2>/dev/null || true; fi
  if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then
    if [ -n "$win_pid" ]; then probe end >/dev/null 2>&1 || true; fi
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
  fi
  # A scenario's own clean-up (servers' trust, say), when it has one.
  if declare -F scenario_cleanup >/dev/null; then scenario_cleanup || true; fi
  [ -n "$work_dir" ] && clean_registry && rm -rf "$work_dir"
  rm -rf "$lock"
  exit "$rc"
}
trap finish EXIT
trap 'exit 143' TERM INT

choose_provider() {  # index expected-name
  local right cy item
  snap
  right="$(field "$ID_PROVIDER" 4)" cy="$(field "$ID_PROVIDER" 7)"
  click_at $((right - 9)) "$cy"  # the drop-down arrow at the right end
  item="$(probe droplist 3000 | awk -F '\t' -v i="$1" '$1 == i')" || true
  [ -n "$item" ] || fail "the provider list did not open"
  [ "$(cut -f 5 <<<"$item")" = "$2" ] || fail "provider item $1 is [$(cut -f 5 <<<"$item")], expected [$2]"
  click_at "$(cut -f 3 <<<"$item")" "$(cut -f 4 <<<"$item")"
  wait_for 5 "provider \"$2\" chosen" text_is "$ID_PROVIDER" "$2"
}


# Starts the program in a folder and finds the Wine desktop's X window.
start_program() {  # folder
  local start_folder=$1
  step "start the program in $start_folder"
  (cd "$start_folder" && exec wine "$probe_exe" run "$program") >"$work_dir/launcher.out" 2>&1 &
  app_pid=$!
  got_pid() { win_pid="$(awk -F '\t' '$1 == "pid" { print $2 }' "$work_dir/launcher.out")"; [ -n "$win_pid" ]; }
  wait_for 15 "the program started" got_pid
  probe window "$TITLE" 15000 >/dev/null || fail "the window did not appear"

  # Wine's virtual desktop is one X window; Win32 screen (0,0) is its origin.
  desktop=""
  wait_for 10 "the Wine desktop X window" find_desktop
  eval "$(xdotool getwindowgeometry --shell "$desktop" | grep -E '^[XY]=')"
  desk_x=$X desk_y=$Y
  step "Wine desktop at X ($desk_x,$desk_y)"
}
