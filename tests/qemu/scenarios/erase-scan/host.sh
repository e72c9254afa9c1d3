# An erase scan in API mode: a blkdebug rule makes LBA 5000 unreadable on an
# AHCI disk whose every sector holds text. A read scan with the erase action
# must write zeros over exactly the failed block (4864..5119) and leave every
# other byte of the image as it was, which the host checks on the image.
SECTORS=20000
BAD_LBA=5000
BLOCK_FIRST=4864
BLOCK_SECTORS=256

# Checksums of the image before and after the failed block.
outside_sums() {
  head -c $((BLOCK_FIRST * 512)) "$1" | md5sum | cut -d' ' -f1
  tail -c +$(((BLOCK_FIRST + BLOCK_SECTORS) * 512 + 1)) "$1" | md5sum | cut -d' ' -f1
}

scenario_prepare() {
  # The sector fails its reads only: the erase can write it.
  blkdebug_bad_sector "$BAD_LBA" read
  # yes ends on SIGPIPE once head has enough.
  { yes "MORVANTA ERASE SCAN" || true; } | head -c $((SECTORS * 512)) >"$WORK/ahci.img"
  outside_sums "$WORK/ahci.img" >"$WORK/outside.before"
  QEMU_ARGS+=(-drive "if=none,id=d1,format=raw,file=blkdebug:$WORK/blkdebug.conf:$WORK/ahci.img"
    -device ahci,id=ahci
    -device "ide-hd,drive=d1,bus=ahci.0,model=MRV API ERASE,serial=MRVQ0ERS0001,ver=MRV1.0")
}

scenario_check() {
  expect_rc modules 0
  expect_rc api-erase 0
  expect_line api-erase "^LOG [0-9] Starting Reading, LBA=0\\.\\.19999, sequential access w\\. ERASE block" \
    "the read scan with the erase action starts over the whole disk"
  expect_line api-erase "^LOG~? [0-9] Block $BLOCK_FIRST try Erase $BLOCK_SECTORS sectors\\($BLOCK_FIRST\\.\\.5119\\)\\.\\.\\. " \
    "the block holding LBA $BAD_LBA is erased"
  expect_no_line api-erase "^LOG~? [0-9] Block (4608|5120) try Erase" "its neighbours are not"
  if [ "$(outside_sums "$WORK/ahci.img")" = "$(cat "$WORK/outside.before")" ]; then
    pass "every byte outside the failed block is unchanged"
  else
    fail "bytes outside the failed block changed"
  fi
  if dd if="$WORK/ahci.img" bs=512 skip="$BLOCK_FIRST" count="$BLOCK_SECTORS" status=none | cmp -s - <(head -c $((BLOCK_SECTORS * 512)) /dev/zero); then
    pass "the failed block holds zeros"
  else
    fail "the failed block does not hold zeros"
  fi
}
