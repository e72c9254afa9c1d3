# Shared by the QEMU harness scripts (sourced, not run).
# The guest is Debian's packaged kernel with a busybox initramfs; everything
# the host needs comes from Debian packages that .ci/run installs.

QEMU_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
SOURCE_DIR="$(cd "$QEMU_DIR/../.." && pwd)"
# Build and work directories; both may be overridden from the environment.
: "${MRV_QEMU_BUILD:=$SOURCE_DIR/build-qemu}"
: "${MRV_QEMU_WORK:=$MRV_QEMU_BUILD/qemu-work}"
# One guest run may not take longer than this (seconds); software emulation
# boots in about ten seconds, so this only ends a hung guest.
: "${MRV_QEMU_TIMEOUT:=150}"

die() {
  echo "qemu-e2e: $*" >&2
  exit 1
}

note() {
  echo "qemu-e2e: $*"
}

# The newest kernel of the linux-image package under /boot.
guest_kernel_version() {
  local v
  v=$(find /boot -maxdepth 1 -name 'vmlinuz-*' -printf '%f\n' 2>/dev/null | sed 's/^vmlinuz-//' | sort -V | tail -n1)
  [ -n "$v" ] || die "no kernel in /boot: install linux-image-amd64"
  [ -d "/lib/modules/$v" ] || die "no modules for kernel $v in /lib/modules"
  echo "$v"
}

require_tools() {
  local t
  for t in "$@"; do
    command -v "$t" >/dev/null 2>&1 || die "'$t' not found (install qemu-system-x86, busybox-static, kmod, cpio, hdparm, smartmontools)"
  done
}
