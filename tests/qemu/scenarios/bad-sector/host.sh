# A drive that errors: a blkdebug rule makes LBA 5000 unreadable on two disks,
# one on the PIIX secondary channel (PIO, no driver) and one on AHCI (API).
# QEMU reports every media error as ABRT; the reads must fail with the error
# the program derives, and the program must go on working afterwards.
SECTORS=20000
BAD_LBA=5000


scenario_prepare() {
  blkdebug_bad_sector "$BAD_LBA"
  local disk
  for disk in ide ahci; do
    qemu-img create -q -f raw "$WORK/$disk.img" $((SECTORS * 512))
    put_sector "$WORK/$disk.img" 4999 HOST
  done
  QEMU_ARGS+=(-drive "if=none,id=d0,format=raw,file=blkdebug:$WORK/blkdebug.conf:$WORK/ide.img"
    -device "ide-hd,drive=d0,bus=ide.1,unit=0,model=MRV PIO BAD SECTOR,serial=MRVQ0BAD0001,ver=MRV1.0"
    -drive "if=none,id=d1,format=raw,file=blkdebug:$WORK/blkdebug.conf:$WORK/ahci.img"
    -device ahci,id=ahci
    -device "ide-hd,drive=d1,bus=ahci.0,model=MRV API BAD SECTOR,serial=MRVQ0BAD0002,ver=MRV1.0")
}

scenario_check() {
  expect_rc modules 0
  # PIO: the error register says ABRT, which the program names.
  expect_line pio-probe "^mode PIO base=170" "the PIO probe runs on the secondary channel"
  expect_line pio-probe "^read LBA=$BAD_LBA failed error=04 Error: ABRT\$" "PIO read of the bad sector fails with ABRT"
  expect_line pio-probe "^check LBA=4999 equal\$" "PIO: the sector before it reads back after the error"
  expect_line pio-probe "^write LBA=6000 ok\$" "PIO: a write after the error succeeds"
  expect_line pio-probe "^check LBA=6000 equal\$" "PIO: and reads back"
  expect_rc pio-probe 1
  expect_rc pio-passport 0
  expect_line pio-passport "^LOG 1 Model: MRV PIO BAD SECTOR; Capacity: $SECTORS LBAs" "PIO passport after the error"
  # API: the read fails with the system error of an I/O failure.
  expect_line api-probe "^mode API .* device=0\$" "the API probe runs on device 0"
  expect_line api-probe "^read LBA=$BAD_LBA failed bytes=0 system-error=(1117|23)\$" \
    "API read of the bad sector fails with an I/O device or data error"
  expect_line api-probe "^check LBA=4999 equal\$" "API: the sector before it reads back after the error"
  expect_line api-probe "^write LBA=6000 ok\$" "API: a write after the error succeeds"
  expect_line api-probe "^check LBA=6000 equal\$" "API: and reads back"
  expect_rc api-probe 1
  expect_rc api-passport 0
  expect_line api-passport "^LOG 1 Model: MRV API BAD SECTOR; Capacity: $SECTORS LBAs" "API passport after the error"
  expect_sector "$WORK/ide.img" 6000 E1
  expect_sector "$WORK/ahci.img" 6000 E1
}
