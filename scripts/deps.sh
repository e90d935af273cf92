#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the client and the tests need.
# Does nothing when all of them are already there.
set -euo pipefail
packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  qtbase5-dev qtmultimedia5-dev qt5-style-plugins
  zlib1g-dev libminiupnpc-dev libsingleapplication-dev libbenchmark-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
fi
