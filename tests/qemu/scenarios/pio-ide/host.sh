# PIO mode on the PIIX IDE controller of the "pc" machine: the disk sits on
# the secondary channel, and ata_piix stays unloaded so that the ports are
# the program's. The passport comes through the task file; sectors written
# through the program must land at their offsets in the image.
MODEL="MRV PIO TESTDISK"
SERIAL="MRVQ0PIO0001"
FIRMWARE="MRV1.0"
SECTORS=100000
# LBA the host fills before the boot; the guest must read it back as written.
HOST_LBA=2000


scenario_prepare() {
  qemu-img create -q -f raw "$WORK/disk.img" $((SECTORS * 512))
  put_sector "$WORK/disk.img" "$HOST_LBA" HOST
  QEMU_ARGS+=(-drive "if=none,id=d0,format=raw,file=$WORK/disk.img"
    -device "ide-hd,drive=d0,bus=ide.1,unit=0,model=$MODEL,serial=$SERIAL,ver=$FIRMWARE")
}


scenario_check() {
  expect_rc passport 0
  expect_line passport "^LOG 1 Model: $MODEL; Capacity: $SECTORS LBAs; SN: $SERIAL; FW: $FIRMWARE\$" \
    "the program logs the drive read through the ports"
  expect_line passport "^Psp\\[[0-9]+\\]: +\\| Model: \\| $MODEL \\|" "passport model"
  expect_line passport "^Psp\\[[0-9]+\\]: +\\| Firmware: \\| $FIRMWARE \\|" "passport firmware"
  expect_line passport "^Psp\\[[0-9]+\\]: +\\| Serial: \\| $SERIAL \\|" "passport serial"
  expect_line passport "^Psp\\[[0-9]+\\]: +\\| Disk size: \\| $SECTORS LBAs \\| 51 Mb\$" "passport LBA count"
  # After the program, ata_piix takes the channel and hdparm reads the drive.
  expect_rc piix-modules 0
  expect_rc hdparm-I 0
  compare_with_hdparm passport hdparm-I
  expect_rc probe 0
  expect_line probe "^mode PIO base=170 alt=376" "the probe runs in PIO mode on the secondary channel"
  expect_line probe "^check LBA=$HOST_LBA equal\$" "a sector the host wrote reads back through the ports"
  local lba
  for lba in 0 1000 $((SECTORS - 1)); do
    expect_line probe "^write LBA=$lba ok\$" "write of LBA $lba"
    expect_line probe "^check LBA=$lba equal\$" "LBA $lba reads back equal"
  done
  local image="$WORK/disk.img"
  expect_sector "$image" 0 P0
  expect_sector "$image" 1000 P1
  expect_sector "$image" $((SECTORS - 1)) P2
  expect_sector "$image" "$HOST_LBA" HOST
  expect_sector "$image" 1 zero
  expect_sector "$image" 999 zero
  expect_sector "$image" 1001 zero
}
