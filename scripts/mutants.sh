#!/usr/bin/env bash
# Mutation testing: plants the faults listed in scripts/mutants.txt into src/ one at a time, in a
# scratch copy of the tree (never the working tree), rebuilds incrementally, runs the test suite
# and counts the faults the suite catches. Prints `killed K of N` and the survivors.
#
#   scripts/mutants.sh                 every mutant
#   scripts/mutants.sh unit aids       the mutants in src/unit/ and src/aids/
#   scripts/mutants.sh 1-20 35         the mutants with those numbers (1 is the first in the list)
#   scripts/mutants.sh --check         only checks that every snippet is found exactly once
#   MUTANTS_BEFORE=REV scripts/mutants.sh
#                                      scores the suite of git revision REV on the same builds too
#                                      (its GoogleTest sources as one extra program; the scenarios,
#                                      corpora and fuzz targets must be those of the working tree)
#
# Each line of the list reads `PATH ORIGINAL ==> REPLACEMENT`: the file below the repository,
# a snippet that occurs exactly once in it, and what it becomes (nothing: the statement is
# dropped). Lines starting with # and blank lines are skipped. A snippet that is missing or not
# unique is an error, and a mutant that does not build is reported apart; neither counts as
# killed. Environment: MUTANTS_DIR (scratch folder, default build/mutants), MUTANTS_JOBS (2),
# MUTANTS_TIMEOUT (seconds per test, 20), MUTANTS_LIST (the list file), MUTANTS_ALL_TESTS=1 (run
# every test instead of stopping at the first failure, and list all that fail: which tests catch
# which faults).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
list=${MUTANTS_LIST:-$repo/scripts/mutants.txt}
work=${MUTANTS_DIR:-$repo/build/mutants}
jobs=${MUTANTS_JOBS:-2}
timeout=${MUTANTS_TIMEOUT:-20}
tree=$work/tree
build=$work/build
results=$work/results.txt

check_only=0
selectors=()
for arg in "$@"; do
  case $arg in
    --check) check_only=1 ;;
    -h | --help) sed -n '2,17p' "$0"; exit 0 ;;
    *) selectors+=("$arg") ;;
  esac
done

# plant.py LIST TREE [NUMBER]: without a number, checks every entry of the list against the tree
# and prints the selected numbers; with one, writes that mutant into the tree (or restores the
# file with "restore").
mkdir -p "$work"
cat >"$work/plant.py" <<'PY'
import sys, re
list_file, tree = sys.argv[1], sys.argv[2]

def entries():
    out = []
    with open(list_file, encoding="utf-8") as f:
        for n, line in enumerate(f, 1):
            text = line.rstrip("\n")
            if not text.strip() or text.lstrip().startswith("#"):
                continue
            path, _, rest = text.partition(" ")
            if " ==>" not in rest:
                sys.exit(f"{list_file}:{n}: no ' ==> ' in the line")
            orig, _, repl = rest.partition(" ==>")
            out.append((n, path, orig.strip(), repl.strip()))
    return out

def read(path):
    with open(f"{tree}/{path}", encoding="utf-8") as f:
        return f.read()

mutants = entries()
if sys.argv[3] == "list":
    wanted = sys.argv[4:]
    bad = 0
    for i, (n, path, orig, repl) in enumerate(mutants, 1):
        folder = path.split("/")[1] if path.startswith("src/") else ""
        pick = not wanted
        for w in wanted:
            m = re.fullmatch(r"(\d+)(?:-(\d+))?", w)
            if m:
                lo, hi = int(m[1]), int(m[2] or m[1])
                pick = pick or lo <= i <= hi
            else:
                pick = pick or w == folder or path.startswith(w)
        if not pick:
            continue
        try:
            count = read(path).count(orig) if orig else 0
        except OSError:
            count = 0
        if count != 1 or orig == repl:
            why = "is missing" if count == 0 else f"occurs {count} times" if count > 1 else "does not change"
            print(f"error {i} {path}:{n}: snippet {why}: {orig}", file=sys.stderr)
            bad += 1
        else:
            print(i)
    sys.exit(1 if bad else 0)

