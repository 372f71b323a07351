#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12 (as root).
# Idempotent: packages already present are not fetched again.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/lib/fail.sh"
qb_trap_errors

# The shipped program is 32-bit: WoW64 runs it only with 32-bit Wine, which
# lives in Debian's i386 architecture.
packages=(
  cmake make ninja-build
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  googletest
  wine wine64 wine32:i386
  xvfb xauth xdotool x11-utils imagemagick
  fp-utils fp-compiler fp-units-fcl fp-units-misc fpc-source
  clang libclang-rt-14-dev
  unzip python3 debootstrap
  # Signing the package and its test: osslsigncode; certificates: openssl.
  osslsigncode openssl
  # The mail-server check's tests: real POP3 and IMAP (Dovecot) and SMTP
  # (aiosmtpd) servers on 127.0.0.1; `ip` brings up the loopback interface of
  # the network namespace their suite runs in (tests/mailcheck/in_namespace.sh).
  dovecot-pop3d dovecot-imapd python3-aiosmtpd iproute2
)

installed() {  # package -> status 0 when installed (never fails the script)
  local status
  status="$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" || return 1
  [[ "$status" == *"install ok installed"* ]]
}

need_root() {
  if [ "$(id -u)" -ne 0 ]; then
    qb_fail "$1: run as root (the set-up installs Debian packages)"
  fi
}

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  need_root "enabling the i386 architecture for 32-bit Wine"
  echo "setup: enabling the i386 architecture"
  dpkg --add-architecture i386
fi

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
if ((${#missing[@]})); then
  need_root "installing ${missing[*]}"
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # Dovecot's package would start a system-wide server on ports 110 and 143;
  # the tests start their own, so no service starts while packages install.
  policy=/usr/sbin/policy-rc.d
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' > "$policy"
    chmod +x "$policy"
    trap 'rm -f "$policy"' EXIT
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
