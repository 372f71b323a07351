#!/usr/bin/env bash
# End-to-end: an account from a preset with "ssl in=N out=N auth login=address"
# is added with real X11 input and its servers are checked, against Dovecot
# (POP3 over TLS) and aiosmtpd (SMTP with STARTTLS: "SMTP Secure Connection" = 1
# on a port other than 465) on 127.0.0.1, both named "localhost" and holding a
# certificate for that name from a test root. The root is trusted in the
# prefix's own store for the run only (the probe's "trust"), never the machine's.
# First the check after the add passes silently (no "Verifica" box), then
# "Verifica" on the row says that both servers answer.
#
# Usage: check_scenario.sh PROGRAM.exe|PACKAGE.zip PROBE_EXE OUTPUT_DIR
# Leaves OUTPUT_DIR/e2e-check-success.png, the screen with the answer of "Verifica".
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../../tools/env.sh"

usage="usage: $0 PROGRAM.exe|PACKAGE.zip PROBE_EXE OUTPUT_DIR"
given="$(realpath -e "${1:?$usage}")" || { echo "FAIL: program or package not found: $1" >&2; exit 1; }
probe_exe="$(realpath -e "${2:?$usage}")" || { echo "FAIL: window probe not found: $2" >&2; exit 1; }
out_dir="$(realpath -m "${3:?$usage}")"

# The servers are reached by the name "localhost", which an installed system's
# /etc/hosts maps to the loopback addresses. A bare root made with debootstrap
# (tools/fresh-check.sh) has no /etc/hosts: there the name reaches nothing,
# and the scenario says it is skipped rather than blame the program.
if ! getent ahosts localhost >/dev/null; then
  echo "skipped: the name localhost resolves to no address on this machine (no /etc/hosts entry)"
  exit "$QB_SKIP_STATUS"
fi

TITLE="Configurazione Mail"
MANAGER='HKCU\Software\Microsoft\Internet Account Manager'
ACCOUNTS="$MANAGER\\Accounts"
OTHER_KEY="00000007"
OTHER_ADDRESS="luisa.bianchi@esempio.it"
PRESET="Locale Sicuro (POP3 con SSL)"
USER_NAME="anna.prova"
ADDRESS="$USER_NAME@prova.test"

source "$here/scenario_lib.sh"
ID_LISTA="$(id_of IDC_LISTA)"
ID_CANCELLA="$(id_of IDC_BTN_CANCELLA)"
ID_PROVIDER="$(id_of IDC_PROVIDER)"
ID_USERNAME="$(id_of IDC_USERNAME)"
ID_AGGIUNGI="$(id_of IDC_BTN_AGGIUNGI)"
ID_CHIUDI="$(id_of IDC_BTN_CHIUDI)"

