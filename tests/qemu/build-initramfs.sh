#!/usr/bin/env bash
# Builds the guest's initramfs: busybox, the init script, the scenarios, the
# kernel modules of the storage drivers (with their dependencies), hdparm and
# smartctl with their shared libraries, and our static binaries.
#   build-initramfs.sh OUT.cpio.gz [--console FILE] [--probe FILE]
set -euo pipefail
source "$(dirname "$0")/lib.sh"

out="${1:-}"
[ -n "$out" ] || die "usage: build-initramfs.sh OUT.cpio.gz [--console FILE] [--probe FILE]"
shift
console=""
probe=""
while [ $# -gt 0 ]; do
  case "$1" in
    --console) console="$2"; shift 2 ;;
    --probe) probe="$2"; shift 2 ;;
    *) die "unknown option $1" ;;
  esac
done

require_tools cpio gzip modprobe ldd strip
[ -x /bin/busybox ] && /bin/busybox --list 2>/dev/null | grep -x insmod >/dev/null || die "/bin/busybox (busybox-static) missing"
kver=$(guest_kernel_version)

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root"/{bin,sbin,usr/bin,usr/sbin,proc,sys,dev,tmp,root,mnt,mrv/bin,lib/modules/mrv}
cp /bin/busybox "$root/bin/busybox"
install -m 755 "$QEMU_DIR/init" "$root/init"
install -m 644 "$QEMU_DIR/guest-lib.sh" "$root/mrv/guest-lib.sh"
cp -r "$QEMU_DIR/scenarios" "$root/mrv/scenarios"

# The hard dependencies of a module and theirs (module names with "_").
hard_deps() {
  local todo=("$1") seen=" " m d
  while [ ${#todo[@]} -gt 0 ]; do
    m=${todo[0]}
    todo=("${todo[@]:1}")
    case "$seen" in *" $m "*) continue ;; esac
    seen="$seen$m "
    for d in $(modinfo -k "$kver" -F depends "$m" | tr ',' ' '); do todo+=("${d//-/_}"); done
  done
  echo "$seen"
}

# Module groups the scenarios load by name; each .order file lists the
# modules in load order, dependencies first. Soft dependencies (such as the
# accelerated CRC that needs a CPU feature the emulated CPU may lack) are
# marked optional with a leading "?".
for group in ahci sd_mod ata_piix sg usb-storage xhci-pci nvme; do
  required=$(hard_deps "${group//-/_}")
  modprobe -S "$kver" --show-depends "$group" >"$root/deps.txt" ||
    die "module $group not found for kernel $kver"
  : >"$root/lib/modules/mrv/$group.order"
  while read -r cmd path _; do
    [ "$cmd" = insmod ] || continue
    name=$(basename "$path")
    name=${name%.xz}; name=${name%.zst}; name=${name%.gz}
    if [ ! -f "$root/lib/modules/mrv/$name" ]; then
      case "$path" in
        *.xz) xz -dc "$path" >"$root/lib/modules/mrv/$name" ;;
        *.zst) zstd -qdc "$path" >"$root/lib/modules/mrv/$name" ;;
        *.gz) gzip -dc "$path" >"$root/lib/modules/mrv/$name" ;;
        *) cp "$path" "$root/lib/modules/mrv/$name" ;;
      esac
    fi
    entry="$name"
    base=${name%.ko}
    case "$required" in *" ${base//-/_} "*) ;; *) entry="?$name" ;; esac
    grep -qx -- "$entry" "$root/lib/modules/mrv/$group.order" || echo "$entry" >>"$root/lib/modules/mrv/$group.order"
  done <"$root/deps.txt"
done
rm -f "$root/deps.txt"

# A dynamically linked program with the libraries ldd names, at their paths.
copy_with_libs() {
  local bin="$1" lib
  [ -x "$bin" ] || die "$bin missing (install hdparm and smartmontools)"
  cp "$bin" "$root$bin"
  for lib in $(ldd "$bin" | grep -o '/[^ ]*'); do
    mkdir -p "$root$(dirname "$lib")"
    [ -e "$root$lib" ] || cp -L "$lib" "$root$lib"
  done
}
copy_with_libs /usr/sbin/hdparm
copy_with_libs /usr/sbin/smartctl

copy_static() {
  local bin="$1" name="$2"
  [ -x "$bin" ] || die "$bin missing"
  if ldd "$bin" >/dev/null 2>&1; then die "$bin is not statically linked"; fi
  strip -o "$root/mrv/bin/$name" "$bin"
}
[ -z "$console" ] || copy_static "$console" morvanta-console
[ -z "$probe" ] || copy_static "$probe" sector_probe

mkdir -p "$(dirname "$out")"
(cd "$root" && find . -print0 | LC_ALL=C sort -z | cpio --null -o -H newc --quiet -R 0:0) | gzip -1 >"$out.tmp"
mv "$out.tmp" "$out"
note "initramfs $out ($(du -h "$out" | cut -f1)) for kernel $kver"
