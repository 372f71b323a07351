#!/usr/bin/env bash
# End-to-end: a user adds a mail account and removes it again.
#
# The real program runs under Wine on the project's prefix, inside Wine's
# virtual desktop on the X display, and is driven with real X11 mouse and
# keyboard input (xdotool). The window probe (a small Windows program) says
# where each control is on the Win32 screen and what it shows; the registry
# is checked from outside the program with Wine's own "reg" after each step.
#
# Usage: add_remove_scenario.sh QUILLBECK_EXE PROBE_EXE OUTPUT_DIR [START_FOLDER]
# Without START_FOLDER the program starts in an empty folder holding a copy of
# the providers.lst beside it; with it, the program starts in that folder as
# it is (an unpacked package: the program beside its own providers.lst).
# Leaves OUTPUT_DIR/e2e-after-add.png, the window as the user sees it after
# the add. Needs DISPLAY (an X server such as Xvfb) and the prepared prefix.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../../tools/env.sh"

usage="usage: $0 QUILLBECK_EXE PROBE_EXE OUTPUT_DIR"
program="$(realpath -e "${1:?$usage}")" || { echo "program not found: $1" >&2; exit 1; }
probe_exe="$(realpath -e "${2:?$usage}")" || { echo "window probe not found: $2" >&2; exit 1; }
out_dir="$(realpath -m "${3:?$usage}")"
start_folder="${4:-}"

TITLE="Configurazione Mail"
MANAGER='HKCU\Software\Microsoft\Internet Account Manager'
ACCOUNTS="$MANAGER\\Accounts"

USER_NAME="mario.rossi"
DISPLAY_NAME="Mario Rossi"
ADDRESS="$USER_NAME@quillbeck.it"
KEY_NAME="(KX) $ADDRESS"
# An account that some other program set up; it must survive the scenario.
OTHER_KEY="00000007"
OTHER_ADDRESS="luisa.bianchi@esempio.it"

source "$here/scenario_lib.sh"

# Control ids of the window, as res/resource.h defines them.
# (One assignment a line: set -e sees only the last substitution of a line.)
ID_LISTA="$(id_of IDC_LISTA)"
ID_CANCELLA="$(id_of IDC_BTN_CANCELLA)"
ID_PROVIDER="$(id_of IDC_PROVIDER)"
ID_USERNAME="$(id_of IDC_USERNAME)"
ID_DOMINIO="$(id_of IDC_DOMINIO)"
ID_POPSERVER="$(id_of IDC_POPSERVER)"
ID_SMTPSERVER="$(id_of IDC_SMTPSERVER)"
ID_NOME="$(id_of IDC_NOME)"
ID_AGGIUNGI="$(id_of IDC_BTN_AGGIUNGI)"
ID_LABEL_INBOUND="$(id_of IDC_LABEL_INBOUND)"
ID_CHIUDI="$(id_of IDC_BTN_CHIUDI)"

