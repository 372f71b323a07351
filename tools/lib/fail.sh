# Sourced by every script: a failing step never ends a script without a word.
# Under `set -e` a failing command (a command substitution in an assignment
# included) would end the script with its status and no message; the ERR trap
# names the script, the line and the command instead.

qb_fail() {  # message -> prints it and ends the script with status 1
  echo "error: $*" >&2
  exit 1
}

qb_on_error() {  # status command line file
  local status="$1" command="$2" line="$3" file="$4"
  # A failure inside a subshell is reported once, where the subshell returns.
  ((BASH_SUBSHELL == 0)) || exit "$status"
  echo "error: ${file##*/} line $line: '$command' failed with status $status" >&2
  if [ "$(id -u)" -ne 0 ]; then
    echo "hint: the set-up installs Debian packages; run as root" >&2
  fi
  exit "$status"
}

qb_trap_errors() {
  set -Eeuo pipefail
  trap 'qb_on_error "$?" "$BASH_COMMAND" "$LINENO" "${BASH_SOURCE[0]}"' ERR
}
