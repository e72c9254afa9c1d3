# The harness itself: an AHCI disk with a known identity, read by hdparm and
# smartctl in the guest. Everything else builds on this boot working.
MODEL="MRV AHCI TESTDISK"
SERIAL="MRVQ0AHCI001"
FIRMWARE="MRV1.0"
SECTORS=131072

scenario_prepare() {
  qemu-img create -q -f raw "$WORK/disk.img" $((SECTORS * 512))
  QEMU_ARGS+=(-drive "if=none,id=d0,format=raw,file=$WORK/disk.img"
    -device ahci,id=ahci
    -device "ide-hd,drive=d0,bus=ahci.0,model=$MODEL,serial=$SERIAL,ver=$FIRMWARE")
}

scenario_check() {
  expect_rc modules 0
  expect_rc hdparm-I 0
  expect_line hdparm-I "Model Number: +$MODEL *\$" "hdparm -I shows the model"
  expect_line hdparm-I "Serial Number: +$SERIAL *\$" "hdparm -I shows the serial"
  expect_line hdparm-I "Firmware Revision: +$FIRMWARE *\$" "hdparm -I shows the firmware"
  expect_line hdparm-I "LBA48 +user addressable sectors: +$SECTORS\$" "hdparm -I shows the LBA count"
  expect_rc smartctl-i 0
  expect_line smartctl-i "^Device Model: +$MODEL *\$" "smartctl -i shows the model"
  expect_line smartctl-i "^Serial Number: +$SERIAL\$" "smartctl -i shows the serial"
  expect_line smartctl-i "^Firmware Version: +$FIRMWARE\$" "smartctl -i shows the firmware"
  expect_line smartctl-H "SMART overall-health self-assessment test result: PASSED" "smartctl -H reads the SMART status"
}
