#!/usr/bin/env bash
# Times the unattended comparison and applying forms against the file work neither can avoid:
# the comparison against cat reading both BINs, the applying against cp copying the BIN. Whole
# processes, taking turns within every round, each output new; prints the medians, their ratios
# and each form's peak memory, on the 1%-changed pair and the every-other-byte pair of
# bench/make_pair.cpp. Both forms read through small buffers, so the ratios should stay at most
# 1.2 (comparison) and 1.1 (applying) on the 1% pair, and the peak memory at most 16 MiB there.
#
#   bench/streamed_forms.sh [--runs N]
#
# HM_PROGRAM   a hexmarshal to time instead of building one (an older build, to compare)
# HM_BENCH_DIR folder for the generated files (default: a new folder under ${TMPDIR:-/tmp})
set -euo pipefail

runs=11
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/timing.sh"
[ -x /usr/bin/time ] || { echo "/usr/bin/time is needed: apt-get install time" >&2; exit 1; }

if [ -n "${HM_PROGRAM:-}" ]; then
  hm=$(realpath "$HM_PROGRAM")
else
  source "$root/bench/release_build.sh"
fi

work=${HM_BENCH_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/hexmarshal-streamed-XXXXXX")}
[ -n "${HM_BENCH_DIR:-}" ] || trap 'rm -rf "$work"' EXIT
mkdir -p "$work"
c++ -O2 -std=c++20 -o "$work/make_pair" "$root/bench/make_pair.cpp"

# timed NAME COMMAND... : one run; appends "NAME milliseconds peak-KiB" to the results.
timed() {
  local name=$1
  shift
  rm -f "$work/out.bin" "$work/out.dif" "$work/out.dif_bak.dif"
  local start=$EPOCHREALTIME
  /usr/bin/time -f %M -o "$work/peak" "$@" >/dev/null 2>&1
  local end=$EPOCHREALTIME
  awk -v k="$name" -v s="$start" -v e="$end" -v m="$(tail -1 "$work/peak")" \
    'BEGIN { printf "%s %.3f %d\n", k, (e - s) * 1000, m }' >>"$work/results"
}

peak() {
  awk -v k="$1" '$1 == k && $3 > m { m = $3 } END { printf "%.1f", m / 1024 }' "$work/results"
}

for kind in percent alternate; do
  src=$work/$kind.src tgt=$work/$kind.tgt dif=$work/$kind.dif
  [ -f "$tgt" ] || "$work/make_pair" $kind "$src" "$tgt"
  rm -f "$dif" "${dif}_bak.dif"
  "$hm" "$src" /t:"$tgt" /d:"$dif" /b 2>/dev/null
  # One run each first, so the files are in the page cache and the outputs known right.
  "$hm" "$src" /a:"$dif" /o:"$work/out.bin" 2>/dev/null
  cmp -s "$work/out.bin" "$tgt" || { echo "$kind: the applied BIN is wrong" >&2; exit 1; }
  : >"$work/results"
  for ((round = 0; round < runs; ++round)); do
    timed compare "$hm" "$src" /t:"$tgt" /d:"$work/out.dif" /b
    timed cat cat "$src" "$tgt"
    timed apply "$hm" "$src" /a:"$dif" /o:"$work/out.bin"
    timed cp cp "$src" "$work/out.bin"
  done
  compare=$(ratio compare cat)
  apply=$(ratio apply cp)
  echo "$kind pair, medians of $runs runs:"
  echo "  comparison /b $(median compare) ms, cat both $(median cat) ms: ratio $compare," \
    "peak $(peak compare) MiB"
  echo "  applying      $(median apply) ms, cp $(median cp) ms: ratio $apply," \
    "peak $(peak apply) MiB"
  if [ $kind = percent ]; then
    echo "  comparison at most 1.2: $(verdict "$compare" 1.2); applying at most 1.1:" \
      "$(verdict "$apply" 1.1); peaks at most 16 MiB: $(awk -v a="$(peak compare)" \
      -v b="$(peak apply)" 'BEGIN { print (a <= 16 && b <= 16) ? "met" : "MISSED" }')"
  fi
done
