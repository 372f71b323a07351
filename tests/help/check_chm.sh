#!/usr/bin/env bash
# Checks the compiled help file: its topics, its default topic and language, the
# context map that F1 uses (the help context numbers of res/help_ids.h, each
# to its topic, as paths inside the file), the texts of the topics
# (windows-1252, as declared), and that every link leads to a file inside.
# Usage: check_chm.sh Quillbeck.chm [chmls]
set -uo pipefail
export LC_ALL=C

chm="${1:?usage: check_chm.sh Quillbeck.chm [chmls]}"
chmls="${2:-chmls}"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if [ ! -s "$chm" ] || [ "$(head -c 4 "$chm")" != "ITSF" ]; then
  echo "FAIL: $chm is missing or is not a compiled HTML Help file"
  exit 1
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$chm" "$work/help.chm"

# Every help context and the topic it must open. "Nome (Alias)" and the
# "Chiudi" button share IDH_NOME_CHIUDI.
declare -A topic_of_name=(
  [IDH_LISTA]=html/lista.htm
  [IDH_RIMUOVI]=html/rimuovi.htm
  [IDH_PROVIDER]=html/provider.htm
  [IDH_USERNAME]=html/username.htm
  [IDH_DOMINIO]=html/dominio.htm
  [IDH_SERVER_ARRIVO]=html/server_arrivo.htm
  [IDH_SERVER_SMTP]=html/server_smtp.htm
  [IDH_NOME_CHIUDI]=html/nome_chiudi.htm
  [IDH_AGGIUNGI]=html/aggiungi.htm
)
# Their numbers, as the program's res/help_ids.h defines them; a help context
# there without a topic here fails too.
ids_header="$(dirname "${BASH_SOURCE[0]}")/../../res/help_ids.h"
[ -f "$ids_header" ] || { echo "FAIL: no $ids_header"; exit 1; }
declare -A topic_of=()
while read -r name number; do
  if [ -z "${topic_of_name[$name]:-}" ]; then fail "$name ($number) has no expected topic here"; continue; fi
  topic_of[$number]="${topic_of_name[$name]}"
  unset "topic_of_name[$name]"
done < <(awk '$1 == "#define" { print $2, $3 }' "$ids_header")
for name in "${!topic_of_name[@]}"; do fail "$name is not a help context of res/help_ids.h"; done

# --- the files inside ---------------------------------------------------------
"$chmls" -n -p list "$work/help.chm" >"$work/list" 2>/dev/null || fail "chmls cannot list the file"
for f in html/Quillbeck.htm "${topic_of[@]}" html/verifica.htm html/stile.css Quillbeck.hhc Quillbeck.hhk; do
  grep -qxF "/$f" "$work/list" || fail "/$f is not in the help file"
done

# --- options: default topic, title, language ----------------------------------
"$chmls" printsystem "$work/help.chm" >"$work/system" 2>/dev/null || fail "chmls cannot read #SYSTEM"
grep -qE '^\(2\) +Default topic.*:html/Quillbeck\.htm *$' "$work/system" || fail "the default topic is not html/Quillbeck.htm"
grep -qE '^\(3\) +Title.*:Configurazione Mail' "$work/system" || fail "the title does not name Configurazione Mail"
grep -qE 'LCID from HHP file *: *1040$' "$work/system" || fail "the language is not Italian (0x0410)"

# --- the context map ----------------------------------------------------------
# chmls writes help.ali ("helpid<number>=<topic>") beside the file it reads.
(cd "$work" && "$chmls" extractalias help.chm >/dev/null 2>&1)
if [ ! -f "$work/help.ali" ]; then
  fail "the help file has no context map"
  touch "$work/help.ali"
fi
tr -d '\r' <"$work/help.ali" | grep -v '^$' | sort >"$work/map"
for n in "${!topic_of[@]}"; do echo "helpid$n=${topic_of[$n]}"; done | sort >"$work/expected"
if ! diff -u "$work/expected" "$work/map" >"$work/map.diff"; then
  fail "the context map differs from the expected one (- expected, + found):"
  cat "$work/map.diff"
