#!/usr/bin/env bash
# Runs the window benchmark on the every-other-byte pair and the 1%-changed pair, each scenario
# in a process of its own so that every peak memory figure is its own.
#
#   bench/window.sh [BUILD_DIR]   (default build-tests; built with the tests and benchmarks)
# HM_BENCH_DIR  folder for the generated pairs (default: a new folder under ${TMPDIR:-/tmp})
# HM_BENCH_PAIRS the pairs (default: alternate percent)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-tests}
cmake --build "$build" --target window_bench make_pair hexmarshal >/dev/null
export QT_QPA_PLATFORM=offscreen

work=$(mktemp -d "${HM_BENCH_DIR:-${TMPDIR:-/tmp}}/hexmarshal-window-XXXXXX")
trap 'rm -rf "$work"' EXIT

for pair in ${HM_BENCH_PAIRS:-alternate percent}; do
  "$build/bench/make_pair" "$pair" "$work/$pair.source" "$work/$pair.target"
  echo "== $pair pair, distance 0"
  for scenario in search cancel:150 cancel:400 cancel:800 edits distance; do
    "$build/bench/window_bench" "$work/$pair.source" "$work/$pair.target" "$scenario" 0
  done
  echo "== $pair pair, the byte viewer (distance 8, then 0)"
  "$build/bench/window_bench" "$work/$pair.source" "$work/$pair.target" viewer 8
  echo "== $pair pair, its DIF at distance 0: F4, \"Создать DIF\" with the backup, \"Отмена\""
  "$build/hexmarshal" "$work/$pair.source" /md:0 /t:"$work/$pair.target" /d:"$work/$pair.dif"
  for scenario in "open-dif:$work/$pair.dif" "write-dif:$work/written.dif" \
      "cancel-open:$work/$pair.dif:300" "cancel-write:$work/written.dif:100"; do
    rm -f "$work/written.dif" "$work/written.dif_bak.dif"
    "$build/bench/window_bench" "$work/$pair.source" "$work/$pair.target" "$scenario" 0
  done
done
