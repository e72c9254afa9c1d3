# API mode on QEMU's emulated NVMe controller: the device list shows an NVMe
# drive; the passport (Identify Controller and Namespace) and the health log
# agree with smartctl -a in the same guest; a short self-test is run or its
# refusal reported; the erase (sanitize or Format NVM) leaves the image
# reading zeros on the host.
SERIAL="MRVQ0NVME01"
SECTORS=131072

scenario_prepare() {
  qemu-img create -q -f raw "$WORK/nvme.img" $((SECTORS * 512))
  put_sector "$WORK/nvme.img" 1000 HOST
  QEMU_ARGS+=(-drive "if=none,id=n0,format=raw,file=$WORK/nvme.img"
    -device "nvme,drive=n0,serial=$SERIAL")
}

scenario_check() {
  expect_rc modules 0
  expect_rc passport 0
  expect_line passport "^ApiList\\[0\\]: .*\\| NVMe drive \\|" "the device list shows an NVMe drive"
  expect_line passport "^LOG 1 Model: .*; Capacity: $SECTORS LBAs\$" "the program logs the namespace's size"
  expect_line passport "^Psp\\[[0-9]+\\]: +\\| Serial: \\| $SERIAL \\|" "the serial"

  local s_model s_fw s_size s_temp s_poh s_cycles s_spare
  s_model=$(section_value smartctl-a 's/^Model Number:[[:space:]]*//p' | trim)
  s_fw=$(section_value smartctl-a 's/^Firmware Version:[[:space:]]*//p' | trim)
  [ -n "$s_model" ] && pass "smartctl -a: model $s_model" || fail "smartctl -a gave no model"
  expect_line passport "^Psp\\[[0-9]+\\]: +\\| Model: \\| $s_model \\|" "model as smartctl reads it"
  expect_line passport "^Psp\\[[0-9]+\\]: +\\| Firmware: \\| $s_fw \\|" "firmware as smartctl reads it"
  s_size=$(section_value smartctl-a 's/^Namespace 1 Size\/Capacity:[[:space:]]*\([0-9,]*\).*/\1/p' | tr -d ',')
  [ -z "$s_size" ] || expect_equal "namespace size in bytes" "$s_size" "$((SECTORS * 512))"
  expect_line passport "^Psp\\[[0-9]+\\]: +\\| LBAF [0-9]+: \\| 512 bytes \\| .*used" "the format in use: 512-byte blocks"

  expect_line passport "^LOG 2 SMART status = GOOD\$" "the verdict is GOOD"
  s_temp=$(section_value smartctl-a 's/^Temperature:[[:space:]]*\([0-9]*\) Celsius.*/\1/p')
  [ -z "$s_temp" ] || expect_line passport "^SmartList\\[[0-9]+\\]: .*\\| Composite temperature \\|.*\\| ${s_temp}°C/" \
    "composite temperature $s_temp °C as smartctl shows"
  s_spare=$(section_value smartctl-a 's/^Available Spare:[[:space:]]*\([0-9]*\)%.*/\1/p')
  [ -z "$s_spare" ] || expect_line passport "^SmartList\\[[0-9]+\\]: .*\\| Available spare \\| $s_spare \\|" \
    "available spare $s_spare % as smartctl shows"
  s_poh=$(section_value smartctl-a 's/^Power On Hours:[[:space:]]*\([0-9,]*\).*/\1/p' | tr -d ',')
  [ -z "$s_poh" ] || expect_line passport "^SmartList\\[[0-9]+\\]: .*\\| Power-on hours \\|.*\\| $s_poh \\|" \
    "power-on hours as smartctl shows"
  s_cycles=$(section_value smartctl-a 's/^Power Cycles:[[:space:]]*\([0-9,]*\).*/\1/p' | tr -d ',')
  [ -z "$s_cycles" ] || expect_line passport "^SmartList\\[[0-9]+\\]: .*\\| Power cycles \\|.*\\| $s_cycles \\|" \
    "power cycles as smartctl shows"

  # QEMU's controller may or may not take Device Self-test: either it runs
  # (and the log lists it) or the program reports the refusal.
  if section_text passport | grep -qE "Short SMART Test \\(1\\) error!|does not support self-tests"; then
    pass "the self-test refusal is reported"
  else
    expect_line passport "^LOG 1 Starting Short SMART Test \\(1\\)\$" "the short self-test was started"
    expect_line passport "Short self-test" "the self-test appears in the test list"
  fi

  expect_rc erase 0
  expect_line erase "^LOG 1 Starting security ERASE: " "the erase started"
  expect_line erase "^LOG 1 Security ERASE done\$" "the erase finished"
  if cmp -s -n $((SECTORS * 512)) "$WORK/nvme.img" /dev/zero; then
    pass "the image reads zeros after the erase"
  else
    fail "the image still holds data after the erase"
  fi
}
