# API mode on an AHCI disk (libata): the device list shows an ATA drive, the
# passport comes through the legacy SMART request, and every field agrees with
# what hdparm -I and smartctl -i say in the same guest. SMART RETURN STATUS
# reaches the program through both pass-through paths.
MODEL="MRV AHCI API DISK"
SERIAL="MRVQ0API0042"
FIRMWARE="MRV2.1"
SECTORS=150000
HOST_LBA=3000


scenario_prepare() {
  qemu-img create -q -f raw "$WORK/disk.img" $((SECTORS * 512))
  put_sector "$WORK/disk.img" "$HOST_LBA" HOST
  QEMU_ARGS+=(-drive "if=none,id=d0,format=raw,file=$WORK/disk.img"
    -device ahci,id=ahci
    -device "ide-hd,drive=d0,bus=ahci.0,model=$MODEL,serial=$SERIAL,ver=$FIRMWARE")
}

scenario_check() {
  expect_rc modules 0
  expect_rc passport 0
  expect_line passport "^ApiList\\[0\\]: .*\\| $MODEL \\| 1\$" "the device list shows device 0 as an ATA drive"
  expect_line passport "^LOG~? ?1 Get passport\\.\\.\\. OK\$" "the passport came"
  expect_line passport "^LOG 1 Model: $MODEL; Capacity: $SECTORS LBAs; SN: $SERIAL; FW: $FIRMWARE\$" \
    "the program logs the drive"
  expect_line passport "^Psp: .*" "the passport list was printed"
  expect_line passport '^LabelVirtual: caption="Virtual" enabled=0' "not the USB-bridge path: its label is off"
  expect_line passport '^VirtDrvLed: .* colour=#9F9F9F$' "not the USB-bridge path: its lamp is grey"

  # The oracles' view of the same drive.
  compare_with_hdparm passport hdparm-I udma
  local h_model h_serial h_fw s_model s_serial s_fw
  h_model=$(section_value hdparm-I 's/^[[:space:]]*Model Number:[[:space:]]*//p' | trim)
  h_serial=$(section_value hdparm-I 's/^[[:space:]]*Serial Number:[[:space:]]*//p' | trim)
  h_fw=$(section_value hdparm-I 's/^[[:space:]]*Firmware Revision:[[:space:]]*//p' | trim)
  s_model=$(section_value smartctl-i 's/^Device Model:[[:space:]]*//p' | trim)
  s_serial=$(section_value smartctl-i 's/^Serial Number:[[:space:]]*//p' | trim)
  s_fw=$(section_value smartctl-i 's/^Firmware Version:[[:space:]]*//p' | trim)
  expect_equal "model: hdparm" "$h_model" "$MODEL"
  expect_equal "model: smartctl" "$s_model" "$MODEL"
  expect_equal "serial: smartctl" "$s_serial" "$SERIAL"
  expect_equal "firmware: smartctl" "$s_fw" "$FIRMWARE"
  expect_equal "LBA count: hdparm" "$(section_value hdparm-I 's/^[[:space:]]*LBA48 *user addressable sectors:[[:space:]]*//p' | trim)" "$SECTORS"
  if section_text smartctl-i | grep '^SMART support is: *Enabled' >/dev/null; then
    expect_line passport "^Psp\\[[0-9]+\\]: +\\| SMART: \\| Enabled" "SMART enabled, as smartctl says"
  else
    expect_line passport "^Psp\\[[0-9]+\\]: +\\| SMART: \\| (Disabled|Unknown)" "SMART not enabled, as smartctl says"
  fi

  expect_rc probe 0
  expect_line probe "^mode API .* device=0\$" "the probe runs in API mode on device 0"
  expect_line probe "^smart-status legacy ok mid=4F high=C2\$" "SMART RETURN STATUS through the legacy SMART request"
  expect_line probe "^smart-status sat ok status=50 error=00 mid=4F high=C2\$" \
    "SMART RETURN STATUS through ATA PASS-THROUGH with its result registers"
  expect_line smartctl-H "PASSED" "smartctl -H agrees: PASSED"
  expect_line probe "^sat-identify ok model=$h_model serial=$h_serial firmware=$h_fw\$" \
    "IDENTIFY through ATA PASS-THROUGH gives hdparm's texts"
  # Linux 6.1 answers a command the drive aborts with fixed-format sense; the
  # registers must still come through: ERR in the status, ABRT in the error.
  expect_line probe "^sat-abort failed status=[4-5][13579BDF] error=04\$" \
    "an aborted command through ATA PASS-THROUGH reports ERR and ABRT"
  expect_line probe "^check LBA=$HOST_LBA equal\$" "a sector the host wrote reads back through the device"
  expect_line probe "^write LBA=4000 ok\$" "write of LBA 4000"
  expect_line probe "^check LBA=4000 equal\$" "LBA 4000 reads back equal"
  # API writes of one sector carry no stamp: the sector is the pattern exactly.
  expect_sector "$WORK/disk.img" 4000 A1
  expect_sector "$WORK/disk.img" 4001 zero
}
