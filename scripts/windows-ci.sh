#!/usr/bin/env bash
# Builds the Windows DLLs and tests them through the Windows loader (Wine), each DLL with its own
# harness and test programs:
# - installs what is missing (scripts/install-deps.sh windows: MinGW-w64, 64- and 32-bit Wine);
# - builds the windows-x86 and windows-x64 presets whole, and the Linux library and harness;
# - checks both DLLs' exports and imports, the 32-bit calling convention and SSE2 arithmetic;
# - runs under Wine, for tims_x64.dll with 64-bit programs and for tims_x86.dll with 32-bit ones:
#   the Windows platform tests, the differential test of the profile functions, and every example
#   and test scenario through the matching tims-host.exe, expectations included, and
#   tims-host.exe check on the example vehicle (clean) and on the broken one (its planted faults);
# - compares every scenario's CSV trace (seed pinned) from libtims.so, tims_x64.dll and
#   tims_x86.dll: they must be byte for byte the same;
# - makes the release zip and checks what it holds.
# A check that cannot run (no 32-bit Wine, a program that does not start) fails. Only on a machine
# whose kernel runs no 32-bit program at all are the 32-bit runs left out, with a NOT RUN line.
# Prints "N passed, M failed" at the end and exits non-zero when anything failed.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

x64_build=$root/build/windows-x64
x86_build=$root/build/windows-x86
linux_build=$root/build/dev
traces=$x64_build/traces
# Any seed serves; a scenario's own `seed` line still wins.
trace_seed=123

passed=0
failed=0
failures=()

# Runs one check: a name, then the command. Its output is shown only when it fails, except its
# lines starting with "note:".
check() {
  local name=$1
  shift
  local log
  log=$(mktemp)
  if "$@" >"$log" 2>&1; then
    passed=$((passed + 1))
    echo "PASS $name"
    grep -a '^note:' "$log" | sed 's/^/    /'
  else
    failed=$((failed + 1))
    failures+=("$name")
    echo "FAIL $name"
    tail -n 40 "$log" | sed 's/^/    /'
  fi
  rm -f "$log"
}

finish() {
  [[ -n ${x86_unable:-} ]] && echo "NOT RUN: the runs of tims_x86.dll under Wine: $x86_unable"
  if ((failed > 0)); then
    echo "Failed:"
    printf '  %s\n' "${failures[@]}"
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
  scripts/install-deps.sh windows
}

build_presets() {
  cmake --preset windows-x86 >/dev/null &&
    cmake --build --preset windows-x86 &&
    cmake --preset windows-x64 >/dev/null &&
    cmake --build --preset windows-x64
}

# The Linux library and harness, for the trace comparison (the dev build that follows in
# scripts/test.sh reuses them).
build_linux() {
  cmake --preset dev >/dev/null && cmake --build --preset dev --target tims tims-host
}

# Wine with a prefix of its own under the build folder, quiet and without its installers. The
# 32-bit programs run with the 32-bit loader in the same (64-bit) prefix.
wine64=/usr/lib/wine/wine64
[[ -x $wine64 ]] || wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)
wine32=/usr/lib/wine/wine
export WINEPREFIX=$x64_build/wine-prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

start_wine() {
  timeout 300 "$wine64" wineboot --init >/dev/null 2>&1
}

# Why 32-bit programs cannot run here, or nothing when they can.
wine32_missing=unknown
probe_wine32() {
  if [[ ! -x $wine32 ]]; then
    wine32_missing="no 32-bit Wine ($wine32): install wine32:i386"
  elif ! "$wine32" --version >/dev/null 2>&1; then
    wine32_missing="$wine32 does not start ($("$wine32" --version 2>&1 | tail -n 1 |
      sed 's/.*: \([^:]*: [^:]*\)$/\1/')); see docs/windows.md"
  else
    wine32_missing=
  fi
}

# run_windows ARCH PROGRAM ARGS...: the program under the Wine loader of its width.
run_windows() {
  local arch=$1
  shift
  if [[ $arch == x86 ]]; then
    [[ $wine32_missing == unknown ]] && probe_wine32
    if [[ -n $wine32_missing ]]; then
      echo "cannot run 32-bit programs: $wine32_missing"
      return 1
    fi
    timeout 600 "$wine32" "$@"
  else
    timeout 600 "$wine64" "$@"
  fi
}

build_of() { [[ $1 == x86 ]] && echo "$x86_build" || echo "$x64_build"; }

run_platform_tests() {
  run_windows "$1" "$(build_of "$1")/tests/windows/windows-platform-tests.exe"
}

run_profile_diff() {
  local work
  work=$(build_of "$1")/profile-diff-work
  rm -rf "$work"
  run_windows "$1" "$(build_of "$1")/tests/windows/profile-diff.exe" "$work"
}

trace_file() { echo "$traces/$1/$(basename "$2" .tims).csv"; }

