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
  packages+=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 zip
            googletest)
  # The 32-bit Wine runs tims_x86.dll's checks, where the kernel runs 32-bit programs at all.
  if "$(dirname "$0")/kernel-runs-32bit.sh" >/dev/null; then
    packages+=(wine32:i386)
  fi
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  # The 32-bit Wine (for tims_x86.dll) comes from the i386 architecture.
  if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
  apt=(apt-get -o DPkg::Lock::Timeout=900)
  "${sudo_cmd[@]}" "${apt[@]}" update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" "${apt[@]}" install -y -qq "${missing[@]}" >/dev/null
fi