for tool in xdotool import xdpyinfo wine /usr/bin/python3 unzip; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (tools/setup.sh installs it)"
done
[ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 || fail "no X display: set DISPLAY (tools/test.sh starts Xvfb)"
[ -f "$WINEPREFIX/system.reg" ] || fail "no Wine prefix at $WINEPREFIX (tools/test.sh prepares it)"
mkdir -p "$out_dir"

# The servers and the root's trust go with the scenario, whatever ends it.
servers_pid="" root_der=""
scenario_cleanup() {
  [ -n "$root_der" ] && { wine "$probe_exe" distrust "$root_der" || echo "could not remove the test root" >&2; }
  if [ -n "$servers_pid" ]; then
    kill "$servers_pid" 2>/dev/null || true
    wait "$servers_pid" 2>/dev/null || true
  fi
}

wait_for 60 "the end of another scenario run on this prefix ($(cat "$lock/pid" 2>/dev/null))" take_lock

# --- set the stage ----------------------------------------------------------
work_dir="$(mktemp -d "${TMPDIR:-/tmp}/qb-e2e-check.XXXXXX")"
start_folder="$work_dir/folder"
mkdir "$start_folder" "$work_dir/servers"
if [[ "$given" == *.zip ]]; then
  step "unpack $(basename "$given")"
  unzip -q "$given" -d "$start_folder" || fail "cannot unpack $given"
  program="$start_folder/Quillbeck.exe"
  [ -f "$program" ] || fail "the package holds no Quillbeck.exe"
else
  program="$given"
fi
qb_skip_unless_runnable "$program"

step "start POP3 over TLS and SMTP with STARTTLS on 127.0.0.1"
# Debian's own Python, which python3-aiosmtpd installs into (not one earlier on PATH).
/usr/bin/python3 "$here/check_servers.py" "$work_dir/servers" $$ >"$work_dir/servers.out" 2>"$work_dir/servers.err" &
servers_pid=$!
servers_ready() {
  grep -qx ready "$work_dir/servers.out" && return 0
  kill -0 "$servers_pid" 2>/dev/null || fail "the servers did not start: $(cat "$work_dir/servers.err")"
  return 1
}
wait_for 30 "the servers ready" servers_ready
server_value() { awk -v n="$1" '$1 == n { print $2 }' "$work_dir/servers.out"; }
POP3S_PORT="$(server_value pop3s)"
SMTP_PORT="$(server_value smtp)"
pop3_log="$(server_value pop3log)"
smtp_log="$(server_value smtplog)"
step "POP3 over TLS on port $POP3S_PORT, SMTP on port $SMTP_PORT"
wine "$probe_exe" trust "$(server_value root)" || fail "cannot trust the test root in the prefix"
root_der="$(server_value root)"

step "clean registry, one foreign account, a providers.lst with the local preset"
write_reg_files
reg_import stage.reg || fail "cannot prepare the registry"
printf '%s;prova.test;localhost;localhost;POP3;ssl in=%s out=%s auth login=address\r\n' \
  "$PRESET" "$POP3S_PORT" "$SMTP_PORT" >"$start_folder/providers.lst"

start_program "$start_folder"
wait_for 5 "start-up fills the provider box" text_is "$ID_PROVIDER" "$PRESET"

# --- add: the check after it stays silent -----------------------------------------
step "type the user name and press \"Aggiungi indirizzo\""
click_control "$ID_USERNAME"
type_text "$USER_NAME"
wait_for 5 "the typed user name" text_is "$ID_USERNAME" "$USER_NAME"
wait_for 5 "the add button enabled" control_enabled "$ID_AGGIUNGI"
# Dovecot logs each login connection's end, aiosmtpd each lost connection; the
# servers' own start-up connected already, so only lines after these count.
pop3_ends() { grep -c "pop3-login: .*Disconnected" "$pop3_log" || true; }
smtp_ends() { grep -ci "connection lost$" "$smtp_log" || true; }
pop3_before="$(pop3_ends)" smtp_before="$(smtp_ends)"
click_control "$ID_AGGIUNGI"
wait_for 5 "the new row in the list" has_row "$ADDRESS (Default)"
key="$ACCOUNTS\\(KX) $ADDRESS"
expect_value "$key" "POP3 Server" REG_SZ "localhost"
expect_value "$key" "POP3 Port" REG_DWORD "$(printf '0x%x' "$POP3S_PORT")"
expect_value "$key" "SMTP Port" REG_DWORD "$(printf '0x%x' "$SMTP_PORT")"
expect_value "$key" "SMTP Secure Connection" REG_DWORD 0x1

step "wait until both servers saw the automatic check end"
pop3_done() { (($(pop3_ends) > pop3_before)); }
smtp_done() { (($(smtp_ends) > smtp_before)); }
wait_for 25 "the POP3 server reached by the check ($pop3_log)" pop3_done
wait_for 25 "the SMTP server reached by the check ($smtp_log)" smtp_done
if box="$(probe msgbox "Verifica" 2000 2>/dev/null)"; then
  fail "the check after the add reported a problem: $(grep '^text' <<<"$box" | cut -f 2-)"
fi

# --- "Verifica" on the row ------------------------------------------------------------
step "select the row and click \"Verifica\" on the menu bar"
row="$(rows | awk -F '\t' -v t="$ADDRESS (Default)" '$5 == t')"
click_at "$(cut -f 3 <<<"$row")" "$(cut -f 4 <<<"$row")"
wait_for 5 "the remove button enabled by the click on the row" control_enabled "$ID_CANCELLA"
# "Verifica" is the menu bar's first item, in the strip just above the client area.
win="$(probe window "$TITLE" 0)"
client_x="$(cut -f 7 <<<"$win")" client_y="$(cut -f 8 <<<"$win")"
click_at $((client_x + 20)) $((client_y - 9))
box="$(probe msgbox "Verifica" 25000)" || fail "no answer \"Verifica\" appeared"
told="$(grep '^text' <<<"$box" | cut -f 2-)"
expected="Verifica dell'indirizzo \"$ADDRESS\": tutti i server rispondono."
expected+="\\n\\n- Posta in arrivo POP3 localhost, porta $POP3S_PORT, connessione protetta SSL/TLS: risponde correttamente."
expected+="\\n\\n- Posta in uscita SMTP localhost, porta $SMTP_PORT, connessione protetta STARTTLS: risponde correttamente."
[ "$told" = "$expected" ] || fail "\"Verifica\" says [$told], expected [$expected]"
import -window root "$out_dir/e2e-check-success.png" || fail "screenshot failed"
step "screenshot: $out_dir/e2e-check-success.png"
ok="$(grep $'^button\t1\t' <<<"$box")" || fail "the answer has no OK button"
click_at "$(cut -f 3 <<<"$ok")" "$(cut -f 4 <<<"$ok")"
probe gone "Verifica" 5000 || fail "the answer stayed open"
selected="$(rows | awk -F '\t' '$2 == 1' | cut -f 5-)"
[ "$selected" = "$ADDRESS (Default)" ] || fail "after \"Verifica\" the selected row is [$selected]"
control_enabled "$ID_CANCELLA" || fail "\"Verifica\" disabled \"Rimuovi indirizzo\""

step "press \"Chiudi\""
click_control "$ID_CHIUDI"
probe gone "$TITLE" 5000 || fail "the window is still on the screen after \"Chiudi\""
wait "$app_pid" || fail "the program ended with an error ($(tr '\n' ' ' <"$work_dir/launcher.out"))"
app_pid=""
step "done"
