#!/usr/bin/env bash
# Checks a built plug-in DLL the way the Windows loader and a host will see it:
#   check_dll.sh <tims_x64.dll|tims_x86.dll> <x64|x86> [--stripped]
# - the export table holds exactly the host's sixteen functions and the two host-adapter
#   functions, under their plain names;
# - only DLLs that every Windows has are imported (no C++, GCC or thread runtime DLLs);
# - on x86 (with the symbols of the build folder's DLL, not --stripped), every export points at a
#   __stdcall function that removes exactly its own argument bytes from the stack (Elapse also the
#   hidden pointer to the HandleSet it returns).
# Prints one line per failed check and exits non-zero when any failed.
set -u
dll=${1:?usage: check_dll.sh <dll> <x64|x86> [--stripped]}
case ${2:-} in
  x64) triple=x86_64-w64-mingw32; format=pei-x86-64 ;;
  x86) triple=i686-w64-mingw32; format=pei-i386 ;;
  *) echo "usage: check_dll.sh <dll> <x64|x86> [--stripped]"; exit 2 ;;
esac

# Names: bytes of stack arguments as declared (the decoration): bytes the function pops.
expected="Load Dispose GetPluginVersion DoorOpen DoorClose:0:0
Initialize SetPower SetBrake SetReverser KeyDown KeyUp HornBlow SetSignal TimsHostSetLocalMilliseconds:4:4
TimsHostSetKeyState:8:8
SetBeaconData:16:16
SetVehicleSpec:20:20
Elapse:48:52"
# Every Windows since XP has these; the C runtime is the system's msvcrt.dll.
allowed_imports=" kernel32.dll user32.dll msvcrt.dll "

failures=0
fail() { echo "FAIL ($dll): $*"; failures=$((failures + 1)); }

headers=$("${OBJDUMP:-$triple-objdump}" -p "$dll") || { echo "FAIL: cannot read $dll"; exit 1; }
grep -q "file format $format" <<<"$headers" || fail "not a $format image"

# Export names: the name-pointer table lists "[ordinal] name".
names=$(awk '/\[Ordinal\/Name Pointer\] Table/ {on = 1; next} on && /^[[:space:]]*$/ {on = 0}
             on && /\[ *[0-9]+\]/ {print $NF}' <<<"$headers" | sort)
wanted=$(cut -d: -f1 <<<"$expected" | tr ' ' '\n' | sort)
[[ $names == "$wanted" ]] || fail "exports differ: $(diff <(echo "$wanted") <(echo "$names") | tr '\n' ' ')"

imports=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$headers" | sort -u)
[[ -n $imports ]] || fail "no import table found"
for name in $imports; do
  [[ $allowed_imports == *" $name "* ]] || fail "imports $name"
done

convention=
if [[ $2 == x86 && ${3:-} != --stripped ]]; then
  convention=", calling convention"
  image_base=$((16#$(awk '/^ImageBase/ {print $2; exit}' <<<"$headers")))
  symbols=$("${NM:-$triple-nm}" "$dll")
  disassembly=$("${OBJDUMP:-$triple-objdump}" -d --no-show-raw-insn "$dll")
  while IFS=: read -r functions declared pops; do
    for name in $functions; do
      read -r address decorated < <(awk -v pat="^_${name}@[0-9]+\$" \
        '$2 == "T" && $3 ~ pat {print $1, $3}' <<<"$symbols")
      [[ -n ${decorated:-} ]] || { fail "$name: no __stdcall symbol _$name@N"; continue; }
      [[ $decorated == "_$name@$declared" ]] || fail "$name: declared as $decorated, not @$declared"
      # The export's address, through its ordinal, is the function's.
      ordinal=$(awk -v n="$name" '/\[Ordinal\/Name Pointer\] Table/ {on = 1; next}
        on && $NF == n {match($0, /[0-9]+/); print substr($0, RSTART, RLENGTH) + 0; exit}' <<<"$headers")
      rva=$(awk -v o="$ordinal" '/Export Address Table/ {on = 1; next} on && /^[[:space:]]*$/ {on = 0}
        on && $0 ~ "^[[:space:]]*\\[ *" o "\\]" {print $(NF - 2); exit}' <<<"$headers")
      [[ -n $rva && $((image_base + 16#$rva)) -eq $((16#$address)) ]] ||
        fail "$name: the export does not point at $decorated"
      # Every return in the function body pops the same number of bytes.
      returns=$(awk -v label="<$decorated>:" '$2 == label {on = 1; next} on && /^$/ {exit}
        on && $2 == "ret" {print ($3 == "" ? "$0x0" : $3)}' <<<"$disassembly" | sort -u)
      [[ -n $returns && $(wc -l <<<"$returns") -eq 1 && $((${returns#\$})) -eq $pops ]] ||
        fail "$name: returns with 'ret $(tr '\n' ' ' <<<"$returns")', expected to pop $pops bytes"
    done
  done <<<"$expected"
fi

((failures == 0)) || { echo "$dll: $failures check(s) failed"; exit 1; }
echo "$dll: exports, imports$convention as expected"
