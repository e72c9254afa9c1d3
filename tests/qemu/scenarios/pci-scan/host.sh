# "PCI Scan" on the "pc" machine (PIIX3): the IDE controller 8086:7010 lists
# its legacy channels through the configuration ports and, after the kernel
# locks port access away, through sysfs, and both lists are equal. The
# secondary row's double click takes the passport of QEMU's disk through the
# ports. With PCI_AHCI=1 (scenario pci-scan-ahci) an AHCI controller sits on
# the bus too, and it is listed only with "All dev" (class 0106h is not one
# the scan lists by default).
MODEL="MRV PCI TESTDISK"
SERIAL="MRVQ0PCI0001"
FIRMWARE="MRV1.0"
SECTORS=100000
: "${PCI_AHCI:=0}"

scenario_prepare() {
  qemu-img create -q -f raw "$WORK/disk.img" $((SECTORS * 512))
  QEMU_ARGS+=(-drive "if=none,id=d0,format=raw,file=$WORK/disk.img"
    -device "ide-hd,drive=d0,bus=ide.1,unit=0,model=$MODEL,serial=$SERIAL,ver=$FIRMWARE")
  [ "$PCI_AHCI" -eq 0 ] || QEMU_ARGS+=(-device ahci,id=ahci0)
}

# The program's names of the functions QEMU's "pc" machine carries.
pci_vendor_name() {
  case "$1" in 0x8086) echo Intel ;; *) echo "$(echo "${1#0x}" | tr a-f A-F)*" ;; esac
}
pci_device_name() {
  case "$1" in
    0x7010) echo "82371SB PIIX3 IDE [Natoma/Triton II]" ;;
    0x2922) echo "82801IR/IO/IH (ICH9R/DO/DH) 6 port SATA Controller [AHCI mode]" ;;
    *) echo "ID $(echo "${1#0x}" | tr a-f A-F)*" ;;
  esac
}
# The table rows of a console section, without the row numbers.
psp_rows() {
  section_text "$1" | sed -n 's/^Psp\[[0-9]*\]: *//p'
}

scenario_check() {
  local s
  for s in sysfs-pci scan-ports scan-ports-all lockdown scan-sysfs scan-sysfs-all; do expect_rc "$s" 0; done
  expect_line lockdown '\[integrity\]' "the kernel is locked down for the second half"

  # The storage list: the PIIX IDE controller with both legacy channels.
  local piix="Intel \\| 82371SB PIIX3 IDE \\[Natoma/Triton II\\] \\| Int ATA"
  expect_line scan-ports "^Psp\\[0\\]: +\\| $piix \\| 01F0 \\| 03F6\$" "primary legacy channel listed"
  expect_line scan-ports "^Psp\\[1\\]: +\\| $piix \\| 0170 \\| 0376\$" "secondary legacy channel listed"
  expect_line scan-ports "^LOG 0 Intel/82371SB PIIX3 IDE \\[Natoma/Triton II\\], BUS: 0/DEV: 1/FUN: 1( M)?\$" \
    "the log names the controller's place"
  expect_no_line scan-ports "\\| 0106 \\|" "no AHCI controller without All dev"
  expect_line scan-ports "^LOG 1 Model: $MODEL; Capacity: $SECTORS LBAs; SN: $SERIAL; FW: $FIRMWARE\$" \
    "the double click read QEMU's disk through the ports"

  # Ports and sysfs give the same lists.
  expect_line scan-sysfs "^LOG 4 PortTalk driver not installed! Available only API access\$" \
    "without port access the program runs in API mode"
  expect_equal "the double click without port access says why" \
    "$(section_text scan-sysfs | grep -c '^LOG 4 PortTalk driver not installed! Available only API access$')" 2
  expect_no_line scan-sysfs "^LOG 1 Model: " "no passport without port access"
  expect_equal "storage rows through sysfs" "$(psp_rows scan-sysfs | tr '\n' ';')" "$(psp_rows scan-ports | tr '\n' ';')"
  expect_equal "all rows through sysfs" "$(psp_rows scan-sysfs-all | tr '\n' ';')" \
    "$(psp_rows scan-ports-all | tr '\n' ';')"

  # "All dev" lists every function the kernel sees, under the names of its IDs.
  local functions=0 addr vendor device class bus dev fun
  while read -r addr vendor device class; do
    [ -n "$addr" ] || continue
    functions=$((functions + 1))
    bus=$((16#${addr:5:2})) dev=$((16#${addr:8:2})) fun=${addr:11:1}
    local line="$(pci_vendor_name "$vendor")/$(pci_device_name "$device"), BUS: $bus/DEV: $dev/FUN: $fun"
    if section_text scan-ports-all | grep -F -x -e "LOG 0 $line" -e "LOG 0 $line M" >/dev/null; then
      pass "All dev lists $addr ($vendor:$device, class $class)"
    else
      fail "All dev does not list $addr as '$line'"
    fi
  done < <(section_text sysfs-pci)
  expect_equal "functions listed with All dev" "$(section_text scan-ports-all | grep -c '^LOG 0 .*, BUS: ')" "$functions"
  if [ "$PCI_AHCI" -eq 1 ]; then
    expect_line sysfs-pci " 0x8086 0x2922 0x010601\$" "the guest has QEMU's AHCI controller"
    expect_line scan-ports-all "^Psp\\[[0-9]+\\]: +\\| Intel \\| 82801IR/IO/IH \\(ICH9R/DO/DH\\) 6 port SATA Controller \\[AHCI mode\\] \\| 0106 \\| " \
      "the AHCI controller with All dev, under class 0106"
  fi
}
