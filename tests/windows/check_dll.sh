#!/usr/bin/env bash
# Checks a built plug-in DLL the way the Windows loader and a host will see it:
#   check_dll.sh <tims_x64.dll|tims_x86.dll> <x64|x86> [--stripped]
# - the export table holds exactly the host's sixteen functions and the two host-adapter
#   functions, under their plain names;
# - only DLLs that every Windows has are imported (no C++, GCC or thread runtime DLLs);
# - on x86, every export is a __stdcall function that removes exactly its own argument bytes
#   from the stack (Elapse also the hidden pointer to the HandleSet it returns), and the export
#   points at that function. This needs the symbols of the build folder's DLL; --stripped
#   (a released DLL) checks exports and imports only.
# Prints one line per failed check and exits non-zero when any failed.
set -u

dll=${1:?usage: check_dll.sh <dll> <x64|x86>}
arch=${2:?usage: check_dll.sh <dll> <x64|x86>}
stripped=${3:-}
case $arch in
  x64) triple=x86_64-w64-mingw32; format=pei-x86-64 ;;
  x86) triple=i686-w64-mingw32; format=pei-i386 ;;
  *) echo "unknown architecture '$arch'"; exit 2 ;;
esac
objdump=${OBJDUMP:-$triple-objdump}
nm=${NM:-$triple-nm}

# Name, bytes of stack arguments as declared (the decoration), bytes the function pops.
expected="Load 0 0
Dispose 0 0
GetPluginVersion 0 0
SetVehicleSpec 20 20
Initialize 4 4
Elapse 48 52
SetPower 4 4
SetBrake 4 4
SetReverser 4 4
KeyDown 4 4
KeyUp 4 4
HornBlow 4 4
DoorOpen 0 0
DoorClose 0 0
SetSignal 4 4
SetBeaconData 16 16
TimsHostSetKeyState 8 8
TimsHostSetLocalMilliseconds 4 4"

# Every Windows since XP has these; the C runtime is the system's msvcrt.dll.
allowed_imports="kernel32.dll user32.dll msvcrt.dll"

failures=0
fail() {
  echo "FAIL ($dll): $*"
  failures=$((failures + 1))
}

[[ -f $dll ]] || { echo "FAIL: no file $dll"; exit 1; }
headers=$("$objdump" -p "$dll") || { echo "FAIL: $objdump cannot read $dll"; exit 1; }

grep -q "file format $format" <<<"$headers" || fail "not a $format image"

# Export names: the name-pointer table lists "[ordinal] name".
exports=$(awk '/\[Ordinal\/Name Pointer\] Table/ {on = 1; next}
               on && /^[[:space:]]*$/ {on = 0}
               on && /\[ *[0-9]+\]/ {print $NF}' <<<"$headers" | sort)
wanted=$(cut -d' ' -f1 <<<"$expected" | sort)
if [[ $exports != "$wanted" ]]; then
  fail "exports differ from the expected set:"
  diff <(echo "$wanted") <(echo "$exports") | sed 's/^/    /'
fi
grep -q '@' <<<"$exports" && fail "decorated export names"

imports=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$headers" | sort -u)
[[ -n $imports ]] || fail "no import table found"
for name in $imports; do
  [[ " $allowed_imports " == *" $name "* ]] || fail "imports $name"
done

check_convention=no
[[ $arch == x86 && $stripped != --stripped ]] && check_convention=yes

if [[ $check_convention == yes ]]; then
  image_base=$((16#$(awk '/^ImageBase/ {print $2; exit}' <<<"$headers")))
  symbols=$("$nm" "$dll")
  disassembly=$("$objdump" -d --no-show-raw-insn "$dll")
  while read -r name declared pops; do
    symbol=$(awk -v pat="^_${name}@[0-9]+\$" '$2 == "T" && $3 ~ pat {print $1, $3}' <<<"$symbols")
    if [[ -z $symbol ]]; then
      fail "$name: no __stdcall symbol _$name@N"
      continue
    fi
    read -r address decorated <<<"$symbol"
    [[ $decorated == "_$name@$declared" ]] || fail "$name: declared as $decorated, expected @$declared"

    ordinal=$(awk -v n="$name" '/\[Ordinal\/Name Pointer\] Table/ {on = 1; next}
                                on && $NF == n {match($0, /[0-9]+/); print substr($0, RSTART, RLENGTH) + 0; exit}' <<<"$headers")
    rva=$(awk -v o="$ordinal" '/Export Address Table/ {on = 1; next} on && /^[[:space:]]*$/ {on = 0}
                               on && $0 ~ "^[[:space:]]*\\[ *" o "\\]" {print $(NF - 2); exit}' <<<"$headers")
    if [[ -z $rva || $((image_base + 16#$rva)) -ne $((16#$address)) ]]; then
      fail "$name: the export does not point at $decorated"
    fi

    # Every return in the function body must pop the same number of bytes.
    returns=$(awk -v label="<$decorated>:" '$2 == label {on = 1; next} on && /^$/ {exit}
                                             on && $2 == "ret" {print ($3 == "" ? "$0x0" : $3)}' <<<"$disassembly" | sort -u)
    if [[ -z $returns ]]; then
      fail "$name: no return instruction found"
    elif [[ $(wc -l <<<"$returns") -ne 1 || $((${returns#\$})) -ne $pops ]]; then
      fail "$name: returns with 'ret $(tr '\n' ' ' <<<"$returns")', expected to pop $pops bytes"
    fi
  done <<<"$expected"
fi

if ((failures > 0)); then
  echo "$dll: $failures check(s) failed"
  exit 1
fi
echo "$dll: exports, imports$([[ $check_convention == yes ]] && echo ', calling convention') as expected"