# A scenario through the harness of one build (linux, x64, x86), seed pinned and traced. It
# passes only when the harness exits 0 and ends with its summary line with 0 failed, so that a
# crash cannot pass for a run. Wine reports an unhandled exception with the faulting address in
# the width of the faulting process: a 64-bit address in a 32-bit run comes from one of Wine's
# own 64-bit helper processes, which is shown but fails nothing; any other fails the run.
run_scenario() {
  local arch=$1 scenario=$2 trace log status=0 fault ours=0
  trace=$(trace_file "$arch" "$scenario")
  mkdir -p "$(dirname "$trace")" && rm -f "$trace"
  log=$(mktemp)
  case $arch in
    linux) "$linux_build/tools/tims-host/tims-host" --quiet --seed "$trace_seed" --trace "$trace" \
             --plugin "$linux_build/src/libtims.so" "$scenario" ;;
    x64) run_windows x64 "$x64_build/tools/tims-host/tims-host.exe" --quiet --seed "$trace_seed" \
           --trace "$trace" --plugin "$x64_build/src/tims_x64.dll" "$scenario" ;;
    x86) run_windows x86 "$x86_build/tools/tims-host/tims-host.exe" --quiet --seed "$trace_seed" \
           --trace "$trace" --plugin "$x86_build/src/tims_x86.dll" "$scenario" ;;
  esac >"$log" 2>&1 || status=$?
  cat "$log"
  while IFS= read -r fault; do
    if [[ $arch == x86 && $fault =~ at\ address\ [0-9A-Fa-f]{16} ]]; then
      echo "note: a 64-bit Wine helper process faulted, not the 32-bit harness"
    else
      ours=1
    fi
  done < <(grep -a "Unhandled" "$log")
  local summary
  summary=$(grep -aE "^tims-host: .*: [0-9]+ frames, [0-9]+ checks, [0-9]+ failed"$'\r'"?$" "$log")
  rm -f "$log"
  ((status == 0)) || { echo "exit status $status"; return 1; }
  ((ours == 0)) || { echo "an unhandled exception in the harness's process"; return 1; }
  [[ $summary =~ checks,\ 0\ failed ]] || { echo "no summary line with 0 failed"; return 1; }
}

same_traces() {
  tests/windows/same_traces.sh "$(trace_file "$1" "$3")" "$(trace_file "$2" "$3")"
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
required "build the Linux library and harness" build_linux

check "tims_x64.dll exports and imports" tests/windows/check_dll.sh "$x64_build/src/tims_x64.dll" x64
check "tims_x86.dll exports, imports and calling convention" \
  tests/windows/check_dll.sh "$x86_build/src/tims_x86.dll" x86
check "tims_x86.dll computes in SSE2" tests/windows/check_sse_math.sh "$x86_build"

scenarios=(examples/scenarios/*.tims tests/scenarios/*.tims)
rm -rf "$traces"
for scenario in "${scenarios[@]}"; do
  check "scenario $scenario (Linux)" run_scenario linux "$scenario"
done

# The 32-bit runs need a kernel that runs 32-bit programs. Where it does, every one of them must
# run and pass (a 32-bit Wine that does not start fails them all); where it does not, no 32-bit
# program can run whatever is installed, and only the static checks of tims_x86.dll are made.
archs=(x64)
if x86_unable=$(scripts/kernel-runs-32bit.sh); then
  archs+=(x86)
else
  echo "NOT RUN: the runs of tims_x86.dll under Wine: $x86_unable"
fi

required "start Wine" start_wine
for arch in "${archs[@]}"; do
  check "Windows platform tests ($arch, Wine)" run_platform_tests "$arch"
  check "profile functions against ours ($arch, Wine)" run_profile_diff "$arch"
  for scenario in "${scenarios[@]}"; do
    check "scenario $scenario ($arch, Wine)" run_scenario "$arch" "$scenario"
  done
done
# The author's check through the Windows harness: the example vehicle checks clean, and the
# broken one gives the same findings and exit status 1 as on Linux.
run_vehicle_check() {
  cmake "-DHOST=$wine64;$x64_build/tools/tims-host/tims-host.exe" "$@" -P tests/check/check_vehicle.cmake
}
check "tims-host.exe check examples/vehicle (Wine)" \
  run_vehicle_check -DFOLDER=examples/vehicle -DSTATUS=0
check "tims-host.exe check tests/check/broken-vehicle (Wine)" \
  run_vehicle_check -DFOLDER=tests/check/broken-vehicle -DSTATUS=1 \
  -DEXPECTED=tests/check/broken-vehicle.expected
"$(dirname "$wine64")/wineserver" -k >/dev/null 2>&1 || true

for scenario in "${scenarios[@]}"; do
  for arch in "${archs[@]}"; do
    check "same trace from libtims.so and tims_$arch.dll: $scenario" same_traces linux "$arch" "$scenario"
  done
done

check "release zip" cmake --build --preset windows-x64 --target package
check "release zip contents" check_package

finish
