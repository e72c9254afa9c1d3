#!/usr/bin/env bash
# Installs what building and testing Morvanta needs on Debian 12 (bookworm).
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
packages=(
  cmake ninja-build g++ ccache pkg-config zlib1g-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev fonts-dejavu-core fonts-dejavu-extra
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xauth hdparm smartmontools util-linux fdisk clang-format clang libclang-rt-14-dev
  lintian desktop-file-utils appstream dpkg-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
