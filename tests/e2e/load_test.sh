#!/usr/bin/env bash
# The largest jobs the unattended forms can be given, end to end: a comparison of two 16 MiB
# images in which every other byte differs (8,388,608 blocks), applying that DIF, and adding a
# block to it in place. Each run must give the right file and stay within 600 MiB.
set -u
source "$(dirname "$0")/checks.sh"
program=$(realpath "$1")
export QT_QPA_PLATFORM=offscreen
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

block_count() { od -An -tu4 -j28 -N4 "$1" | tr -d ' '; }

limit_kib=$((600 * 1024))
measure=1
if [ ! -x /usr/bin/time ]; then
  echo "SKIP: peak memory (no /usr/bin/time; apt-get install time)"
  measure=0
elif [ -n "${ASAN_OPTIONS:-}" ] || ldd "$program" 2>/dev/null | grep -q libasan; then
  echo "SKIP: peak memory (the sanitizers' shadow memory counts too)"
  measure=0
fi

run() {  # run NAME ARGS... ; sets $rc and $peak (KiB), stderr in err.txt
  local name=$1; shift
  local start=$EPOCHREALTIME
  peak=0
  if [ "$measure" -eq 1 ]; then
    /usr/bin/time -f %M -o rss.txt "$program" "$@" 2>err.txt >out.txt
    rc=$?
    peak=$(tail -n 1 rss.txt)
  else
    "$program" "$@" 2>err.txt >out.txt
    rc=$?
  fi
  local took
  took=$(awk -v s="$start" -v e="$EPOCHREALTIME" 'BEGIN { printf "%.0f", (e - s) * 1000 }')
  if [ "$measure" -eq 1 ]; then
    echo "$name: status $rc, $took ms, peak $((peak / 1024)) MiB"
  else
    echo "$name: status $rc, $took ms"
  fi
}
within_limit() {  # within_limit WHAT: the last run's peak is within the limit
  [ "$peak" -le "$limit_kib" ] || { echo "  $1 needed $((peak / 1024)) MiB" >&2; return 1; }
}

# "ABAB..." against "CBCB...": every byte at an even offset differs.
yes AB | tr -d '\n' | head -c 16777215 > source.bin
tr A C < source.bin > target.bin
blocks=8388608

run "comparison, distance 0" source.bin /md:0 /t:target.bin /d:blocks.dif
check "comparison exits 0" status_is "$rc" 0
check "one block for every changed byte" test "$(block_count blocks.dif)" = "$blocks"
check "one 17-byte record each" test "$(stat -c %s blocks.dif)" = $((32 + 17 * blocks))
[ "$measure" -eq 1 ] && check "comparison within 600 MiB" within_limit comparison

run "applying $blocks records" source.bin /a:blocks.dif /o:patched.bin
check "applying exits 0" status_is "$rc" 0
check "applying gives the target" cmp -s patched.bin target.bin
[ "$measure" -eq 1 ] && check "applying within 600 MiB" within_limit applying

# A block from a data file, rewriting the large DIF in place; applied after all of its records.
head -c 64 /dev/urandom > data.bin
cp blocks.dif edited.dif
run "inserting into $blocks records" edited.dif '<100000:10:20>' data.bin
check "insertion exits 0" status_is "$rc" 0
check "insertion adds one record" test "$(block_count edited.dif)" = $((blocks + 1))
[ "$measure" -eq 1 ] && check "insertion within 600 MiB" within_limit insertion
run "applying the edited DIF" source.bin /a:edited.dif /o:patched2.bin
cp target.bin expected.bin
dd if=data.bin of=expected.bin bs=1 skip=16 seek=$((0x100000)) count=32 conv=notrunc status=none
check "the edited DIF gives the target with the block" cmp -s patched2.bin expected.bin

# The default distance joins the 8,388,608 blocks into one that spans the image.
run "comparison, distance 8" source.bin /t:target.bin /d:joined.dif
check "joined comparison exits 0" status_is "$rc" 0
check "one block" test "$(block_count joined.dif)" = 1
check "the block spans the image" test "$(stat -c %s joined.dif)" = $((32 + 16 + 16777215))

tally
