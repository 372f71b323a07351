#!/usr/bin/env bash
# Checks that the README's two commands work on a fresh Debian 12 machine:
# makes a minimal Debian 12 root with debootstrap (once; an untouched copy is
# kept in build/fresh/base.tar so that every check starts clean), clones the
# committed HEAD into a new copy of it, and runs `bash tools/run.sh` and then
# `bash tools/test.sh` inside it with chroot. Prints both exit codes and the
# time each took. Takes a quarter of an hour or more; not part of the tests.
#   tools/fresh-check.sh            (as root)
# The package mirror is the one this machine's apt uses, read from its sources.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/lib/fail.sh"
qb_trap_errors
root="$(cd "$here/.." && pwd)"
work="$root/build/fresh"
base="$work/base.tar"
chroot_dir="$work/root"
log_dir="$work/logs"

[ "$(id -u)" -eq 0 ] || qb_fail "fresh-check.sh: run as root (debootstrap, mount and chroot need it)"
command -v debootstrap >/dev/null || bash "$here/setup.sh"

# The Debian mirror of this machine's apt: deb822 sources first, then the
# one-line format.
debian_mirror() {
  local uri
  uri="$(grep -hsE '^URIs:' /etc/apt/sources.list.d/*.sources | awk '{print $2}' |
    grep -vE 'security|updates' | head -1)" || true
  [ -n "$uri" ] || uri="$(grep -hsE '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list |
    awk '$3 == "bookworm" {print $2}' | head -1)" || true
  [ -n "$uri" ] || qb_fail "no Debian mirror for bookworm in this machine's apt sources"
  echo "$uri"
}

# Everything mounted below a folder (debootstrap can leave its /proc mounted).
unmount_below() {  # folder
  local m
  for m in $(awk -v d="$1/" 'index($2, d) == 1 { print $2 }' /proc/mounts | sort -r); do
    umount -l "$m" || true
  done
}
unmount_all() {
  unmount_below "$work/base"
  unmount_below "$chroot_dir"
  ! mountpoint -q "$chroot_dir" || umount -l "$chroot_dir" || true
}
trap unmount_all EXIT

mkdir -p "$work" "$log_dir"
if [ ! -f "$base" ]; then
  mirror="$(debian_mirror)"
  echo "fresh-check: making a minimal Debian 12 root from $mirror"
  rm -rf "$work/base"
  debootstrap --variant=minbase bookworm "$work/base" "$mirror" >"$log_dir/debootstrap.log" 2>&1 ||
    qb_fail "debootstrap failed; see $log_dir/debootstrap.log"
  unmount_below "$work/base"
  # The same sources as this machine (its mirror, updates and security).
  if ls /etc/apt/sources.list.d/*.sources >/dev/null 2>&1; then
    rm -f "$work/base/etc/apt/sources.list"
    cp /etc/apt/sources.list.d/*.sources "$work/base/etc/apt/sources.list.d/"
  fi
  tar -C "$work/base" --one-file-system -cf "$base.part" . && mv "$base.part" "$base"
  rm -rf "$work/base"
fi

echo "fresh-check: a new root from $base"
unmount_all
rm -rf "$chroot_dir"
mkdir -p "$chroot_dir"
tar -C "$chroot_dir" -xf "$base"
cp /etc/resolv.conf "$chroot_dir/etc/resolv.conf"
commit="$(git -C "$root" rev-parse HEAD)"
git clone -q "$root" "$chroot_dir/root/quillbeck"
git -C "$chroot_dir/root/quillbeck" checkout -q "$commit"
echo "fresh-check: cloned $commit"

# The root is a mount point of its own, as on an installed machine: a new
# mount namespace (the mail-check suite's) cannot make the mounts of a root
# that is no mount point private ("cannot change root filesystem propagation"),
# and private, so that nothing mounted inside reaches this machine.
mount --bind "$chroot_dir" "$chroot_dir"
mount --make-private "$chroot_dir"
mount -t proc proc "$chroot_dir/proc"
mount --rbind /sys "$chroot_dir/sys"
mount --bind /dev "$chroot_dir/dev"
mount --bind /dev/pts "$chroot_dir/dev/pts"

run_in_root() {  # name command -> prints status and seconds
  local name="$1" command="$2" start status=0
  start=$SECONDS
  chroot "$chroot_dir" /usr/bin/env -i HOME=/root TERM=dumb PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c "cd /root/quillbeck && $command" >"$log_dir/$name.log" 2>&1 || status=$?
  printf '%-20s exit %d in %ds (log: %s)\n' "$command" "$status" "$((SECONDS - start))" "$log_dir/$name.log"
  return "$status"
}

rc_run=0 rc_test=0
run_in_root run "bash tools/run.sh" || rc_run=$?
tail -2 "$log_dir/run.log"
run_in_root test "bash tools/test.sh" || rc_test=$?
tail -4 "$log_dir/test.log"
echo "fresh-check: tools/run.sh exit $rc_run, tools/test.sh exit $rc_test"
exit $((rc_run != 0 || rc_test != 0))
