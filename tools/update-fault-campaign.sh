#!/bin/sh
# Runs the fault campaign and rewrites its table in tests/README.md.
set -e
cd "$(dirname "$0")/.."
cmake --build build --target test_campaign
MRV_UPDATE_FAULT_CAMPAIGN=1 build/tests/test_campaign
git --no-pager diff --stat -- tests/README.md
