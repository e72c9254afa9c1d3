#!/usr/bin/env bash
# Builds the Debian package: tools/package.sh [BUILD_DIR] (default build-package,
# a release build of its own; CI passes the build it has just tested).
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build-package}"
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMRV_BUILD_TESTS=OFF -DMRV_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$dir" -j"$(nproc)"
rm -f "$dir"/morvanta_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
ls "$dir"/morvanta_*.deb
