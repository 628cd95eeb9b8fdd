#!/usr/bin/env bash
# Carrying the 1%-changed pair's DIF to a version of its source with bytes inserted and removed
# in the middle, against the comparison form on the same pair, alternating (farm-bench). The
# carried DIF applied to the new source must give the new target.
#
#   bench/carry.sh [BUILD_DIR]   (default build-tests)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-tests}
cmake --build "$build" --target hexmarshal make_pair >/dev/null
hm=$build/hexmarshal
work=$(mktemp -d "${TMPDIR:-/tmp}/hexmarshal-carry-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

"$build/bench/make_pair" percent src.bin tgt.bin
# The new version: 1000 bytes inserted at a third, 500 removed at two thirds, and the last 500
# left off so that it stays within the limit.
splice() {
  local a=5592405 b=11184810
  dd if="$1" bs=1M iflag=count_bytes count=$a status=none
  head -c 1000 /dev/zero | tr '\0' 'Z'
  dd if="$1" bs=1M iflag=skip_bytes,count_bytes skip=$a count=$((b - a)) status=none
  dd if="$1" bs=1M iflag=skip_bytes,count_bytes skip=$((b + 500)) \
    count=$((16777215 - 500 - b - 500)) status=none
}
splice src.bin > new.bin
splice tgt.bin > new-target.bin
"$hm" src.bin /t:tgt.bin /d:patch.dif /b

"$hm" new.bin /r:patch.dif /s:src.bin /d:carried.dif > moved.txt
"$hm" new.bin /a:carried.dif /o:new-out.bin >/dev/null
cmp new-out.bin new-target.bin && echo "carried DIF applied gives the new target; $(wc -l < moved.txt) blocks moved of $(od -An -tu4 -j28 -N4 patch.dif)"
farm-bench -n 7 --vs "$hm src.bin /t:tgt.bin /d:cmp.dif" -- \
  "$hm" new.bin /r:patch.dif /s:src.bin /d:out.dif
