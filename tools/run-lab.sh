#!/usr/bin/env bash
# Builds and starts morvanta-lab on the virtual PC (extra arguments: a lab file).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/build.sh
exec build/morvanta-lab "$@"
