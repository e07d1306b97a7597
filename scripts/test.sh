#!/usr/bin/env bash
# Builds the project and runs every test: the Linux build, the same under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the Windows DLLs through the Windows loader (Wine).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh all

if [[ -x scripts/windows-ci.sh ]]; then
  scripts/windows-ci.sh
fi

cmake --preset asan
cmake --build --preset asan
ctest --preset asan

cmake --preset dev
cmake --build --preset dev
ctest --preset dev
