#!/usr/bin/env bash
# Installs with apt-get whatever this machine lacks for building and testing the project.
# Usage: scripts/install-deps.sh [linux|windows|all]   (default: linux)
set -euo pipefail

want=${1:-linux}
packages=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev)
# The trip page test renders a page in a real browser, with a font for the Japanese names.
if [[ $want == linux || $want == all ]]; then
  packages+=(chromium fonts-ipafont-gothic)
fi
if [[ $want == windows || $want == all ]]; then
  packages+=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 zip)
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=900 update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=900 install -y -qq \
    "${missing[@]}" >/dev/null
fi
