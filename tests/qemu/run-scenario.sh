#!/usr/bin/env bash
# Boots one scenario's guest and checks what it reported.
#   run-scenario.sh NAME INITRAMFS
# scenarios/NAME/host.sh defines scenario_prepare (disk images and the QEMU
# device options, in the array QEMU_ARGS) and scenario_check (reads the serial
# log through the check helpers below and the disk images after the guest
# stopped); scenarios/NAME/guest.sh runs inside the guest.
set -Eeuo pipefail
source "$(dirname "$0")/lib.sh"

name="${1:-}"
initramfs="${2:-}"
[ -n "$name" ] && [ -f "$initramfs" ] || die "usage: run-scenario.sh NAME INITRAMFS"
scenario_dir="$QEMU_DIR/scenarios/$name"
trap 'echo "qemu-e2e: scenario $name: stopped by a failing command at line $LINENO" >&2' ERR
[ -f "$scenario_dir/host.sh" ] || die "no scenario $name"
require_tools qemu-system-x86_64 qemu-img timeout
kver=$(guest_kernel_version)

WORK="$MRV_QEMU_WORK/$name"
rm -rf "$WORK"
mkdir -p "$WORK"
LOG="$WORK/serial.log"

# Check helpers for scenario_check. Failures are counted, not fatal, so that
# one run shows every mismatch.
FAILURES=0
fail() {
  echo "  FAIL: $*"
  FAILURES=$((FAILURES + 1))
}
pass() {
  echo "  ok: $*"
}
# The lines a guest section printed. (The helpers read their input to the
# end: an early exit would break the pipe and, under pipefail, fail the check.)
# The checks compare texts: the cell colours that print adds to list rows
# (" {#RRGGBB}") are left out.
section_text() {
  tr -d '\r' <"$LOG" | awk -v n="$1" '
    done { next }
    $0 == "MRV-BEGIN " n { on = 1; next }
    on && index($0, "MRV-END " n " rc=") == 1 { done = 1; next }
    on { print }' | sed -E 's/ \{#[0-9A-F]{6}\}//g'
}
section_rc() {
  tr -d '\r' <"$LOG" | sed -n "s/^MRV-END $1 rc=\\([0-9]*\\)\$/\\1/p" | sed -n 1p
}
expect_rc() {
  local got
  got=$(section_rc "$1")
  if [ "$got" = "$2" ]; then pass "$1 exited with $2"; else fail "$1 exited with '${got:-no end marker}', wanted $2"; fi
}
# expect_line SECTION EXTENDED-REGEX [what]
expect_line() {
  if section_text "$1" | grep -E -- "$2" >/dev/null; then pass "${3:-$1 shows /$2/}"; else fail "${3:-$1 does not show /$2/}"; fi
}
expect_no_line() {
  if section_text "$1" | grep -E -- "$2" >/dev/null; then fail "${3:-$1 shows /$2/}"; else pass "${3:-$1 does not show /$2/}"; fi
}
# The first match of a sed expression in a section (for comparing values).
section_value() {
  section_text "$1" | sed -n "$2" | sed -n 1p
}
expect_equal() {
  if [ "$2" = "$3" ]; then pass "$1: '$2'"; else fail "$1: '$2' differs from '$3'"; fi
}
# The value column of a passport row as the console printed the list:
# psp_value SECTION LABEL (e.g. "Model:").
psp_value() {
  section_text "$1" | sed -n "s/^Psp\\[[0-9]*\\]: *| $2 | \\(.*\\) | .*\$/\\1/p" | sed -n 1p
}
trim() {
  sed 's/^ *//; s/ *$//'
}
# Compares the program's passport (a console section that printed Psp) with
# hdparm -I of the same drive, field by field: compare_with_hdparm PASSPORT
# HDPARM [udma]. The UDMA mode is compared only when asked: a driver loaded
# after the program may select another transfer mode.
compare_with_hdparm() {
  local psp="$1" hd="$2" model serial fw lba cyl heads spt logical physical udma cache_kb la=OFF wr=OFF
  model=$(section_value "$hd" 's/^[[:space:]]*Model Number:[[:space:]]*//p' | trim)
  serial=$(section_value "$hd" 's/^[[:space:]]*Serial Number:[[:space:]]*//p' | trim)
  fw=$(section_value "$hd" 's/^[[:space:]]*Firmware Revision:[[:space:]]*//p' | trim)
  lba=$(section_value "$hd" 's/^[[:space:]]*LBA48 *user addressable sectors:[[:space:]]*//p' | trim)
  [ -n "$model" ] && [ -n "$lba" ] || { fail "$hd has no model or LBA count"; return; }
  expect_equal "model as hdparm says" "$(psp_value "$psp" 'Model:')" "$model"
  expect_equal "serial as hdparm says" "$(psp_value "$psp" 'Serial:')" "$serial"
  expect_equal "firmware as hdparm says" "$(psp_value "$psp" 'Firmware:')" "$fw"
  expect_equal "LBA count as hdparm says" "$(psp_value "$psp" 'Disk size:')" "$lba LBAs"
  cyl=$(section_value "$hd" 's/^[[:space:]]*cylinders[[:space:]]*\([0-9]*\).*/\1/p')
  heads=$(section_value "$hd" 's/^[[:space:]]*heads[[:space:]]*\([0-9]*\).*/\1/p')
  spt=$(section_value "$hd" 's/^[[:space:]]*sectors\/track[[:space:]]*\([0-9]*\).*/\1/p')
  expect_equal "CHS as hdparm says" "$(psp_value "$psp" 'CHS:')" "$cyl/$heads/$spt"
  logical=$(section_value "$hd" 's/^[[:space:]]*Logical  *Sector size:[[:space:]]*\([0-9]*\) bytes.*/\1/p')
  physical=$(section_value "$hd" 's/^[[:space:]]*Physical Sector size:[[:space:]]*\([0-9]*\) bytes.*/\1/p')
  expect_line "$psp" "^Psp\\[[0-9]+\\]: +\\| Sector: \\| Logic $logical bytes \\| Phys $physical\$" \
    "sector sizes $logical/$physical as hdparm says"
  if [ "${3:-}" = udma ]; then
    udma=$(section_value "$hd" 's/^[[:space:]]*DMA:.*\*udma\([0-9]\).*/\1/p')
    expect_line "$psp" "^Psp\\[[0-9]+\\]: +\\| Support: \\| .*DMA \\| UDMA-$udma\$" "UDMA mode $udma as hdparm says"
  fi
  cache_kb=$(section_value "$hd" 's/^[[:space:]]*cache\/buffer size *= *\([0-9]*\) KBytes.*/\1/p')
  section_text "$hd" | grep -E '^[[:space:]]*\*[[:space:]]+Look-ahead' >/dev/null && la=ON
  section_text "$hd" | grep -E '^[[:space:]]*\*[[:space:]]+Write cache' >/dev/null && wr=ON
  expect_line "$psp" "^Psp\\[[0-9]+\\]: +\\| CACHE: \\| ${cache_kb}k; L/A=$la; Wr=$wr; " \
    "cache ${cache_kb}k, look-ahead $la, write cache $wr as hdparm says"
  if section_text "$hd" | grep -E '^Security:' >/dev/null; then
    expect_no_line "$psp" "^Psp\\[[0-9]+\\]: +\\| Security: \\| Not supported" "security supported as hdparm says"
  else
    expect_line "$psp" "^Psp\\[[0-9]+\\]: +\\| Security: \\| Not supported" "security not supported as hdparm says"
  fi
}
# The sector pattern of sector_probe: its line repeated over 512 bytes.
sector_pattern() {
  local line="MRV-QEMU-SECTOR TAG=$1 LBA=$2" out=""
  while [ ${#out} -lt 512 ]; do out+="$line"$'\n'; done
  printf '%s' "${out:0:512}"
}
# A blkdebug rule that fails every request touching one sector with EIO, or
# only the reads or writes with IOTYPE "read" or "write"; disks named
# "blkdebug:$WORK/blkdebug.conf:IMAGE" take it: blkdebug_bad_sector LBA [IOTYPE]
# A rule for writes is armed by every write, so that it holds from the first one.
blkdebug_bad_sector() {
  local event=read_aio
  if [ "${2:-}" = write ]; then event=write_aio; fi
  cat >"$WORK/blkdebug.conf" <<CONF
[inject-error]
event = "$event"
errno = "5"
sector = "$1"
once = "off"
CONF
  if [ -n "${2:-}" ]; then echo "iotype = \"$2\"" >>"$WORK/blkdebug.conf"; fi
}
# Writes the pattern into an image before the boot: put_sector IMAGE LBA TAG
put_sector() {
  sector_pattern "$3" "$2" | dd of="$1" bs=512 seek="$2" conv=notrunc status=none
}
# expect_sector IMAGE LBA TAG: the image holds the pattern at that LBA;
# TAG "zero" stands for a sector never written.
expect_sector() {
  local want
  if [ "$3" = zero ]; then want=$(head -c 512 /dev/zero | od -An -v -tx1); else want=$(sector_pattern "$3" "$2" | od -An -v -tx1); fi
  if [ "$(dd if="$1" bs=512 skip="$2" count=1 status=none | od -An -v -tx1)" = "$want" ]; then
    pass "$(basename "$1") holds '$3' at LBA $2"
  else
    fail "$(basename "$1") does not hold '$3' at LBA $2"
  fi
}

# The QEMU monitor, for scenarios that act on the guest while it runs (hold
# or release a request, unplug a device). monitor_enable in scenario_prepare
# adds a monitor on two FIFOs; monitor_command sends one line to it from
# scenario_during, and everything the monitor answers collects in
# $WORK/monitor.log.
monitor_enable() {
  mkfifo "$WORK/monitor.in" "$WORK/monitor.out"
  QEMU_ARGS+=(-chardev "pipe,id=mrvmon,path=$WORK/monitor" -mon "chardev=mrvmon,mode=readline")
}
monitor_command() {
  echo "$(date +%T) > $*" >>"$WORK/during.log"
  # QEMU holds both FIFOs open, so the open waits only when QEMU is gone.
  timeout 5 sh -c 'printf "%s\n" "$1" >"$2"' sh "$*" "$WORK/monitor.in" ||
    echo "$(date +%T) monitor did not take: $*" >>"$WORK/during.log"
}
# Waits until the serial log shows COUNT (default 1) lines matching an
# extended regular expression (the program's log lines tell the host when to
# act): wait_serial REGEX [SECONDS] [COUNT]. False when the guest ended or the
# time passed.
wait_serial() {
  local left=$((${2:-120} * 10)) seen
  while [ "$left" -gt 0 ]; do
    seen=$(tr -d '\r' <"$LOG" 2>/dev/null | grep -c -E -- "$1" || true)
    [ "$seen" -lt "${3:-1}" ] || return 0
    tr -d '\r' <"$LOG" 2>/dev/null | grep '^MRV-GUEST-END' >/dev/null && break
    sleep 0.1
    left=$((left - 1))
  done
  echo "$(date +%T) the guest did not print /$1/" >>"$WORK/during.log"
  return 1
}

QEMU_ARGS=()
QEMU_MACHINE=pc
source "$scenario_dir/host.sh"
scenario_prepare

# no_timer_check: a host busy with other work makes the emulated CPU slow
# enough for the kernel's IO-APIC timer check to fail and panic.
boot_guest() {
  note "scenario $name: booting the guest"
  local start rc
  start=$(date +%s)
  rm -f "$LOG"
  : >"$LOG"
  # scenario_during (optional) acts on the running guest through the monitor;
  # its own output goes to $WORK/during.log.
  local during="" reader=""
  if declare -F scenario_during >/dev/null; then
    # Opened for reading and writing, so that neither the open nor QEMU's
    # start waits for the other.
    if [ -p "$WORK/monitor.out" ]; then
      cat <>"$WORK/monitor.out" >>"$WORK/monitor.log" &
      reader=$!
    fi
    (scenario_during >>"$WORK/during.log" 2>&1) &
    during=$!
  fi
  set +e
  timeout --kill-after=10 "$MRV_QEMU_TIMEOUT" qemu-system-x86_64 \
    -machine "$QEMU_MACHINE" -accel tcg -m 512 -smp 1 \
    -nodefaults -display none -no-reboot \
    -serial "file:$LOG" \
    -kernel "/boot/vmlinuz-$kver" -initrd "$initramfs" \
    -append "console=ttyS0 panic=-1 loglevel=1 no_timer_check mrv.scenario=$name" \
    "${QEMU_ARGS[@]}" >"$WORK/qemu.out" 2>&1
  rc=$?
  if [ -n "$during" ]; then
    kill "$during" 2>/dev/null
    sleep 0.3
    [ -z "$reader" ] || kill "$reader" 2>/dev/null
    wait
  fi
  set -e
  note "scenario $name: guest stopped after $(($(date +%s) - start)) s (qemu exit $rc)"
  return $rc
}

qemu_rc=0
boot_guest || qemu_rc=$?
# A kernel that died before it ran our init says nothing about the program:
# boot once more (loudly), but only then.
if [ "$qemu_rc" -eq 0 ] && ! tr -d '\r' <"$LOG" | grep '^MRV-GUEST-BEGIN' >/dev/null; then
  tail -n 20 "$LOG" >&2
  note "scenario $name: the kernel did not reach the scenario; booting again"
  qemu_rc=0
  boot_guest || qemu_rc=$?
fi

if [ "$qemu_rc" -ne 0 ]; then
  cat "$WORK/qemu.out" >&2
  [ ! -f "$LOG" ] || tail -n 40 "$LOG" >&2
  die "scenario $name: qemu failed or timed out (exit $qemu_rc)"
fi
if ! tr -d '\r' <"$LOG" | grep '^MRV-GUEST-END rc=' >/dev/null; then
  tail -n 60 "$LOG" >&2
  die "scenario $name: the guest did not finish its scenario"
fi

scenario_check
if [ "$FAILURES" -ne 0 ]; then
  echo "---- serial log of $name ($LOG)"
  tr -d '\r' <"$LOG"
  echo "----"
  die "scenario $name: $FAILURES check(s) failed"
fi
note "scenario $name: passed"