# The file's own text is kept aside while a mutant is planted, and put back from there.
i = int(sys.argv[4])
n, path, orig, repl = mutants[i - 1]
saved = f"{tree}.saved"
if sys.argv[3] == "plant":
    text = read(path)
    with open(saved, "w", encoding="utf-8") as f:
        f.write(text)
    text = text.replace(orig, repl, 1)
    print(f"{path}: {orig} ==> {repl}")
else:
    with open(saved, encoding="utf-8") as f:
        text = f.read()
with open(f"{tree}/{path}", "w", encoding="utf-8") as f:
    f.write(text)
PY

# The scratch tree mirrors the working tree's files (tracked and new, not ignored). Only files
# whose content differs are copied, so the incremental build stays incremental.
sync_tree() {
  mkdir -p "$tree"
  (cd "$repo" && git ls-files -co --exclude-standard -z) | python3 -c '
import sys, os, filecmp, shutil
repo, tree = sys.argv[1], sys.argv[2]
files = [f for f in sys.stdin.buffer.read().decode().split("\0") if f and os.path.isfile(os.path.join(repo, f))]
keep = set(files)
for f in files:
    src, dst = os.path.join(repo, f), os.path.join(tree, f)
    if not os.path.exists(dst) or not filecmp.cmp(src, dst, shallow=False):
        os.makedirs(os.path.dirname(dst), exist_ok=True)
        shutil.copy(src, dst)  # a fresh time, so that the build sees the change
for root, _, names in os.walk(tree):
    for name in names:
        rel = os.path.relpath(os.path.join(root, name), tree)
        if rel not in keep:
            os.remove(os.path.join(root, name))
' "$repo" "$tree"
}