fi

# --- the topics' texts --------------------------------------------------------
extracted=""
extract() {  # path inside the file; sets $extracted to the copy
  extracted="$work/$(echo "$1" | tr '/' '_')"
  if ! "$chmls" extract "$work/help.chm" "/$1" "$extracted" >/dev/null 2>&1; then
    fail "cannot extract /$1"
    : >"$extracted"
  fi
}
expect_text() {  # path text...
  extract "$1"; shift
  local t
  for t in "$@"; do
    grep -qF -- "$t" "$extracted" || fail "$(basename "$extracted") does not mention \"$t\""
  done
}

a_grave=$'\xe0'   # windows-1252
for f in html/Quillbeck.htm "${topic_of[@]}"; do
  extract "$f"
  grep -qiF 'charset=windows-1252' "$extracted" || fail "$f declares no windows-1252 charset"
  grep -q '<title>[^<]' "$extracted" || fail "$f has no title"
  if grep -qP '[\xc2-\xf4][\x80-\xbf]' "$extracted"; then fail "$f holds UTF-8 text although it declares windows-1252"; fi
done
expect_text html/Quillbeck.htm "Configurazione Mail" "Aggiungi indirizzo" "Rimuovi indirizzo" "password" "Outlook Express"
expect_text html/lista.htm "Indirizzi gi${a_grave} configurati" "(Default)"
expect_text html/rimuovi.htm "Rimuovi indirizzo" "Vuoi veramente cancellare"
expect_text html/provider.htm "Provider" "POP3" "IMAP" "providers.lst"
expect_text html/username.htm "Username" "@"
expect_text html/dominio.htm "Dominio" "@"
expect_text html/server_arrivo.htm "POP3 Server:" "IMAP Server:"
expect_text html/server_smtp.htm "SMTP Server"
expect_text html/nome_chiudi.htm "Nome (Alias)" "Chiudi"
expect_text html/aggiungi.htm "Aggiungi indirizzo" "(Default)" "verifica.htm"
expect_text html/verifica.htm "Verifica dei server" "risponde correttamente" "nome del server sconosciuto" \
  "rifiuta il collegamento" "non risponde" "non risponde come un server" "certificato non valido" \
  "connessione protetta non riuscita" "non offre la connessione protetta" "STARTTLS" "465"

# --- links ------------------------------------------------------------------
# Every href and src of every page, and every topic of the contents and the
# index, must name a file inside the help file (as a browser resolves it:
# relative to the page); a link out of the file fails too, for the help is
# read offline.
links=0
check_link() {  # the file inside that links, the link
  local from="$1" link="$2" target
  case "$link" in
    '#'*) return ;;
    *:*) fail "$from links out of the help file: $link"; return ;;
  esac
  target="$(realpath -m -s --relative-to=/ "/$(dirname "$from")/${link%%[#?]*}")"
  links=$((links + 1))
  grep -qxF "/$target" "$work/list" || fail "$from links to $link, which is not in the help file"
}
while read -r page; do
  extract "${page#/}"
  while read -r link; do check_link "${page#/}" "$link"; done < <(
    grep -oiE '(href|src)="[^"]*"' "$extracted" | sed -E 's/^[^"]*"//; s/"$//')
done < <(grep -iE '\.html?$' "$work/list")
for f in Quillbeck.hhc Quillbeck.hhk; do
  extract "$f"
  n=0
  while read -r link; do check_link "$f" "$link"; n=$((n + 1)); done < <(
    grep -iE '<param +name="Local"' "$extracted" | sed -E 's/.*value="([^"]*)".*/\1/I')
  [ "$n" -gt 0 ] || fail "$f names no topic"
done

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed for $chm"
  exit 1
fi
echo "help file OK: $chm (${#topic_of[@]} context numbers, $(grep -c '^/html/.*\.htm$' "$work/list") topics, $links links)"
