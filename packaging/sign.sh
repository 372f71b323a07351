#!/usr/bin/env bash
# Signs a Windows program in place with Authenticode, so that Windows names
# its publisher instead of warning about an unknown one:
#   packaging/sign.sh PROGRAM
# The certificate with its private key is a PKCS#12 file (.pfx, .p12) named
# by QB_SIGN_PFX; QB_SIGN_PASSWORD is its password (unset or empty for a
# file without one). QB_SIGN_TIMESTAMP, when set, is the URL of an RFC 3161
# time-stamping server: a stamped signature stays valid after the
# certificate expires, an unstamped one does not.
# The install rules run this on the stripped program (packaging/CMakeLists.txt):
# stripping a signed program would break its signature.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../tools/lib/fail.sh"
qb_trap_errors

(($# == 1)) || qb_fail "usage: sign.sh PROGRAM"
program="$1"
[ -n "${QB_SIGN_PFX:-}" ] || qb_fail "sign.sh: QB_SIGN_PFX names no certificate file"
[ -r "$QB_SIGN_PFX" ] || qb_fail "sign.sh: cannot read the certificate file $QB_SIGN_PFX"
command -v osslsigncode >/dev/null || qb_fail "sign.sh: osslsigncode is missing (tools/setup.sh installs it)"

options=(-pkcs12 "$QB_SIGN_PFX" -h sha256)
# The password goes through a pipe on standard input: a command line is
# readable by every user of the machine. (osslsigncode takes an empty pipe for
# an error, and a file without a password needs no option.)
[ -z "${QB_SIGN_PASSWORD:-}" ] || options+=(-readpass /dev/stdin)
[ -z "${QB_SIGN_TIMESTAMP:-}" ] || options+=(-ts "$QB_SIGN_TIMESTAMP")

signed="$program.signed"
rm -f "$signed"
if ! osslsigncode sign "${options[@]}" -in "$program" -out "$signed" \
    < <(printf '%s' "${QB_SIGN_PASSWORD:-}") >/dev/null; then
  rm -f "$signed"
  qb_fail "sign.sh: osslsigncode could not sign $program with $QB_SIGN_PFX (a wrong QB_SIGN_PASSWORD, or no private key in the file?)"
fi
mv -f "$signed" "$program"
echo "sign.sh: signed $program"
