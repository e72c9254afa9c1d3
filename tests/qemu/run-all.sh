#!/usr/bin/env bash
# The QEMU end-to-end run: builds the static console program and the sector
# probe, the guest's initramfs, then boots one guest per scenario.
#   run-all.sh [--no-build] [SCENARIO...]     (default: every scenario)
set -euo pipefail
source "$(dirname "$0")/lib.sh"

build=1
if [ "${1:-}" = "--no-build" ]; then
  build=0
  shift
fi
scenarios=("$@")
if [ ${#scenarios[@]} -eq 0 ]; then
  for d in "$QEMU_DIR"/scenarios/*/; do scenarios+=("$(basename "$d")"); done
fi
require_tools qemu-system-x86_64 qemu-img cmake timeout
guest_kernel_version >/dev/null

# Tests are configured on only for the probe's target; just the two
# programs are built, optimised lightly (they wait for emulated drives, and
# the build is the larger part of the run).
if [ "$build" -eq 1 ]; then
  note "building the static programs in $MRV_QEMU_BUILD"
  cmake -S "$SOURCE_DIR" -B "$MRV_QEMU_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O1 -DNDEBUG" \
    -DMRV_STATIC_CONSOLE=ON -DMRV_BUILD_QT=OFF -DMRV_BUILD_TESTS=ON -DMRV_BUILD_BENCH=OFF \
    -DMRV_BUILD_QEMU_PROBE=ON >/dev/null
  cmake --build "$MRV_QEMU_BUILD" --target morvanta-console sector_probe -j"${MRV_QEMU_JOBS:-2}"
fi
images=()
[ ! -x "$MRV_QEMU_BUILD/morvanta-console" ] || images+=(--console "$MRV_QEMU_BUILD/morvanta-console")
[ ! -x "$MRV_QEMU_BUILD/tests/qemu/sector_probe" ] || images+=(--probe "$MRV_QEMU_BUILD/tests/qemu/sector_probe")
mkdir -p "$MRV_QEMU_WORK"
"$QEMU_DIR/build-initramfs.sh" "$MRV_QEMU_WORK/initramfs.cpio.gz" "${images[@]}"

failed=()
passed=0
for s in "${scenarios[@]}"; do
  if "$QEMU_DIR/run-scenario.sh" "$s" "$MRV_QEMU_WORK/initramfs.cpio.gz"; then
    passed=$((passed + 1))
  else
    failed+=("$s")
  fi
done
echo "qemu-e2e: ${passed} passed, ${#failed[@]} failed${failed[*]:+: ${failed[*]}}"
[ ${#failed[@]} -eq 0 ]
