#!/usr/bin/env bash
# Checks a plug-in DLL as the Windows loader and a host see it, one line per failure:
#   check_dll.sh <tims_x64.dll|tims_x86.dll> <x64|x86> [--stripped]
# the host's sixteen functions and the two host-adapter ones exported under plain names, only DLLs
# that every Windows has imported, and on x86 with symbols (not --stripped) every export the
# __stdcall function that pops its own argument bytes.
set -u
usage="usage: check_dll.sh <dll> <x64|x86> [--stripped]"
dll=${1:?$usage}
case ${2:-} in
  x64) objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump} format=pei-x86-64 ;;
  x86) objdump=${OBJDUMP:-i686-w64-mingw32-objdump} format=pei-i386 ;;
  *) echo "$usage"; exit 2 ;;
esac
# Names:bytes of stack arguments as declared (the decoration):bytes the function pops (Elapse also
# removes the hidden pointer to the HandleSet it returns).
expected="Load Dispose GetPluginVersion DoorOpen DoorClose:0:0
Initialize SetPower SetBrake SetReverser KeyDown KeyUp HornBlow SetSignal TimsHostSetLocalMilliseconds:4:4
TimsHostSetKeyState:8:8
SetBeaconData:16:16
SetVehicleSpec:20:20
Elapse:48:52"

failures=0
fail() { echo "FAIL ($dll): $*"; failures=$((failures + 1)); }

headers=$("$objdump" -p "$dll") || { echo "FAIL: cannot read $dll"; exit 1; }
grep -q "file format $format" <<<"$headers" || fail "not a $format image"
# "name address" of every export: the name table gives its slot in the address table.
exports=$(awk '/^Export Address Table/ {table = 1; next}
  /\[Ordinal\/Name Pointer\] Table/ {table = 2; next}
  /^[[:space:]]*$/ {table = 0}
  table && match($0, /\[ *[0-9]+\]/) {slot = substr($0, RSTART + 1, RLENGTH - 2) + 0}
  table == 1 {address[slot] = $(NF - 2)}
  table == 2 {print $NF, address[slot]}' <<<"$headers" | sort)
names=$(cut -d' ' -f1 <<<"$exports")
wanted=$(cut -d: -f1 <<<"$expected" | tr ' ' '\n' | sort)
[[ $names == "$wanted" ]] || fail "exports differ: $(diff <(echo "$wanted") <(echo "$names") | tr '\n' ' ')"
imports=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$headers" | sort -u)
[[ -n $imports ]] || fail "no import table found"
while read -r name; do
  fail "imports $name"
done < <(grep -vxE 'kernel32\.dll|user32\.dll|msvcrt\.dll' <<<"$imports")

convention=
if [[ $2 == x86 && ${3:-} != --stripped ]]; then
  convention=", calling convention"
  image_base=$((16#$(awk '/^ImageBase/ {print $2; exit}' <<<"$headers")))
  disassembly=$("$objdump" -d --no-show-raw-insn "$dll")
  while IFS=: read -r functions declared pops; do
    for name in $functions; do
      # The function the export points at, by its symbol's label, and what its returns pop.
      address=$(awk -v name="$name" '$1 == name {print $2}' <<<"$exports")
      read -r target returns < <(awk -v at="$(printf %08x $((image_base + 16#${address:-0})))" '
        $1 == at && NF == 2 {function_name = substr($2, 2, length($2) - 3); next}
        function_name && /^$/ {exit}
        function_name && $2 == "ret" {pops[$3 == "" ? "$0x0" : $3]}
        END {printf "%s", function_name; for (bytes in pops) printf " %s", bytes; print ""}
        ' <<<"$disassembly")
      [[ $target == "_$name@$declared" ]] ||
        { fail "$name: the export points at ${target:-no function}, not at _$name@$declared"; continue; }
      [[ -n $returns && $returns != *" "* && $((${returns#\$})) -eq $pops ]] ||
        fail "$name: returns with 'ret ${returns:-(none)}', expected to pop $pops bytes"
    done
  done <<<"$expected"
fi

((failures == 0)) || { echo "$dll: $failures check(s) failed"; exit 1; }
echo "$dll: exports, imports$convention as expected"
