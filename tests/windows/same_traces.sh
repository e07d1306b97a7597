#!/usr/bin/env bash
# Compares the CSV traces of one scenario from two builds of the plug-in (tims-host --trace with
# the same --seed) and fails unless they are byte for byte the same; on a difference it names the
# first frame and slot where they part:
#   same_traces.sh <trace-a.csv> <trace-b.csv>
set -u
a=${1:?usage: same_traces.sh <trace-a.csv> <trace-b.csv>}
b=${2:?usage: same_traces.sh <trace-a.csv> <trace-b.csv>}
for trace in "$a" "$b"; do
  [[ -s $trace ]] || { echo "no trace: $trace"; exit 1; }
done
cmp -s "$a" "$b" && exit 0

# A row is frame,time_ms,clock,location_m,speed_kmh,brake,power,reverser,constant_speed,array,
# slot,value: one per slot the frame changed, so the first differing row shows the first frame
# and slot where the builds disagree (or the frame where one of them changed a slot the other
# did not).
awk -F, -v a="$a" -v b="$b" '
  function describe(row,   f, change) {
    if (row == "") return "(the trace ends)";
    split(row, f, ",");
    change = f[10] == "" ? "no slot changed" : sprintf("%s slot %s = %s", f[10], f[11], f[12]);
    return sprintf("frame %s (%s) %s; location %s, speed %s, handles %s/%s/%s/%s", f[1], f[3],
                   change, f[4], f[5], f[6], f[7], f[8], f[9]);
  }
  {
    if ((getline other < b) <= 0) other = "";
    if ($0 != other) {
      printf "traces differ at line %d:\n  %s: %s\n  %s: %s\n", NR, a, describe($0), b,
             describe(other);
      differ = 1;
      exit;
    }
  }
  END {
    if (!differ && (getline other < b) > 0) {
      printf "%s ends at line %d; %s goes on: %s\n", a, NR, b, describe(other);
    }
  }' "$a"
exit 1
