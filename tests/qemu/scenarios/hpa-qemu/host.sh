# The host protected area on QEMU's emulated disks: READ NATIVE MAX ADDRESS
# gives the disk's capacity, and SET MAX ADDRESS, which QEMU does not
# implement, is aborted; the program says "HPA Error! ..." and the disk keeps
# its size. In PIO mode on the PIIX secondary channel (the task file) and in
# API mode on AHCI (ATA PASS-THROUGH), with hdparm -N as the oracle.
SECTORS=131072

scenario_prepare() {
  qemu-img create -q -f raw "$WORK/ahci.img" $((SECTORS * 512))
  qemu-img create -q -f raw "$WORK/ide.img" $((SECTORS * 512))
  QEMU_ARGS+=(-drive "if=none,id=d0,format=raw,file=$WORK/ahci.img"
    -device ahci,id=ahci
    -device "ide-hd,drive=d0,bus=ahci.0,model=MRV HPA API DISK,serial=MRVQ0HPA0001,ver=MRV1.0"
    -drive "if=none,id=d1,format=raw,file=$WORK/ide.img"
    -device "ide-hd,drive=d1,bus=ide.1,unit=0,model=MRV HPA PIO DISK,serial=MRVQ0HPA0002,ver=MRV1.0")
}

check_mode() {
  local mode="$1"
  expect_rc "$mode-hpa" 0
  expect_line "$mode-hpa" "^LOG~? 1 Get native size\\.\\.\\.OK, $SECTORS LBAs \\(64 Mb\\)\$" \
    "$mode: READ NATIVE MAX gives QEMU's capacity"
  expect_line "$mode-hpa" "^LOG~? 1 Set HPA Command, Max LBA=100000 \\(48 Mb\\), temporarily\$" "$mode: SET MAX is sent"
  expect_line "$mode-hpa" "^LOG 4 HPA Error!  Error: ABRT\\. Press 'EXT Passport' key and try again, or else try restart HDD\$" \
    "$mode: the aborted SET MAX is reported"
  # Twice: before SET MAX and after it.
  expect_equal "$mode: native size read twice" "$(section_text "$mode-hpa" | grep -cE "^LOG~? 1 Get native size\\.\\.\\.OK, $SECTORS LBAs")" 2
  expect_no_line "$mode-hpa" "^LOG [0-9] Model: .*Capacity: 100000 LBAs" "$mode: no passport with the new size"
}

scenario_check() {
  expect_rc modules 0
  expect_rc hdparm-N-before 0
  expect_line hdparm-N-before "max sectors += $SECTORS/$SECTORS" "hdparm -N: native and current size are QEMU's capacity"
  check_mode pio
  # QEMU leaves DSC clear after an aborted command; the reset (F3) clears it.
  expect_line pio-hpa "^LOG~? 1 Reset OK\$" "pio: F3 resets the drive"
  check_mode api
  expect_no_line api-hpa "Drive reset" "api: F3 does nothing in API mode"
  expect_line size-after "^$SECTORS\$" "the kernel still sees $SECTORS sectors on the AHCI disk"
  expect_rc hdparm-N-after 0
  expect_line hdparm-N-after "max sectors += $SECTORS/$SECTORS" "hdparm -N afterwards: the AHCI disk is unchanged"
  expect_equal "AHCI image size" "$(stat -c %s "$WORK/ahci.img")" $((SECTORS * 512))
  expect_equal "IDE image size" "$(stat -c %s "$WORK/ide.img")" $((SECTORS * 512))
}
