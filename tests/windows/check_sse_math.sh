#!/usr/bin/env bash
# Checks that the 32-bit plug-in computes in SSE2, not in the x87 unit, so that its results are
# those of the 64-bit and Linux builds bit for bit: no x87 arithmetic instruction in any object
# file of the plug-in's own code (loads and stores that carry a float result to the caller, and
# exact integer conversions, are allowed), in every operand form (fmull: a double in memory).
#   check_sse_math.sh <build/windows-x86>
set -u
build=${1:?usage: check_sse_math.sh <windows-x86 build folder>}
mapfile -t objects < <(find "$build/src" -name '*.obj' | sort)
((${#objects[@]} > 0)) || { echo "no object files under $build/src"; exit 1; }
x87='f(add|sub|subr|mul|div|divr)[psl]?|fi(add|sub|subr|mul|div|divr)[sl]?|f(sqrt|prem|prem1|scale|sin|cos|sincos|ptan|patan|yl2x|yl2xp1|2xm1|rndint)'
i686-w64-mingw32-objdump -d --no-show-raw-insn "${objects[@]}" |
  awk -v x87="^($x87)$" -v build="$build/" -v objects=${#objects[@]} '
    / file format / {object = substr($1, length(build) + 1, length($1) - length(build) - 1)}
    /^[0-9a-f]+ <.*>:$/ {function_name = $2}
    $2 ~ x87 && found[object]++ == 0 {print "x87 arithmetic in " object ":"; failures++}
    $2 ~ x87 && found[object] <= 5 {print "  " function_name " " $2 " " $3}
    END {print objects " object files, " failures + 0 " with x87 arithmetic"; exit failures > 0}'
