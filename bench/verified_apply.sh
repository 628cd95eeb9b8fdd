#!/usr/bin/env bash
# Times the applying form with and without the backup beside the DIF, on the 1%-changed pair of
# bench/make_pair.cpp: whole runs from start to exit, taking turns, every run writing a new
# output after the page cache was written back. Prints the medians and their ratio, which should
# stay at most 1.2: verifying reads only the blocks' bytes of the BIN.
#
#   bench/verified_apply.sh [--runs N]
set -euo pipefail

runs=15
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/timing.sh"
source "$root/bench/release_build.sh"
export QT_QPA_PLATFORM=offscreen

work=$(mktemp -d "${TMPDIR:-/tmp}/hexmarshal-verified-XXXXXX")
trap 'rm -rf "$work"' EXIT
c++ -O2 -std=c++20 -o "$work/make_pair" "$root/bench/make_pair.cpp"
"$work/make_pair" percent "$work/src.bin" "$work/tgt.bin"
mkdir "$work/verified" "$work/plain"
"$hm" "$work/src.bin" /t:"$work/tgt.bin" /d:"$work/verified/p.dif" /b
cp "$work/verified/p.dif" "$work/plain/p.dif"

# timed KIND DIF : one run into a new output; appends "KIND ms" to the results
timed() {
  rm -f "$work/out.bin"
  sync
  local start=$EPOCHREALTIME
  "$hm" "$work/src.bin" /a:"$2" /o:"$work/out.bin" 2>/dev/null
  local end=$EPOCHREALTIME
  cmp -s "$work/out.bin" "$work/tgt.bin" || { echo "$1: wrong output" >&2; exit 1; }
  awk -v k="$1" -v s="$start" -v e="$end" 'BEGIN { printf "%s %.3f\n", k, (e - s) * 1000 }' \
    >>"$work/results"
}

for ((round = 0; round < runs; ++round)); do
  if ((round % 2)); then
    timed verified "$work/verified/p.dif"
    timed plain "$work/plain/p.dif"
  else
    timed plain "$work/plain/p.dif"
    timed verified "$work/verified/p.dif"
  fi
done

r=$(ratio verified plain)
echo "Applying the 1% pair's DIF, medians of $runs runs: verified $(median verified) ms," \
  "unverified $(median plain) ms; ratio $r (at most 1.2: $(verdict "$r" 1.2))"
