# A held request: the host sets a blkdebug breakpoint on the next read of a
# disk once the program has its passport, so that the scan's first read
# stays in QEMU until the host resumes it through the monitor.
# - PIO (secondary channel): held about 2 s, shorter than the scan's time-out
#   of one minute; the scan waits, the block is good but slow (a warning),
#   the scan goes on.
# - PIO again: held beyond a 1 s time-out, until the scan has ended; the
#   block is a time-out ('T'), the drive is reset (QEMU traces the reset
#   cancelling the pending read) and the scan goes on over the rest of the
#   disk.
# - API (AHCI): held about 2 s, far below the kernel's command time-out; the
#   scan waits and the block is good.
SECTORS=20000
HOLD=2

scenario_prepare() {
  # A blkdebug layer without rules, for the breakpoints.
  : >"$WORK/blkdebug.conf"
  local disk
  for disk in pio api; do
    qemu-img create -q -f raw "$WORK/$disk.img" $((SECTORS * 512))
  done
  QEMU_ARGS+=(-drive "if=none,id=d0,format=raw,file=blkdebug:$WORK/blkdebug.conf:$WORK/pio.img"
    -device "ide-hd,drive=d0,bus=ide.1,unit=0,model=MRV PIO HOLD,serial=MRVQ0HLD0001,ver=MRV1.0"
    -drive "if=none,id=d1,format=raw,file=blkdebug:$WORK/blkdebug.conf:$WORK/api.img"
    -device ahci,id=ahci
    -device "ide-hd,drive=d1,bus=ahci.0,model=MRV API HOLD,serial=MRVQ0HLD0003,ver=MRV1.0"
    -trace ide_cancel_dma_sync_buffered)
  monitor_enable
}

# Holds the next read of a drive once the program logged its passport for
# the N-th time, and resumes it when the given number of scans has started
# (plus HOLD seconds) or ended: hold DRIVE MODEL N started|ended COUNT
hold() {
  wait_serial "^LOG 1 Model: $2;" 120 "$3" || return 0
  monitor_command "qemu-io $1 \"break read_aio held-$1\""
  if [ "$4" = started ]; then
    wait_serial "^LOG [0-9] Starting (PIO-)?Reading, " 120 "$5" || true
    sleep "$HOLD"
  else
    wait_serial "^LOG 1 \\*\\*\\*\\*\\* Scan results: " 120 "$5" || true
  fi
  monitor_command "qemu-io $1 \"resume held-$1\""
}

scenario_during() {
  hold d0 "MRV PIO HOLD" 1 started 1
  hold d0 "MRV PIO HOLD" 2 ended 2
  hold d1 "MRV API HOLD" 1 started 3
}

# How many blocks a section's grid shows marked, whatever the mark.
marks_total() {
  section_value "$1" 's/^Grid: .*marks="\([^"]*\)".*/\1/p' | tr ' ' '\n' | awk -F: '{ n += $2 } END { print n + 0 }'
}

scenario_check() {
  expect_rc modules 0
  # blkdebug tells on QEMU's output when it holds and releases a request.
  local held resumed
  held=$(grep -c "^blkdebug: Suspended request 'held-d[01]'" "$WORK/qemu.out" || true)
  resumed=$(grep -c "^blkdebug: Resuming request 'held-d[01]'" "$WORK/qemu.out" || true)
  expect_equal "requests held" "$held" 3
  expect_equal "requests resumed" "$resumed" 3
  if grep -E "Could not|not found|did not" "$WORK/monitor.log" "$WORK/during.log" >/dev/null 2>&1; then
    fail "a breakpoint or a resume went wrong (see $WORK/during.log and monitor.log)"
  else
    pass "every breakpoint was set and every held read resumed"
  fi
  local s
  for s in pio-short api-short; do
    expect_rc "$s" 0
    expect_line "$s" "^LOG 1 \\*\\*\\*\\*\\* Scan results: Warnings - [1-9][0-9]*, errors - 0 \\*\\*\\*\\*\\*" "$s: the held block is good and the scan completes"
    expect_line "$s" "^LOG 4 Block start at 0 = [0-9]{4,} ms\$" "$s: the held block is logged as slow"
    expect_line "$s" "^Grid: .*marks=\"[^\"]*6:[1-9]" "$s: and is in the slowest class"
  done
  expect_rc pio-long 0
  expect_line pio-long "^LOG 4 Block 0 Timeout" "pio-long: the held block is logged as a time-out"
  expect_line pio-long "^Grid: .*marks=\"[^\"]*T:1[ \"]" "pio-long: the grid marks it 'T'"
  # QEMU traces a reset that finds a read still pending (the held one).
  if grep "ide_cancel_dma_sync_buffered" "$WORK/qemu.out" >/dev/null; then
    pass "pio-long: the program reset the drive while the read was held"
  else
    fail "pio-long: no reset reached the drive while the read was held"
  fi
  expect_equal "pio-long: blocks scanned after the time-out, as many as without one" "$(marks_total pio-long)" "$(marks_total pio-short)"
  expect_line pio-long "^LOG 1 \\*\\*\\*\\*\\* Scan results: (Warnings - [0-9]+, )?errors - 1 \\*\\*\\*\\*\\*" "pio-long: the summary counts one error"
}
