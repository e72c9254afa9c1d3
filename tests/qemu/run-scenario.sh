#!/usr/bin/env bash
# Boots one scenario's guest and checks what it reported.
#   run-scenario.sh NAME INITRAMFS
# scenarios/NAME/host.sh defines scenario_prepare (disk images and the QEMU
# device options, in the array QEMU_ARGS) and scenario_check (reads the serial
# log through the check helpers below and the disk images after the guest
# stopped); scenarios/NAME/guest.sh runs inside the guest.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

name="${1:-}"
initramfs="${2:-}"
[ -n "$name" ] && [ -f "$initramfs" ] || die "usage: run-scenario.sh NAME INITRAMFS"
scenario_dir="$QEMU_DIR/scenarios/$name"
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
# The lines a guest section printed.
section_text() {
  tr -d '\r' <"$LOG" | awk -v n="$1" '
    $0 == "MRV-BEGIN " n { on = 1; next }
    on && index($0, "MRV-END " n " rc=") == 1 { exit }
    on { print }'
}
section_rc() {
  tr -d '\r' <"$LOG" | sed -n "s/^MRV-END $1 rc=\\([0-9]*\\)\$/\\1/p" | head -n1
}
expect_rc() {
  local got
  got=$(section_rc "$1")
  if [ "$got" = "$2" ]; then pass "$1 exited with $2"; else fail "$1 exited with '${got:-no end marker}', wanted $2"; fi
}
# expect_line SECTION EXTENDED-REGEX [what]
expect_line() {
  if section_text "$1" | grep -Eq -- "$2"; then pass "${3:-$1 shows /$2/}"; else fail "${3:-$1 does not show /$2/}"; fi
}
expect_no_line() {
  if section_text "$1" | grep -Eq -- "$2"; then fail "${3:-$1 shows /$2/}"; else pass "${3:-$1 does not show /$2/}"; fi
}
# The first match of a sed expression in a section (for comparing values).
section_value() {
  section_text "$1" | sed -n "$2" | head -n1
}
expect_equal() {
  if [ "$2" = "$3" ]; then pass "$1: '$2'"; else fail "$1: '$2' differs from '$3'"; fi
}

QEMU_ARGS=()
QEMU_MACHINE=pc
source "$scenario_dir/host.sh"
scenario_prepare

note "scenario $name: booting the guest"
start=$(date +%s)
set +e
timeout --kill-after=10 "$MRV_QEMU_TIMEOUT" qemu-system-x86_64 \
  -machine "$QEMU_MACHINE" -accel tcg -m 512 -smp 1 \
  -nodefaults -display none -no-reboot \
  -serial "file:$LOG" \
  -kernel "/boot/vmlinuz-$kver" -initrd "$initramfs" \
  -append "console=ttyS0 panic=-1 loglevel=1 mrv.scenario=$name" \
  "${QEMU_ARGS[@]}" >"$WORK/qemu.out" 2>&1
qemu_rc=$?
set -e
note "scenario $name: guest stopped after $(($(date +%s) - start)) s (qemu exit $qemu_rc)"

if [ "$qemu_rc" -ne 0 ]; then
  cat "$WORK/qemu.out" >&2
  [ ! -f "$LOG" ] || tail -n 40 "$LOG" >&2
  die "scenario $name: qemu failed or timed out (exit $qemu_rc)"
fi
if ! tr -d '\r' <"$LOG" | grep -q '^MRV-GUEST-END rc='; then
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
