#!/usr/bin/env bash
# Checks that the 32-bit plug-in computes in SSE2, not in the x87 unit, so that its results match
# the 64-bit and Linux builds bit for bit: no x87 arithmetic instruction in any object file of the
# plug-in's own code (loads and stores that carry a float result to the caller, and exact integer
# conversions, are allowed).
#   check_sse_math.sh <build/windows-x86>
set -u
build=${1:?usage: check_sse_math.sh <windows-x86 build folder>}
objdump=i686-w64-mingw32-objdump
mapfile -t objects < <(find "$build/src" -name '*.obj' | sort)
((${#objects[@]} > 0)) || { echo "no object files under $build/src"; exit 1; }

x87_arithmetic='f(add|sub|subr|mul|div|divr)p?|fi(add|sub|subr|mul|div|divr)|f(sqrt|prem|prem1|scale|sin|cos|sincos|ptan|patan|yl2x|yl2xp1|2xm1|rndint)'
failures=0
for object in "${objects[@]}"; do
  found=$("$objdump" -d --no-show-raw-insn "$object" |
          awk -v pattern="^($x87_arithmetic)$" '
            /^[0-9a-f]+ <.*>:$/ { function_name = $2 }
            $2 ~ pattern { print "  " function_name " " $2 " " $3 }' | head -n 5)
  if [[ -n $found ]]; then
    echo "x87 arithmetic in ${object#"$build"/}:"
    echo "$found"
    failures=$((failures + 1))
  fi
done
echo "${#objects[@]} object files, $failures with x87 arithmetic"
((failures == 0))
