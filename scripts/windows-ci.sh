#!/usr/bin/env bash
# Builds the Windows DLLs and tests them through the Windows loader (Wine):
# - installs the MinGW-w64 compilers and Wine with apt-get when they are missing;
# - builds the windows-x86 and windows-x64 presets;
# - checks both DLLs' exports, imports and (32-bit) calling convention;
# - runs under Wine: the Windows platform tests, the differential test of the profile functions,
#   every example and test scenario through tims-host.exe with tims_x64.dll, and tims-host.exe
#   check on the example vehicle (clean) and on the broken one (its planted faults);
# - makes the release zip and checks what it holds.
# Prints "N passed, M failed" at the end and exits non-zero when anything failed.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

x64_build=$root/build/windows-x64
x86_build=$root/build/windows-x86

passed=0
failed=0
failures=()

# Runs one check: a name, then the command. Its output is shown only when it fails.
check() {
  local name=$1
  shift
  local log
  log=$(mktemp)
  if "$@" >"$log" 2>&1; then
    passed=$((passed + 1))
    echo "PASS $name"
  else
    failed=$((failed + 1))
    failures+=("$name")
    echo "FAIL $name"
    tail -n 40 "$log" | sed 's/^/    /'
  fi
  rm -f "$log"
}

finish() {
  if ((failed > 0)); then
    echo "Failed: ${failures[*]}"
  fi
  echo "$passed passed, $failed failed"
  [[ $failed -eq 0 ]]
  exit
}

# A step the checks depend on: when it fails, stop and report it.
required() {
  local name=$1
  shift
  echo "== $name"
  if ! "$@"; then
    failed=$((failed + 1))
    failures+=("$name")
    echo "FAIL $name"
    finish
  fi
}

install_tools() {
  local packages=(cmake ninja-build googletest g++-mingw-w64-x86-64 g++-mingw-w64-i686
                  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 wine64)
  local missing=()
  for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$package")
  done
  ((${#missing[@]} == 0)) && return 0
  echo "Installing: ${missing[*]}"
  local sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
}

build_presets() {
  cmake --preset windows-x86 >/dev/null &&
    cmake --build --preset windows-x86 --target tims &&
    cmake --preset windows-x64 >/dev/null &&
    cmake --build --preset windows-x64
}

# Wine with a prefix of its own under the build folder, quiet and without its installers.
wine=/usr/lib/wine/wine64
[[ -x $wine ]] || wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
export WINEPREFIX=$x64_build/wine-prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

start_wine() {
  timeout 300 "$wine" wineboot --init >/dev/null 2>&1
}

run_windows() {
  timeout 600 "$wine" "$@"
}

# Every scenario through the Windows harness: LoadLibrary on tims_x64.dll, Backspace pressed in
# the thread's real keyboard state.
run_scenario() {
  run_windows "$x64_build/tools/tims-host/tims-host.exe" --quiet \
    --plugin "$x64_build/src/tims_x64.dll" "$1"
}

run_profile_diff() {
  local work=$x64_build/profile-diff-work
  rm -rf "$work"
  run_windows "$x64_build/tests/windows/profile-diff.exe" "$work"
}

check_package() {
  local zip=$x64_build/package/tims-$(project_version)-windows.zip
  local unpacked=$x64_build/package/unpacked
  [[ -f $zip ]] || { echo "no $zip"; return 1; }
  rm -rf "$unpacked" && mkdir -p "$unpacked" &&
    (cd "$unpacked" && cmake -E tar xf "$zip") || return 1
  local top=$unpacked/tims-$(project_version)-windows
  local file
  for file in tims_x64.dll tims_x86.dll TIMS_Spec.ini TIMS_ICCard.ini install.md \
              example-vehicle/TIMS_Spec.ini example-vehicle/TIMS_ICCard.ini \
              tims-host.exe example-scenarios/ic_card_run.tims; do
    [[ -f $top/$file ]] || { echo "the zip lacks $file"; return 1; }
  done
  ls "$top"/example-vehicle/cards/*/*.csv >/dev/null || { echo "the zip lacks the cards"; return 1; }
  tests/windows/check_dll.sh "$top/tims_x64.dll" x64 --stripped &&
    tests/windows/check_dll.sh "$top/tims_x86.dll" x86 --stripped
}

project_version() {
  sed -n 's/^project(tims VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt
}

required "install the tools" install_tools
required "build the windows-x86 and windows-x64 presets" build_presets

check "tims_x64.dll exports and imports" tests/windows/check_dll.sh "$x64_build/src/tims_x64.dll" x64
check "tims_x86.dll exports, imports and calling convention" \
  tests/windows/check_dll.sh "$x86_build/src/tims_x86.dll" x86

required "start Wine" start_wine
check "Windows platform tests (Wine)" run_windows "$x64_build/tests/windows/windows-platform-tests.exe"
check "profile functions against ours (Wine)" run_profile_diff
for scenario in examples/scenarios/*.tims tests/scenarios/*.tims; do
  [[ -f $scenario ]] || continue
  check "scenario $scenario (Wine)" run_scenario "$scenario"
done
# The author's check through the Windows harness: the example vehicle checks clean, and the
# broken one gives the same findings and exit status 1 as on Linux.
run_vehicle_check() {
  cmake "-DHOST=$wine;$x64_build/tools/tims-host/tims-host.exe" "$@" -P tests/check/check_vehicle.cmake
}
check "tims-host.exe check examples/vehicle (Wine)" \
  run_vehicle_check -DFOLDER=examples/vehicle -DSTATUS=0
check "tims-host.exe check tests/check/broken-vehicle (Wine)" \
  run_vehicle_check -DFOLDER=tests/check/broken-vehicle -DSTATUS=1 \
  -DEXPECTED=tests/check/broken-vehicle.expected
"$(dirname "$wine")/wineserver" -k >/dev/null 2>&1 || true

check "release zip" cmake --build --preset windows-x64 --target package
check "release zip contents" check_package

finish
