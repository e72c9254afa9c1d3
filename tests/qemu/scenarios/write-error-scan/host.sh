# A write scan over a sector that refuses writes: a blkdebug rule fails every
# write touching LBA 5000 on two disks, one on the PIIX secondary channel
# (PIO) and one on AHCI (API). A write scan of LBA 2000..9999 in 256-sector
# blocks must log exactly the block that holds it (4816..5071) as failed,
# count one error, write the rest of the range and leave every byte outside
# the range as it was.
SECTORS=20000
BAD_LBA=5000
FIRST=2000
LAST=9999
BLOCK_FIRST=4816
BLOCK_LAST=5071
TEXT="MORVANTA WRITE ERROR SCAN"

# Checksums of an image before and after the scanned range.
outside_sums() {
  head -c $((FIRST * 512)) "$1" | md5sum | cut -d' ' -f1
  tail -c +$(((LAST + 1) * 512 + 1)) "$1" | md5sum | cut -d' ' -f1
}

# True when no sector of FIRST..LAST in an image still holds the text the
# image started with (every sector held at least one whole line of it).
rewritten() {
  [ "$(dd if="$1" bs=512 skip="$2" count=$(($3 - $2 + 1)) status=none | grep -a -c "$TEXT" || true)" = 0 ]
}

scenario_prepare() {
  blkdebug_bad_sector "$BAD_LBA" write
  local disk
  for disk in ide ahci; do
    # yes ends on SIGPIPE once head has enough.
    { yes "$TEXT" || true; } | head -c $((SECTORS * 512)) >"$WORK/$disk.img"
    outside_sums "$WORK/$disk.img" >"$WORK/$disk.outside"
  done
  QEMU_ARGS+=(-drive "if=none,id=d0,format=raw,file=blkdebug:$WORK/blkdebug.conf:$WORK/ide.img"
    -device "ide-hd,drive=d0,bus=ide.1,unit=0,model=MRV PIO WRITE ERROR,serial=MRVQ0WRE0001,ver=MRV1.0"
    -drive "if=none,id=d1,format=raw,file=blkdebug:$WORK/blkdebug.conf:$WORK/ahci.img"
    -device ahci,id=ahci
    -device "ide-hd,drive=d1,bus=ahci.0,model=MRV API WRITE ERROR,serial=MRVQ0WRE0002,ver=MRV1.0")
}

scenario_check() {
  expect_rc modules 0
  local mode disk
  for mode in pio api; do
    disk=ahci
    [ "$mode" = api ] || disk=ide
    expect_rc "$mode-write" 0
    expect_line "$mode-write" "^LOG [0-9] Starting ERASING, LBA=$FIRST\\.\\.$LAST, sequential access" "$mode: the write scan starts over the range"
    expect_line "$mode-write" "^LOG 4 Block $BLOCK_FIRST " "$mode: the block holding LBA $BAD_LBA is logged as failed"
    expect_no_line "$mode-write" "^LOG 4 Block (4560|5072) " "$mode: its neighbours are not"
    expect_line "$mode-write" "^LOG 1 \\*\\*\\*\\*\\* Scan results: (Warnings - [0-9]+, )?errors - 1 \\*\\*\\*\\*\\*" "$mode: the summary counts one error"
    if [ "$(outside_sums "$WORK/$disk.img")" = "$(cat "$WORK/$disk.outside")" ]; then
      pass "$mode: every byte outside the scanned range is unchanged"
    else
      fail "$mode: bytes outside the scanned range changed"
    fi
    if rewritten "$WORK/$disk.img" "$FIRST" $((BLOCK_FIRST - 1)) && rewritten "$WORK/$disk.img" $((BLOCK_LAST + 1)) "$LAST"; then
      pass "$mode: the range around the failed block was written to its end"
    else
      fail "$mode: the range around the failed block was not written to its end"
    fi
  done
}
