# A USB disk unplugged while the program reads it: an AHCI disk (device 0)
# and a USB disk on xHCI (device 1), throttled so that a read scan of it
# takes about ten seconds. Three seconds into the scan the host removes the
# USB disk through the monitor. The program must log the failed blocks, end
# the scan without hanging or crashing, say that the disk is gone when asked
# for its passport, and then read the other disk's passport.
SECTORS=40000

scenario_prepare() {
  qemu-img create -q -f raw "$WORK/ahci.img" $((20000 * 512))
  qemu-img create -q -f raw "$WORK/usb.img" $((SECTORS * 512))
  QEMU_ARGS+=(-drive "if=none,id=d0,format=raw,file=$WORK/ahci.img"
    -device ahci,id=ahci
    -device "ide-hd,drive=d0,bus=ahci.0,model=MRV API OTHER DISK,serial=MRVQ0USB0010,ver=MRV1.0"
    -device qemu-xhci,id=xhci
    -drive "if=none,id=u0,format=raw,file=$WORK/usb.img,throttling.bps-read=2000000"
    -device "usb-storage,bus=xhci.0,drive=u0,id=usb0,serial=MRVQ0USB0011")
  monitor_enable
}

scenario_during() {
  wait_serial "^LOG [0-9] Starting Reading, " || return 0
  sleep 3
  monitor_command "device_del usb0"
}

scenario_check() {
  expect_rc modules 0
  expect_rc usb-modules 0
  expect_line unplug "^ApiList\\[1\\]: " "the USB disk is device 1"
  expect_line unplug "^LOG [0-9] Starting Reading, LBA=0\\.\\.39999, sequential access" "the scan of the USB disk starts"
  expect_line unplug "^LOG 4 Block [0-9]+ " "blocks after the unplug are logged as failed"
  expect_no_line unplug "^LOG 4 Block 0 " "the blocks read before the unplug are not"
  expect_line unplug "^LOG 1 \\*\\*\\*\\*\\* Scan results: (Warnings - [0-9]+, )?errors - [1-9][0-9]* \\*\\*\\*\\*\\*" "the scan ends and counts the failures"
  local logged counted
  logged=$(section_text unplug | grep -c -E "^LOG 4 Block [0-9]+ " || true)
  counted=$(section_value unplug 's/^LOG 1 \*\*\*\*\* Scan results: .*errors - \([0-9]*\) \*\*\*\*\*$/\1/p')
  expect_equal "failed blocks logged as the summary counts them" "$logged" "$counted"
  expect_line unplug "^LOG 4 Unable to open physical drive #1: sdb has gone" "the passport of the removed disk says that it is gone"
  expect_line unplug "^Psp\\[[0-9]+\\]: +\\| Model: \\| MRV API OTHER DISK \\|" "the program then reads the other disk's passport"
  expect_rc unplug 0
  expect_no_line after "sdb" "the USB disk is gone from the guest"
}
