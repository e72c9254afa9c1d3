# A SCSI-only USB disk (QEMU's usb-storage on xHCI does not carry ATA
# PASS-THROUGH): the passport is the SCSI passport with QEMU's inquiry texts
# and the capacity the kernel and smartctl see.
SECTORS=80000

scenario_prepare() {
  qemu-img create -q -f raw "$WORK/disk.img" $((SECTORS * 512))
  QEMU_ARGS+=(-device qemu-xhci,id=xhci
    -drive "if=none,id=u0,format=raw,file=$WORK/disk.img"
    -device "usb-storage,bus=xhci.0,drive=u0,serial=MRVQ0USB0007")
}

scenario_check() {
  expect_rc modules 0
  expect_rc passport 0
  local vendor product revision bytes
  vendor=$(section_value smartctl-i 's/^Vendor:[[:space:]]*//p' | trim)
  product=$(section_value smartctl-i 's/^Product:[[:space:]]*//p' | trim)
  revision=$(section_value smartctl-i 's/^Revision:[[:space:]]*//p' | trim)
  bytes=$(section_value smartctl-i 's/^User Capacity:[[:space:]]*\([0-9,]*\) bytes.*/\1/p' | tr -d ,)
  expect_equal "smartctl vendor" "$vendor" "QEMU"
  expect_equal "smartctl product" "$product" "QEMU HARDDISK"
  expect_equal "smartctl capacity" "$bytes" "$((SECTORS * 512))"
  expect_equal "kernel size in sectors" "$(section_text sysfs | sed -n 's/^size=//p')" "$SECTORS"

  expect_line passport "^ApiList\\[0\\]: .*\\| 0\$" "the device list shows device 0 as a non-ATA drive"
  expect_line passport "^LOG~? ?1 Get passport\\.\\.\\. OK\$" "the passport came"
  expect_line passport "^LOG 1 Model: $vendor +$product +${revision//+/\\+}; Capacity: $SECTORS LBAs\$" \
    "the program logs the SCSI drive with its inquiry text and capacity"
  local model
  model=$(psp_value passport 'Model:')
  if [[ "$model" =~ ^$vendor\ +$product\ +${revision//+/\\+}$ ]]; then
    pass "passport model '$model' is the inquiry's vendor, product and revision"
  else
    fail "passport model '$model' is not '$vendor $product $revision'"
  fi
  expect_equal "passport disk size" "$(psp_value passport 'Disk size:')" "$SECTORS LBAs"
  expect_line passport "^Psp\\[[0-9]+\\]: +\\| Features: \\| Non ATA" "the features row says Non ATA"
  expect_no_line passport "^Psp\\[[0-9]+\\]: +\\| SMART: " "no ATA rows in a SCSI passport"
}
