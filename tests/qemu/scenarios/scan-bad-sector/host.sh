# A surface scan over a bad sector: a blkdebug rule makes LBA 5000 unreadable
# on two disks, one on the PIIX secondary channel (PIO) and one on AHCI (API).
# A read scan of the whole disk in 256-sector blocks must mark exactly the
# block that holds it (the block at 4864), count one error and complete.
SECTORS=20000
BAD_LBA=5000

scenario_prepare() {
  blkdebug_bad_sector "$BAD_LBA"
  local disk
  for disk in ide ahci; do
    qemu-img create -q -f raw "$WORK/$disk.img" $((SECTORS * 512))
  done
  QEMU_ARGS+=(-drive "if=none,id=d0,format=raw,file=blkdebug:$WORK/blkdebug.conf:$WORK/ide.img"
    -device "ide-hd,drive=d0,bus=ide.1,unit=0,model=MRV PIO SCAN,serial=MRVQ0SCN0001,ver=MRV1.0"
    -drive "if=none,id=d1,format=raw,file=blkdebug:$WORK/blkdebug.conf:$WORK/ahci.img"
    -device ahci,id=ahci
    -device "ide-hd,drive=d1,bus=ahci.0,model=MRV API SCAN,serial=MRVQ0SCN0002,ver=MRV1.0")
}

scenario_check() {
  expect_rc modules 0
  local mode
  for mode in pio api; do
    expect_rc "$mode-scan" 0
    expect_line "$mode-scan" "^LOG [0-9] Starting (PIO-)?Reading, LBA=0\\.\\.19999, sequential access" "$mode: the read scan starts over the whole disk"
    expect_line "$mode-scan" "^LOG 4 Block 4864 " "$mode: the block holding LBA $BAD_LBA is logged as failed"
    expect_no_line "$mode-scan" "^LOG 4 Block (4608|5120) " "$mode: its neighbours are not"
    expect_line "$mode-scan" "^LOG 1 \\*\\*\\*\\*\\* Scan results: (Warnings - [0-9]+, )?errors - 1 \\*\\*\\*\\*\\*" "$mode: the summary counts one error"
  done
}
