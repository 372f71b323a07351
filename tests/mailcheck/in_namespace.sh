#!/usr/bin/env bash
# Runs a command (servers.py and the suite under Wine) in a network and mount
# namespace of its own, where the suite's server names resolve through a
# private hosts file and the program's own resolver (getaddrinfo) is used:
#   in_namespace.sh command [arguments...]
# The namespace holds only `lo`, so nothing the suite does can leave the
# machine, and the machine's /etc/hosts is never touched: the private file is
# bind-mounted over it inside the namespace only.
#
# Wine creates sockets in its server, so the suite needs a wineserver started
# inside the namespace; the one serving the prefix outside (tools/test.sh
# starts one for the whole run) would connect from the machine's own network.
# Two servers must never serve one prefix, so the suite gets a prefix of its
# own: an overlay over the project's prefix whose changes live in a tmpfs of
# the namespace, and goes with it. Nothing stays running or written.
#
# Without namespaces (not root, a container without CAP_SYS_ADMIN, a kernel
# without overlayfs) the command runs as it is, and the suite maps its names
# to loopback addresses through its own resolver (support/loopback_names.h).
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../../tools/env.sh"
qb_trap_errors

# Must agree with the names the suite maps itself (mail_check_test.cpp).
hosts='127.0.0.1 mail.prova.test altro.prova.test
::1 doppio.prova.test solo6.prova.test
127.0.0.1 doppio.prova.test
'
unavailable=75  # the namespace could not be set up: nothing ran

# Wine keeps a server's socket and lock in a folder of /tmp named after the
# prefix's device and inode (server-<dev>-<inode>, hexadecimal), left there
# when the server ends: the overlay's is removed once its server has ended.
remove_server_folder() {  # prefix
  local id
  id="$(stat -c '%D' "$1")-$(printf '%x' "$(stat -c '%i' "$1")")"
  qb_cleanup
  wineserver -w 2>/dev/null || true
  rm -rf /tmp/wine-*/"server-$id" /tmp/.wine-"$(id -u)"/"server-$id"
}

inside() {  # scratch folder, command...
  local scratch="$1"
  shift
  # A step that fails names itself, and nothing has run yet: the caller
  # runs the suite outside instead (a root without /etc/hosts, as a bare
  # debootstrap root, has nothing to cover).
  step() { "$@" || { echo "namespace set-up failed at: $*" >&2; exit "$unavailable"; }; }
  step ip link set lo up
  step mount -t tmpfs qb-namespace "$scratch"
  step mkdir "$scratch/upper" "$scratch/work" "$scratch/prefix"
  step mount -t overlay overlay -o "lowerdir=$QB_WINEPREFIX,upperdir=$scratch/upper,workdir=$scratch/work" \
    "$scratch/prefix"
  printf '%s' "$hosts" >"$scratch/hosts"
  step mount --bind "$scratch/hosts" /etc/hosts
  export WINEPREFIX="$scratch/prefix" QB_WINEPREFIX="$scratch/prefix" QB_CHECK_REAL_NAMES=1
  trap 'remove_server_folder "$WINEPREFIX"' EXIT
  qb_ensure_display
  qb_start_wineserver
  echo "in a network namespace of its own: the servers' names resolve through a private hosts file"
  local status=0
  "$@" || status=$?
  exit "$status"
}

if [ "${1:-}" = --inside ]; then
  shift
  inside "$@"
fi

qb_prepare_prefix  # the overlay's lower layer
scratch="$(mktemp -d /tmp/qb-namespace-XXXXXX)"
trap 'rmdir "$scratch" 2>/dev/null || true' EXIT
status=0
if unshare --net --mount --propagation private -- true 2>/dev/null; then
  unshare --net --mount --propagation private -- /bin/bash "$0" --inside "$scratch" "$@" || status=$?
else
  status=$unavailable
fi
if ((status == unavailable)); then
  echo "no network and mount namespace could be made here: the suite maps its names through its own resolver"
  status=0
  "$@" || status=$?
  exit "$status"
fi
exit "$status"
