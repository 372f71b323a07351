#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12 (as root).
# Idempotent: packages already present are not fetched again.
set -euo pipefail
packages=(
  cmake make ninja-build
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  googletest
  wine wine64
  xvfb xdotool x11-utils imagemagick
  fp-utils fp-compiler fp-units-fcl fp-units-misc fpc-source
  clang libclang-rt-14-dev
  zip unzip python3
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "run as root to install the missing packages" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
