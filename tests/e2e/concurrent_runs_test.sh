#!/usr/bin/env bash
# Runs that rewrite one file at the same time, as `xargs -P` starts them: every run's change must
# survive, and a run killed while it holds the file must not hold up the next one.
set -u
source "$(dirname "$0")/checks.sh"
program=$(realpath "$1")
helper=$(realpath "$2")
export QT_QPA_PLATFORM=offscreen
work=$(mktemp -d)
background=()
cleanup() {
  for pid in "${background[@]}"; do kill -9 "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work" || exit 1

block_count() { od -An -tu4 -j28 -N4 "$1" | tr -d ' '; }
# No run may wait long: a bound keeps a stuck lock from hanging the suite.
bounded() { timeout 20 "$@"; }

# Starts COUNT runs at once and checks that each exits 0.
all_succeed() {  # all_succeed NAME COUNT COMMAND-MAKER
  local name=$1 count=$2 make=$3 pids=() i bad=0
  for ((i = 0; i < count; i++)); do
    bounded "$program" $($make "$i") 2>"err$i.txt" &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" || bad=$((bad + 1)); done
  [ "$bad" -eq 0 ] || { echo "  $name: $bad runs failed" >&2; cat err*.txt >&2; return 1; }
}

# An empty DIF, a 16-byte data file and a zero BIN to apply the result to.
printf 'SPFDSGHA <=HEXMARSHAL=> \0\0\0\0\0\0\0\0' > p.dif
head -c 16 /dev/urandom > data.bin
head -c 16384 /dev/zero > zero.bin

# Every block of both rounds lands where it was put: the DIF applied to zeros shows all of them.
insertion() { echo "p.dif <$(printf %X $((0x100 * ($1 + round * 20)))):0:10> data.bin"; }
blocks_in_place() {
  local i
  "$program" zero.bin /a:p.dif /o:applied.bin 2>/dev/null || return 1
  for ((i = 0; i < $1; i++)); do
    cmp -s <(dd if=applied.bin bs=16 skip=$((0x10 * i)) count=1 status=none) data.bin || return 1
  done
}
for round in 0 1; do
  start=$EPOCHREALTIME
  check "round $round: 20 insertions exit 0" all_succeed insertions 20 insertion
  took=$(awk -v s="$start" -v e="$EPOCHREALTIME" 'BEGIN { printf "%.0f", (e - s) * 1000 }')
  echo "round $round: 20 concurrent insertions, $took ms"
  check "round $round: no block lost" test "$(block_count p.dif)" = $((20 * (round + 1)))
  check "round $round: every block in its place" blocks_in_place $((20 * (round + 1)))
done

# Ten in-place applies of ten one-byte DIFs to one BIN keep all ten bytes.
cp zero.bin image.bin
expected=$(mktemp -p .)
cp zero.bin "$expected"
for ((i = 0; i < 10; i++)); do
  cp zero.bin "t$i.bin"
  printf '\x5A' | dd of="t$i.bin" bs=1 seek=$((i * 100)) conv=notrunc status=none
  printf '\x5A' | dd of="$expected" bs=1 seek=$((i * 100)) conv=notrunc status=none
  "$program" zero.bin /t:"t$i.bin" /d:"d$i.dif" 2>/dev/null
done
apply_one() { echo "image.bin /a:d$1.dif /o:image.bin"; }
check "10 in-place applies exit 0" all_succeed applies 10 apply_one
check "no patched byte lost" cmp -s image.bin "$expected"

# Two processes writing 100 values each into one settings file keep all 200.
start=$EPOCHREALTIME
bounded "$helper" settings settings.reg a 100 & first=$!
bounded "$helper" settings settings.reg b 100 & second=$!
wait "$first"; first_rc=$?
wait "$second"; second_rc=$?
took=$(awk -v s="$start" -v e="$EPOCHREALTIME" 'BEGIN { printf "%.0f", (e - s) * 1000 }')
echo "settings: 2 x 100 concurrent writes, $took ms"
check "both settings writers exit 0" test "$first_rc$second_rc" = 00
check "all 200 values kept" test "$(grep -c '^"[ab][0-9]*"="value ' settings.reg)" = 200

# A holder killed with the lock: the run that waited for it goes on, and so does the next.
before=$(block_count p.dif)
"$helper" hold p.dif > held.txt &
holder=$!
background+=("$holder")
for ((i = 0; i < 100; i++)); do grep -q held held.txt && break; sleep 0.05; done
check "the helper holds the DIF" grep -q held held.txt
bounded "$program" p.dif '<3000:0:10>' data.bin 2>waiter.txt &
waiter=$!
sleep 0.3
check "a run waits while the DIF is held" kill -0 "$waiter"
{ kill -9 "$holder"; wait "$holder"; } 2>/dev/null
wait "$waiter"
check "the waiting run finishes once the holder is killed" test $? -eq 0
check "the next run is not held up" bounded "$program" p.dif '<3100:0:10>' data.bin
check "both blocks written" test "$(block_count p.dif)" = $((before + 2))

# The program itself killed part-way through rewriting a large DIF: the DIF is whole, old or
# new, and the next run goes through.
head -c 8000000 /dev/urandom > big.bin
"$program" zero.bin /md:128 /t:big.bin /d:big.dif 2>/dev/null
big_before=$(block_count big.dif)
"$program" big.dif '<F00000:0:10>' data.bin 2>/dev/null &
victim=$!
sleep 0.05
{ kill -9 "$victim"; wait "$victim"; } 2>/dev/null
check "a run after the killed one exits 0" bounded "$program" big.dif '<F00100:0:10>' data.bin
after=$(block_count big.dif)
check "the DIF kept every block" test "$after" -ge $((big_before + 1))
check "the DIF is whole" "$program" zero.bin /a:big.dif /o:big_applied.bin 2>/dev/null

tally
