#!/usr/bin/env bash
# Lines of product code against lines of tests, counted over the files git tracks (wc -l).
# Product: src/ and tools/. Tests: everything under tests/ and the fuzz targets' sources under
# fuzz/ (not their corpora). The project keeps its tests at a quarter to a third of its code.
set -euo pipefail
cd "$(dirname "$0")/.."

lines() { # lines of the files git tracks (or would: new ones count) that the pathspecs select
  git ls-files -z -co --exclude-standard -- "$@" |
    while IFS= read -r -d '' f; do [[ -f $f ]] && cat "$f"; done | wc -l
}

src=$(lines src)
tools=$(lines tools)
tests=$(lines tests)
fuzz=$(lines fuzz ':!fuzz/corpus')
product=$((src + tools))
test_lines=$((tests + fuzz))

printf '%-28s %7d\n' "src/" "$src" "tools/" "$tools" "product code" "$product" \
  "tests/" "$tests" "fuzz/ (without corpora)" "$fuzz" "tests" "$test_lines"
awk -v t="$test_lines" -v p="$product" 'BEGIN { printf "%-28s %6.1f%%\n", "tests / product", 100 * t / p }'
