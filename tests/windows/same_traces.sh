#!/usr/bin/env bash
# Fails unless the CSV traces of one scenario from two builds of the plug-in (tims-host --trace,
# same --seed) are byte for byte the same, and names the first row where they part:
#   same_traces.sh <trace-a.csv> <trace-b.csv>
set -u
usage="usage: same_traces.sh <trace-a.csv> <trace-b.csv>"
for trace in "${1:?$usage}" "${2:?$usage}"; do
  [[ -s $trace ]] || { echo "no trace: $trace"; exit 1; }
done
differ=$(cmp "$1" "$2" 2>&1) && exit 0
# cmp names the line of the first differing byte, or the whole lines read before one file ended.
[[ $differ =~ (in\ )?line\ ([0-9]+)$ ]] || { echo "$differ"; exit 1; }
row=${BASH_REMATCH[2]}
[[ $differ == *EOF* && -z ${BASH_REMATCH[1]} ]] && row=$((row + 1))
# A row is frame,time_ms,clock,location_m,speed_kmh,brake,power,reverser,constant_speed,array,
# slot,value: one per slot a frame changed, so the first differing row shows the first frame and
# slot where the builds disagree (or the frame where one of them changed a slot the other did not).
echo "traces differ at line $row:"
for trace in "$1" "$2"; do
  sed -n "${row}p" "$trace" | awk -F, -v trace="$trace" '
    {printf "  %s: frame %s (%s) %s; location %s, speed %s, handles %s/%s/%s/%s\n", trace, $1, $3,
            $10 == "" ? "no slot changed" : $10 " slot " $11 " = " $12, $4, $5, $6, $7, $8, $9}
    END {if (NR == 0) printf "  %s: (the trace ends)\n", trace}'
done
exit 1