# The earlier suite: every GoogleTest source of REV (the Windows programs aside) built as one
# program that no CTest test runs; the shared tests (scenarios, corpus replays, house rules, the
# export list) are the working tree's and must be unchanged.
shared='^(scenario|fuzz_replay|house|plugin_exports)'
add_before_suite() {
  local rev=$1 dest=$tree/before-suite
  if (cd "$repo" && ! git diff --quiet "$rev" -- tests/scenarios tools fuzz tests/house tests/e2e/check_exports.cmake); then
    echo "the scenarios, tools or fuzz targets differ from $rev: the suites do not share them" >&2
    exit 1
  fi
  rm -rf "$dest" && mkdir -p "$dest"
  (cd "$repo" && git archive "$rev" tests) | tar -x -C "$dest"
  rm -rf "$dest/tests/windows"
  cat >"$dest/CMakeLists.txt" <<'CMAKE'
find_package(GTest REQUIRED)
file(GLOB_RECURSE before_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
add_executable(before_suite ${before_sources})
target_include_directories(before_suite PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
target_link_libraries(before_suite PRIVATE tims_host_lib tims_core GTest::gtest GTest::gtest_main)
target_compile_definitions(before_suite PRIVATE TIMS_PLUGIN_PATH="$<TARGET_FILE:tims>"
                           TIMS_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
add_dependencies(before_suite tims)
CMAKE
  echo 'add_subdirectory(before-suite)' >>"$tree/CMakeLists.txt"
}

sync_tree
[[ -n ${MUTANTS_BEFORE:-} ]] && add_before_suite "$MUTANTS_BEFORE"
selected=$(python3 "$work/plant.py" "$list" "$tree" list "${selectors[@]}") || errors=1
errors=${errors:-0}
if [[ $check_only == 1 ]]; then
  echo "$(wc -w <<<"$selected") mutants found"
  exit "$errors"
fi

# A fast build: optimised a little, no debug information, warnings not fatal (a mutant may leave
# a variable unused), a quick linker when there is one.
fast=()
# With ccache a second run (another suite, the same mutants) compiles only the tests again.
if command -v ccache >/dev/null; then
  fast+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=$(dirname "$work") CCACHE_NOHASHDIR=1
fi
if command -v ld.lld >/dev/null; then
  fast+=(-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld -DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=lld)
fi
cmake -S "$tree" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS_RELEASE="-O1 -DNDEBUG" -DTIMS_WERROR=OFF "${fast[@]}" >"$work/configure.log"

build_and_test() { # the log file; status 2 when the build fails, 1 when a test fails
  before_killed=0
  nice ninja -C "$build" -j"$jobs" >"$1" 2>&1 || return 2
  local stop=(--stop-on-failure) result=0
  [[ ${MUTANTS_ALL_TESTS:-0} == 1 ]] && stop=()
  (cd "$build" && nice ctest "${stop[@]}" --timeout "$timeout" -j"$jobs" >>"$1" 2>&1) || result=1
  if [[ -n ${MUTANTS_BEFORE:-} ]]; then
    # A shared test that failed fails the earlier suite too; else its own tests decide, and the
    # shared ones that the stop at the first failure may have skipped.
    local failing
    failing=$(grep -E 'Test +#[0-9]+: .*(\*\*\*|Subprocess aborted)' "$1" | sed -E 's/.*Test +#[0-9]+: //' || true)
    if grep -qE "$shared" <<<"$failing"; then
      before_killed=1
    elif ! (cd "$build" && nice before-suite/before_suite --gtest_brief=1 >>"$1" 2>&1); then
      before_killed=1
    elif [[ $result == 1 ]] &&
      ! (cd "$build" && nice ctest -R "$shared" --timeout "$timeout" -j"$jobs" >>"$1" 2>&1); then
      before_killed=1
    fi
  fi
  return "$result"
}

echo "building and testing the tree without mutants"
start=$(date +%s)
status=0
build_and_test "$work/clean.log" || status=$?
if [[ $status != 0 || $before_killed != 0 ]]; then
  echo "the suite fails without mutants (see $work/clean.log)" >&2
  exit 1
fi
echo "clean run: $(($(date +%s) - start)) s"

: >"$results"
killed=0 total=0 survivors=() unbuilt=() lost=()
for i in $selected; do
  what=$(python3 "$work/plant.py" "$list" "$tree" plant "$i")
  t0=$(date +%s)
  status=0
  build_and_test "$work/mutant-$i.log" || status=$?
  python3 "$work/plant.py" "$list" "$tree" restore "$i" >/dev/null
  if [[ -n ${MUTANTS_BEFORE:-} && $status != 2 ]]; then
    before_total=$((${before_total:-0} + 1))
    if [[ $before_killed == 1 ]]; then
      before_kills=$((${before_kills:-0} + 1))
      [[ $status == 0 ]] && lost+=("$i $what")
    fi
  fi
  case $status in
    0) outcome=survived; survivors+=("$i $what") ;;
    1) outcome=killed; killed=$((killed + 1)) ;;
    2) outcome=unbuilt; unbuilt+=("$i $what") ;;
  esac
  [[ $status == 2 ]] || total=$((total + 1))
  failed=$(grep -E 'Test +#[0-9]+: .*(\*\*\*(Failed|Timeout|Exception)|Subprocess aborted)' "$work/mutant-$i.log" |
    sed -E 's/.*Test +#[0-9]+: ([^ ]+).*/\1/' | tr '\n' ' ' || true)
  [[ -n ${MUTANTS_BEFORE:-} && $status != 2 ]] &&
    outcome="$outcome/$( ((before_killed)) && echo killed || echo survived)"
  printf '%-8s %3d %4ds %s%s\n' "$outcome" "$i" $(($(date +%s) - t0)) "$what" "${failed:+  [${failed% }]}" |
    tee -a "$results"
done
# Put the built tree back to the clean state for the next run.
nice ninja -C "$build" -j"$jobs" >/dev/null 2>&1 || true

echo
echo "time: $(($(date +%s) - start)) s"
if ((${#unbuilt[@]})); then
  echo "mutants that do not build (not counted):"
  printf '  %s\n' "${unbuilt[@]}"
fi
if ((${#survivors[@]})); then
  echo "survivors:"
  printf '  %s\n' "${survivors[@]}"
fi
echo "killed $killed of $total"
if [[ -n ${MUTANTS_BEFORE:-} ]]; then
  echo "the suite of $MUTANTS_BEFORE: killed ${before_kills:-0} of ${before_total:-0}"
  if ((${#lost[@]})); then
    echo "killed by the suite of $MUTANTS_BEFORE only:"
    printf '  %s\n' "${lost[@]}"
  fi
fi
exit "$errors"
