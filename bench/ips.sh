#!/usr/bin/env bash
# Times the 1%-changed pair's patch (bench/make_pair.cpp) as an IPS against the same patch as a
# DIF: whole runs from start to exit, taking turns, every run writing a new output after the
# page cache was written back. Writing is the conversion form from the DIF to an IPS against
# from the DIF to a DIF, reading the IPS to a DIF against the DIF to a DIF, applying the .ips
# against the .dif. Prints the medians and their ratios, each of which should stay at most 1.2.
#
#   bench/ips.sh [--runs N]
set -euo pipefail

runs=15
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/timing.sh"
source "$root/bench/release_build.sh"
export QT_QPA_PLATFORM=offscreen

work=$(mktemp -d "${TMPDIR:-/tmp}/hexmarshal-ips-XXXXXX")
trap 'rm -rf "$work"' EXIT
c++ -O2 -std=c++20 -o "$work/make_pair" "$root/bench/make_pair.cpp"
"$work/make_pair" percent "$work/src.bin" "$work/tgt.bin"
"$hm" "$work/src.bin" /t:"$work/tgt.bin" /d:"$work/p.dif"
"$hm" "$work/p.dif" /c:"$work/p.ips"

# timed KIND ARGS... : one run into a new output; appends "KIND ms" to the results
timed() {
  local kind=$1
  shift
  rm -f "$work"/out.*
  sync
  local start=$EPOCHREALTIME
  "$hm" "$@" 2>/dev/null
  local end=$EPOCHREALTIME
  awk -v k="$kind" -v s="$start" -v e="$end" 'BEGIN { printf "%s %.3f\n", k, (e - s) * 1000 }' \
    >>"$work/results"
}

write_ips() { timed write_ips "$work/p.dif" /c:"$work/out.ips"; }
write_dif() { timed write_dif "$work/p.dif" /c:"$work/out.dif"; }
read_ips() { timed read_ips "$work/p.ips" /c:"$work/out.dif"; }
read_dif() { timed read_dif "$work/p.dif" /c:"$work/out.dif"; }
apply_ips() {
  timed apply_ips "$work/src.bin" /a:"$work/p.ips" /o:"$work/out.bin"
  cmp -s "$work/out.bin" "$work/tgt.bin" || { echo "apply_ips: wrong output" >&2; exit 1; }
}
apply_dif() { timed apply_dif "$work/src.bin" /a:"$work/p.dif" /o:"$work/out.bin"; }

for ((round = 0; round < runs; ++round)); do
  for pair in "write_ips write_dif" "read_ips read_dif" "apply_ips apply_dif"; do
    read -r a b <<<"$pair"
    if ((round % 2)); then "$a"; "$b"; else "$b"; "$a"; fi
  done
done

echo "The 1% pair's patch, $(stat -c %s "$work/p.ips") bytes as IPS," \
  "$(stat -c %s "$work/p.dif") as DIF; medians of $runs runs:"
for what in write read apply; do
  r=$(ratio "${what}_ips" "${what}_dif")
  echo "  $what: IPS $(median "${what}_ips") ms, DIF $(median "${what}_dif") ms; ratio $r" \
    "(at most 1.2: $(verdict "$r" 1.2))"
done
