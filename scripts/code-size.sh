#!/usr/bin/env bash
# Lines of product code against lines of tests, over the files git tracks. Product: src/ and
# tools/. Tests: everything under tests/ and the fuzz targets' sources under fuzz/ (not their
# corpora). Two counts: every line (wc -l), and code lines, the C++ sources and headers without
# blank lines and lines that hold only a // comment. The project keeps its tests at a quarter to
# a third of its code, in code lines.
set -euo pipefail
cd "$(dirname "$0")/.."

files() { git ls-files -z -co --exclude-standard -- "$@"; }
all_lines() { files "$@" | while IFS= read -r -d '' f; do [[ -f $f ]] && cat "$f"; done | wc -l; }
code_lines() {
  files "$@" | while IFS= read -r -d '' f; do
    [[ -f $f && $f =~ \.(cpp|h)$ ]] && cat "$f"
  done | grep -c -v -E '^[[:space:]]*(//.*)?$' || true
}

product=(src tools)
tests=(tests fuzz ':!fuzz/corpus')
for count in all_lines code_lines; do
  p=$($count "${product[@]}")
  t=$($count "${tests[@]}")
  label=${count/_/ }
  printf '%-12s product %6d  tests %6d  (tests/ %d, fuzz/ %d)  tests / product %5.1f%%\n' \
    "$label" "$p" "$t" "$($count tests)" "$($count fuzz ':!fuzz/corpus')" "$(awk -v t="$t" -v p="$p" 'BEGIN { print 100 * t / p }')"
done
