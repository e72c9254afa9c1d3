# "Get SMART" in API mode on an AHCI disk: the verdict and the attribute
# table agree with smartctl -H and smartctl -A in the same guest; the same in
# PIO mode on the PIIX secondary channel (verdict only: smartctl cannot reach
# a disk without a driver).
scenario_prepare() {
  qemu-img create -q -f raw "$WORK/ahci.img" 64M
  qemu-img create -q -f raw "$WORK/ide.img" 64M
  QEMU_ARGS+=(-drive "if=none,id=d0,format=raw,file=$WORK/ahci.img"
    -device ahci,id=ahci
    -device "ide-hd,drive=d0,bus=ahci.0,model=MRV SMART API DISK,serial=MRVQ0SMART01,ver=MRV1.0"
    -drive "if=none,id=d1,format=raw,file=$WORK/ide.img"
    -device "ide-hd,drive=d1,bus=ide.1,unit=0,model=MRV SMART PIO DISK,serial=MRVQ0SMART02,ver=MRV1.0")
}

scenario_check() {
  expect_rc modules 0
  expect_rc smartctl-H 0
  expect_line smartctl-H "result: PASSED" "smartctl -H: PASSED"
  expect_rc api-smart 0
  expect_line api-smart "^LOG 2 SMART status = GOOD\$" "API: the program's verdict is GOOD, as smartctl's"
  expect_rc pio-smart 0
  expect_line pio-smart "^LOG 2 SMART status = GOOD\$" "PIO: the program's verdict is GOOD"

  # Every attribute smartctl lists is a row of the program's table, in both
  # modes (QEMU gives every disk the same table), with the same ID, value,
  # worst value, threshold and raw value; temperatures show their degrees.
  local id name flag value worst thresh type updated failed raw rest count=0 shown mode
  while read -r id name flag value worst thresh type updated failed raw rest; do
    [[ "$id" =~ ^[0-9]+$ ]] || continue
    count=$((count + 1))
    shown="$raw"
    case "$id" in 190 | 194 | 231) shown="${raw}°C/[0-9-]+°F" ;; esac
    for mode in api pio; do
      expect_line "$mode-smart" "^SmartList\\[[0-9]+\\]: +\\| +$id \\| [^|]* \\| +$((10#$value)) \\| +$((10#$worst)) \\| +$((10#$thresh)) \\| +$shown \\|" \
        "$mode: attribute $id ($name): value $((10#$value)), worst $((10#$worst)), threshold $((10#$thresh)), raw $raw as smartctl shows"
    done
  done < <(section_text smartctl-A | sed -n '/^ID#/,/^$/p')
  [ "$count" -gt 0 ] && pass "smartctl -A listed $count attributes" || fail "smartctl -A listed no attributes"
  # No row more than smartctl lists.
  expect_equal "API: rows of the table" "$(section_text api-smart | grep -cE '^SmartList\[')" "$count"
  expect_equal "PIO: rows of the table" "$(section_text pio-smart | grep -cE '^SmartList\[')" "$count"
}