# --- preconditions --------------------------------------------------------
for tool in xdotool import xdpyinfo wine; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (tools/setup.sh installs it)"
done
[ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 || fail "no X display: set DISPLAY (tools/test.sh starts Xvfb)"
[ -f "$WINEPREFIX/system.reg" ] || fail "no Wine prefix at $WINEPREFIX (tools/test.sh prepares it)"
catalogue="$(dirname "$program")/providers.lst"
[ -f "$catalogue" ] || fail "sample providers.lst not found beside the program: $catalogue"
mkdir -p "$out_dir"

wait_for 60 "the end of another scenario run on this prefix ($(cat "$lock/pid" 2>/dev/null))" take_lock

# --- set the stage ----------------------------------------------------------
step "clean registry, one foreign account, sample providers.lst in an empty folder"
work_dir="$(mktemp -d "${TMPDIR:-/tmp}/qb-e2e.XXXXXX")"
write_reg_files
reg_import stage.reg || fail "cannot prepare the registry"
if [ -z "$start_folder" ]; then
  start_folder="$work_dir/folder"
  mkdir "$start_folder"
  cp "$catalogue" "$start_folder/providers.lst"
fi

start_program "$start_folder"

wait_for 5 "start-up fills the provider box" text_is "$ID_PROVIDER" "Quillbeck Mail (POP3)"
[ "$(row_texts)" = "$OTHER_ADDRESS" ] || fail "start-up list is [$(row_texts)], expected only $OTHER_ADDRESS"
control_disabled "$ID_AGGIUNGI" || fail "the add button is enabled before a user name is typed"

# --- a look at a program that does not answer for a while ------------------------
# The program's Unix process is stopped for 3 s while the probe reads the
# controls: the probe waits for the answers rather than fail, or take a text
# it did not get for an empty one.
step "read the controls while the program does not answer for 3 s"
held_pid="$(program_unix_pid)" || fail "cannot find the Unix process of $(basename "$program") in $WINEPREFIX"
kill -STOP "$held_pid" || fail "cannot stop the program's process $held_pid"
probe controls "$TITLE" >"$work_dir/held.out" 2>&1 &
look_pid=$!
sleep 3
kill -CONT "$held_pid"
held_pid=""
wait "$look_pid" || fail "the probe did not wait for the program: $(tr '\n' ' ' <"$work_dir/held.out")"
held_text="$(awk -F '\t' -v id="$ID_PROVIDER" '$1 == id { print $10 }' "$work_dir/held.out")"
[ "$held_text" = "Quillbeck Mail (POP3)" ] || fail "the look at the held program read the provider box as [$held_text]"

# --- the provider box by keyboard: Alt+Down, Down, Enter --------------------------
step "open the provider list with Alt+Down, move down one and choose with Enter"
click_control "$ID_PROVIDER"
press_key alt+Down
probe droplist 3000 >/dev/null || fail "Alt+Down did not open the provider list (the menu took the Alt key?)"
press_key Down
press_key Return
wait_for 5 "the preset chosen with Enter" text_is "$ID_PROVIDER" "Quillbeck Mail (IMAP)"
probe gone "$TITLE - Guida" 0 || fail "Enter opened the help instead of choosing the preset"

# --- choose a provider --------------------------------------------------------
step "choose \"Quillbeck Aziende (POP3)\", then \"Quillbeck Mail (POP3)\""
choose_provider 2 "Quillbeck Aziende (POP3)"
wait_for 5 "the domain of the business preset" text_is "$ID_DOMINIO" "aziende.quillbeck.it"
choose_provider 0 "Quillbeck Mail (POP3)"
wait_for 5 "the domain of the first preset" text_is "$ID_DOMINIO" "quillbeck.it"
snap
[ "$(text_of "$ID_POPSERVER")" = "pop.quillbeck.it" ] || fail "POP3 server field is [$(text_of "$ID_POPSERVER")]"
[ "$(text_of "$ID_SMTPSERVER")" = "mail.quillbeck.it" ] || fail "SMTP server field is [$(text_of "$ID_SMTPSERVER")]"

# --- type the user name and the display name -----------------------------------
step "type the user name and the display name"
click_control "$ID_USERNAME"
type_text "$USER_NAME"
wait_for 5 "the typed user name" text_is "$ID_USERNAME" "$USER_NAME"
click_control "$ID_NOME"
type_text "$DISPLAY_NAME"
wait_for 5 "the typed display name" text_is "$ID_NOME" "$DISPLAY_NAME"
wait_for 5 "the add button enabled" control_enabled "$ID_AGGIUNGI"
! key_exists "$ACCOUNTS\\$KEY_NAME" || fail "the account key exists before the add"

# --- add -------------------------------------------------------------------------
step "press \"Aggiungi indirizzo\""
click_control "$ID_AGGIUNGI"
wait_for 5 "the new row in the list" has_row "$ADDRESS (Default)"
has_row "$OTHER_ADDRESS" || fail "the foreign account's row is gone after the add"

step "check the registry after the add"
key="$ACCOUNTS\\$KEY_NAME"
key_exists "$key" || fail "registry: no key $key"
expect_value "$key" "Account Name" REG_SZ "$ADDRESS"
expect_value "$key" "Connection type" REG_DWORD 0x3
expect_value "$key" "SMTP Display Name" REG_SZ "$DISPLAY_NAME"
expect_value "$key" "SMTP Email Address" REG_SZ "$ADDRESS"
expect_value "$key" "SMTP Server" REG_SZ "mail.quillbeck.it"
expect_value "$key" "POP3 Prompt for Password" REG_DWORD 0x0
expect_value "$key" "POP3 Server" REG_SZ "pop.quillbeck.it"
expect_value "$key" "POP3 Use Sicily" REG_DWORD 0x0
expect_value "$key" "POP3 User Name" REG_SZ "$USER_NAME"
! reg_get "$key" "IMAP Server" || fail "registry: a POP3 account got an \"IMAP Server\""
expect_value "$MANAGER" "Default Mail Account" REG_SZ "$KEY_NAME"

step "check the window after the add"
snap
for id in "$ID_PROVIDER" "$ID_USERNAME" "$ID_DOMINIO" "$ID_POPSERVER" "$ID_SMTPSERVER"; do
  [ -z "$(text_of "$id")" ] || fail "control $id still shows [$(text_of "$id")] after the add"
done
[ "$(text_of "$ID_NOME")" = "$DISPLAY_NAME" ] || fail "the display name did not stay: [$(text_of "$ID_NOME")]"
for id in "$ID_DOMINIO" "$ID_POPSERVER" "$ID_SMTPSERVER" "$ID_AGGIUNGI" "$ID_CANCELLA"; do
  [ "$(field "$id" 8)" = 0 ] || fail "control $id is enabled after the add"
done
# The window as the user sees it, cropped from the X screen.
shot="$out_dir/e2e-after-add.png"
win="$(probe window "$TITLE" 0)"
wl=$(cut -f 2 <<<"$win") wt=$(cut -f 3 <<<"$win") wr=$(cut -f 4 <<<"$win") wb=$(cut -f 5 <<<"$win")
xdotool mousemove --sync $((desk_x + 5)) $((desk_y + 5))  # no tooltip over the window
sleep 0.3
import -window root -crop "$((wr - wl))x$((wb - wt))+$((desk_x + wl))+$((desk_y + wt))" +repage "$shot" ||
  fail "screenshot failed"
step "screenshot: $shot"

# --- remove ------------------------------------------------------------------------
step "select the new row and press \"Rimuovi indirizzo\""
row="$(rows | awk -F '\t' -v t="$ADDRESS (Default)" '$5 == t')"
[ -n "$row" ] || fail "no row \"$ADDRESS (Default)\""
click_at "$(cut -f 3 <<<"$row")" "$(cut -f 4 <<<"$row")"
wait_for 5 "the remove button enabled by the click on the row" control_enabled "$ID_CANCELLA"
selected="$(rows | awk -F '\t' '$2 == 1' | cut -f 5-)"
[ "$selected" = "$ADDRESS (Default)" ] || fail "the selected row is [$selected]"
click_control "$ID_CANCELLA"

box="$(probe msgbox "Cancella" 5000)" || fail "no confirmation \"Cancella\" appeared"
question="$(grep '^text' <<<"$box" | cut -f 2-)"
[ "$question" = "Vuoi veramente cancellare l'indirizzo $ADDRESS (Default)?" ] ||
  fail "the confirmation asks [$question]"
grep -q $'^button\t7\t' <<<"$box" || fail "the confirmation has no No button"
yes="$(grep $'^button\t6\t' <<<"$box")" || fail "the confirmation has no Yes button"
key_exists "$key" || fail "registry: the key went before the answer"
step "answer Yes"
click_at "$(cut -f 3 <<<"$yes")" "$(cut -f 4 <<<"$yes")"
probe gone "Cancella" 5000 || fail "the confirmation stayed open"
wait_for 5 "the row gone from the list" lacks_row "$ADDRESS (Default)"

step "check the registry after the removal"
! key_exists "$key" || fail "registry: the key $key is still there"
key_exists "$ACCOUNTS\\$OTHER_KEY" || fail "registry: the foreign account's key was removed too"
expect_value "$ACCOUNTS\\$OTHER_KEY" "SMTP Email Address" REG_SZ "$OTHER_ADDRESS"
# Removing touches only the account key; the default still names it.
expect_value "$MANAGER" "Default Mail Account" REG_SZ "$KEY_NAME"
[ "$(row_texts)" = "$OTHER_ADDRESS" ] || fail "after the removal the list is [$(row_texts)]"
control_disabled "$ID_CANCELLA" || fail "the remove button is still enabled after the removal"

# --- a provider chosen by keyboard, with a secure connection -------------------------
# The IMAP preset is applied first; typing in the open list then moves it to the
# POP3 one, and Tab leaves the box: the fields, and so the account, must follow.
SSL_USER="anna.ssl"
SSL_ADDRESS="$SSL_USER@quillbeck.it"
step "choose \"Quillbeck Sicura (IMAP con SSL)\", then type \"Quillbeck Sicura (P\" in the open list and press Tab"
choose_provider 5 "Quillbeck Sicura (IMAP con SSL)"
wait_for 5 "the IMAP server of the secure preset" text_is "$ID_POPSERVER" "imaps.quillbeck.it"
snap
click_at $(($(field "$ID_PROVIDER" 4) - 9)) "$(field "$ID_PROVIDER" 7)"
probe droplist 3000 >/dev/null || fail "the provider list did not open"
type_text "Quillbeck Sicura (P"
press_key Tab
wait_for 5 "the POP3 server of the preset the list moved to" text_is "$ID_POPSERVER" "pops.quillbeck.it"
snap
[ "$(text_of "$ID_PROVIDER")" = "Quillbeck Sicura (POP3 con SSL)" ] ||
  fail "the provider box shows [$(text_of "$ID_PROVIDER")] after Tab"
[ "$(text_of "$ID_SMTPSERVER")" = "smtps.quillbeck.it" ] || fail "SMTP server field is [$(text_of "$ID_SMTPSERVER")]"
[ "$(text_of "$ID_LABEL_INBOUND")" = "POP3 Server:" ] ||
  fail "the incoming server label says [$(text_of "$ID_LABEL_INBOUND")]"

step "type the user name and add the account"
click_control "$ID_USERNAME"
type_text "$SSL_USER"
wait_for 5 "the typed user name" text_is "$ID_USERNAME" "$SSL_USER"
wait_for 5 "the add button enabled" control_enabled "$ID_AGGIUNGI"
click_control "$ID_AGGIUNGI"
wait_for 5 "the secure account's row" has_row "$SSL_ADDRESS"

step "check the secure account from outside"
ssl_key="$ACCOUNTS\\(KX) $SSL_ADDRESS"
expect_value "$ssl_key" "POP3 Server" REG_SZ "pops.quillbeck.it"
expect_value "$ssl_key" "SMTP Server" REG_SZ "smtps.quillbeck.it"
expect_value "$ssl_key" "POP3 User Name" REG_SZ "$SSL_ADDRESS"
expect_value "$ssl_key" "POP3 Port" REG_DWORD 0x3e3
expect_value "$ssl_key" "POP3 Secure Connection" REG_DWORD 0x1
expect_value "$ssl_key" "SMTP Port" REG_DWORD 0x1d1
expect_value "$ssl_key" "SMTP Secure Connection" REG_DWORD 0x1
expect_value "$ssl_key" "SMTP Use Sicily" REG_DWORD 0x2
! reg_get "$ssl_key" "IMAP Server" || fail "registry: the account got an \"IMAP Server\" from the preset left behind"
reg_load "$ssl_key"
# "Prompt for Password" asks the mail client to ask; any other such value would hold one.
! grep -v "Prompt for Password" <<<"$reg_cache" | grep -qi "password" || fail "registry: the account holds a password value"
# Not the first preset: the default stays where the first add put it.
expect_value "$MANAGER" "Default Mail Account" REG_SZ "$KEY_NAME"

# --- the same address again, with a plain preset ------------------------------------------
# The account is set up already: the program asks, and Yes updates it so that it
# connects as the plain preset says (no port, SSL or authentication left behind).
step "add \"$SSL_ADDRESS\" again with \"Quillbeck Mail (POP3)\" and answer Yes"
choose_provider 0 "Quillbeck Mail (POP3)"
click_control "$ID_USERNAME"
type_text "$SSL_USER"
wait_for 5 "the typed user name" text_is "$ID_USERNAME" "$SSL_USER"
click_control "$ID_AGGIUNGI"
box="$(probe msgbox "$TITLE" 5000)" || fail "no question about the address set up already"
question="$(grep '^text' <<<"$box" | cut -f 2-)"
grep -qF "\"$SSL_ADDRESS\" è già configurato" <<<"$question" && grep -qF "«Quillbeck Mail (POP3)»" <<<"$question" ||
  fail "the question asks [$question]"
yes="$(grep $'^button\t6\t' <<<"$box")" || fail "the question has no Yes button"
grep -q $'^button\t7\t' <<<"$box" || fail "the question has no No button"
# The question as the user sees it, on the whole desktop.
import -window root "$out_dir/e2e-question.png" 2>/dev/null || fail "screenshot failed"
click_at "$(cut -f 3 <<<"$yes")" "$(cut -f 4 <<<"$yes")"
message_closed() { ! probe msgbox "$TITLE" 0 >/dev/null 2>&1; }
wait_for 5 "the question closed" message_closed
wait_for 5 "the updated account marked as the default" has_row "$SSL_ADDRESS (Default)"

step "check the updated account from outside"
expect_value "$ssl_key" "POP3 Server" REG_SZ "pop.quillbeck.it"
expect_value "$ssl_key" "SMTP Server" REG_SZ "mail.quillbeck.it"
expect_value "$ssl_key" "POP3 User Name" REG_SZ "$SSL_USER"
for value in "POP3 Port" "POP3 Secure Connection" "SMTP Port" "SMTP Secure Connection" "SMTP Use Sicily"; do
  ! reg_get "$ssl_key" "$value" || fail "registry: the plain account kept \"$value\" [$reg_got]"
done
KEY_NAME="(KX) $SSL_ADDRESS"  # the first preset made it the default
expect_value "$MANAGER" "Default Mail Account" REG_SZ "$KEY_NAME"

# --- a letter the system's code page lacks ----------------------------------------------
step "type a user name with \"ł\" and press \"Aggiungi indirizzo\""
choose_provider 0 "Quillbeck Mail (POP3)"
# xdotool types a letter that the X keymap lacks by mapping a spare key to it
# first; Wine sometimes reads that key before it learns the new mapping, and
# the letter is lost. The field is emptied and the name typed again then.
typed_accented=""
for _ in $(seq 1 8); do
  click_control "$ID_USERNAME"
  xdotool key --delay 20 End $(printf 'BackSpace %.0s' $(seq 1 12))
  type_text "ł"
  if wait_for_quietly 2 text_is "$ID_USERNAME" "ł"; then typed_accented=1 && break; fi
done
[ -n "$typed_accented" ] || fail "after 8 tries the user name field holds [$(text_of "$ID_USERNAME")], not \"ł\""
type_text "ukasz"
wait_for 5 "the rest of the user name" text_is "$ID_USERNAME" "łukasz"
click_control "$ID_AGGIUNGI"
box="$(probe msgbox "$TITLE" 5000)" || fail "no message about the letter appeared"
told="$(grep '^text' <<<"$box" | cut -f 2-)"
grep -qF "ł" <<<"$told" || fail "the message does not name the letter: [$told]"
ok="$(grep $'^button\t1\t' <<<"$box")" || fail "the message has no OK button"
click_at "$(cut -f 3 <<<"$ok")" "$(cut -f 4 <<<"$ok")"
wait_for 5 "the message closed" message_closed
step "check that nothing was written and the input stayed"
text_is "$ID_USERNAME" "łukasz" || fail "the user name field now holds [$(text_of "$ID_USERNAME")]"
reg_load "$ACCOUNTS"
! grep -qi "ukasz" <<<"$reg_cache" || fail "registry: an account was written for the refused name"
expect_value "$MANAGER" "Default Mail Account" REG_SZ "$KEY_NAME"

# --- two look-alike keys of another program -----------------------------------------
# "(KX) łuk@x.pl" and "(KX) luk@x.pl" meet in one name in the ANSI code page;
# the program must list both and remove exactly the row's own key. They come
# in through a UTF-16 .reg file, which holds the "ł" whatever the locale; a
# removal refreshes the list, so the secure account's row is removed first.
LOOKALIKE="łuk@x.pl" PLAIN="luk@x.pl"
remove_row() {  # row text
  local row box yes
  row="$(rows | awk -F '\t' -v t="$1" '$5 == t')"
  [ -n "$row" ] || fail "no row \"$1\" (rows: $(row_texts | tr '\n' '|'))"
  click_at "$(cut -f 3 <<<"$row")" "$(cut -f 4 <<<"$row")"
  wait_for 5 "the remove button enabled by the click on \"$1\"" control_enabled "$ID_CANCELLA"
  click_control "$ID_CANCELLA"
  box="$(probe msgbox "Cancella" 5000)" || fail "no confirmation for \"$1\""
  [ "$(grep '^text' <<<"$box" | cut -f 2-)" = "Vuoi veramente cancellare l'indirizzo $1?" ] ||
    fail "the confirmation asks [$(grep '^text' <<<"$box" | cut -f 2-)]"
  yes="$(grep $'^button\t6\t' <<<"$box")" || fail "the confirmation has no Yes button"
  click_at "$(cut -f 3 <<<"$yes")" "$(cut -f 4 <<<"$yes")"
  probe gone "Cancella" 5000 || fail "the confirmation stayed open"
}
step "add two look-alike keys from outside, then remove \"$SSL_ADDRESS (Default)\" so that the list is read again"
accounts_key="HKEY_CURRENT_USER${ACCOUNTS#HKCU}"
{
  printf '\xff\xfe'
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[%s\\(KX) %s]\r\n"SMTP Email Address"="%s"\r\n\r\n[%s\\(KX) %s]\r\n"SMTP Email Address"="%s"\r\n' \
    "$accounts_key" "$LOOKALIKE" "$LOOKALIKE" "$accounts_key" "$PLAIN" "$PLAIN" | iconv -f UTF-8 -t UTF-16LE
} >"$work_dir/lookalike.reg" || fail "cannot write the look-alike keys' .reg file"
reg_import lookalike.reg || fail "cannot import the look-alike keys"
remove_row "$SSL_ADDRESS (Default)"
wait_for 5 "both look-alike rows in the list" has_row "$LOOKALIKE"
has_row "$PLAIN" || fail "the list lacks \"$PLAIN\" beside \"$LOOKALIKE\" (rows: $(row_texts | tr '\n' '|'))"
step "remove the row \"$LOOKALIKE\""
remove_row "$LOOKALIKE"
wait_for 5 "the row \"$LOOKALIKE\" gone" lacks_row "$LOOKALIKE"
has_row "$PLAIN" || fail "the row \"$PLAIN\" went with \"$LOOKALIKE\""
step "check from outside that only \"(KX) $LOOKALIKE\" went"
# In UTF-8, so that "reg" writes "ł" as it is rather than a look-alike.
subkeys="$(LC_ALL=C.UTF-8 wine reg query "$ACCOUNTS" 2>/dev/null | tr -d '\r' | grep -F 'uk@x.pl')" || true
# "reg" names each sub-key by its whole path, the root spelled out.
[ "$(wc -l <<<"$subkeys")" = 1 ] && [ "${subkeys##*\\}" = "(KX) $PLAIN" ] ||
  fail "registry: the look-alike keys left are [$subkeys], expected only (KX) $PLAIN"
expect_value "$ACCOUNTS\\(KX) $PLAIN" "SMTP Email Address" REG_SZ "$PLAIN"

# --- close -------------------------------------------------------------------------
step "press \"Chiudi\""
click_control "$ID_CHIUDI"
probe gone "$TITLE" 5000 || fail "the window is still on the screen after \"Chiudi\""
# The launcher ends with the program and passes on its exit code.
deadline=$((SECONDS + 10))
while kill -0 "$app_pid" 2>/dev/null; do
  ((SECONDS < deadline)) || fail "the program is still running 10s after \"Chiudi\""
  sleep 0.2
done
code=0
wait "$app_pid" || code=$?
app_pid=""
grep -qx $'exit\t0' "$work_dir/launcher.out" && [ "$code" = 0 ] ||
  fail "the program ended with exit code $code ($(tr '\n' ' ' <"$work_dir/launcher.out"))"
step "done"
