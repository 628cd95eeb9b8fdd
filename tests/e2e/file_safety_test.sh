#!/usr/bin/env bash
# The user's files under faults: closed standard streams, devices and FIFOs as outputs, other
# users' set-id files, a DIF and its backup written as one pair, runs killed while writing,
# names as long as the file system takes, oversized DIFs.
set -u
source "$(dirname "$0")/checks.sh"
program=$(realpath "$1")
helper=$(realpath "$2")
export QT_QPA_PLATFORM=offscreen
work=$(mktemp -d)
background=()
cleanup() {
  for pid in "${background[@]}"; do kill -9 "$pid" 2>/dev/null; done
  chmod -R u+w "$work" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work" || exit 1

run() {  # run ARGS... ; sets $rc, stderr in err.txt
  timeout 60 "$program" "$@" 2>err.txt >out.txt
  rc=$?
}
same_file() { cmp -s "$1" "$2"; }
block_count() { od -An -tu4 -j28 -N4 "$1" | tr -d ' '; }
as_root() { [ "$(id -u)" -eq 0 ]; }

head -c 4096 /dev/urandom > old.bin
cp old.bin new.bin
printf '\x11\x22\x33' | dd of=new.bin bs=1 seek=16 conv=notrunc status=none
printf '\x55\x66' | dd of=new.bin bs=1 seek=2000 conv=notrunc status=none
head -c 64 /dev/urandom > data.bin
run old.bin /t:new.bin /d:out.dif /b
check "the pair is written" test -s out.dif -a -s out.dif_bak.dif
cp out.dif plain.dif

# ---- Closed standard streams: no message lands in the user's file ----
printf 'not a dif at all, but long enough to be read' > bad.dif
cp old.bin victim.bin
"$program" victim.bin /a:bad.dif /o:victim.bin 2>&-
check "bad DIF with stderr closed: status 1" test $? -eq 1
check "bad DIF with stderr closed: BIN untouched" same_file victim.bin old.bin
cp out.dif refused.dif
cp refused.dif refused_before.dif
"$program" refused.dif '<1:zz:1>' data.bin 2>&-
check "refused insertion with stderr closed: status 2" test $? -eq 2
check "refused insertion with stderr closed: DIF untouched" same_file refused.dif refused_before.dif
"$program" refused.dif '<1:zz:1>' data.bin 2>&- >&- <&-
check "refused insertion with every stream closed: DIF untouched" same_file refused.dif refused_before.dif
cp new.bin forced.bin
"$program" forced.bin /a:out.dif /o:forced.bin /f 2>&-
check "forced in-place apply with stderr closed: status 0" test $? -eq 0
check "forced in-place apply with stderr closed: exactly the target" same_file forced.bin new.bin
cp old.bin quiet.bin
"$program" quiet.bin /a:out.dif /o:quiet.bin >&- 2>&-
check "apply with stdout and stderr closed patches exactly" same_file quiet.bin new.bin

# ---- Devices, FIFOs and folders are never replaced ----
mkfifo pipe
run old.bin /a:out.dif /o:pipe
check "FIFO output: status 1" status_is "$rc" 1
check "FIFO output: says the BIN was not written" has err.txt "Ошибка записи BIN файла!"
check "FIFO output: still a FIFO" test -p pipe
run old.bin /t:new.bin /d:pipe
check "FIFO as DIF name: status 1" status_is "$rc" 1
check "FIFO as DIF name: nothing beside it" test ! -e pipe.dif
mkdir folder.bin
run old.bin /a:out.dif /o:folder.bin
check "folder output: status 1" status_is "$rc" 1
check "folder output: still a folder" test -d folder.bin
if as_root && mknod nul c 1 3 2>/dev/null; then
  run old.bin /a:out.dif /o:nul
  check "device output: status 1" status_is "$rc" 1
  check "device output: still a device" test -c nul
  run old.bin /t:new.bin /d:nul
  check "device as DIF name: status 1" status_is "$rc" 1
  check "device as DIF name: nothing beside it" test ! -e nul.dif
else
  echo "skipped: device nodes (needs root)"
fi

# ---- Owners and set-id bits ----
if as_root && command -v setpriv >/dev/null; then
  chmod o+x "$work"
  mkdir shared && chmod 0777 shared
  cp old.bin shared/tool.bin
  chown 4321:4321 shared/tool.bin
  chmod 4755 shared/tool.bin
  run shared/tool.bin /a:out.dif /o:shared/tool.bin
  check "root patching another user's file: status 0" status_is "$rc" 0
  check "root patching another user's file: owner kept" test "$(stat -c %u:%g:%a shared/tool.bin)" = 4321:4321:4755
  check "root patching another user's file: patched" same_file shared/tool.bin new.bin
  cp old.bin shared/tool.bin
  chmod 4755 shared/tool.bin
  cp out.dif shared/out.dif
  chmod 0644 shared/out.dif
  setpriv --reuid=65534 --regid=65534 --clear-groups \
    "$program" shared/tool.bin /a:shared/out.dif /o:shared/tool.bin 2>err.txt
  check "another user patching it: status 0" test $? -eq 0
  check "another user patching it: no set-id bit left" test "$(stat -c %u:%a shared/tool.bin)" = 65534:755
else
  echo "skipped: owners (needs root and setpriv)"
fi

# ---- The DIF and its backup are one pair ----
cp out.dif pair_before.dif
cp out.dif_bak.dif pair_before.dif_bak.dif
cp old.bin other.bin
printf '\x77' | dd of=other.bin bs=1 seek=100 conv=notrunc status=none
"$helper" hold out.dif_bak.dif > held.txt &
holder=$!
background+=("$holder")
for ((i = 0; i < 100; i++)); do grep -q held held.txt && break; sleep 0.05; done
timeout 20 "$program" other.bin /t:new.bin /d:out.dif /b 2>/dev/null &
writer=$!
sleep 0.3
check "a busy backup holds the run before either file is written" same_file out.dif pair_before.dif
{ kill -9 "$holder"; wait "$holder"; } 2>/dev/null
wait "$writer"
check "the run goes on once the backup is free" test $? -eq 0
run other.bin /v:out.dif
check "the new DIF stands beside its own backup" status_is "$rc" 0

mkdir stuck.dif_bak.dif
cp pair_before.dif stuck.dif
run old.bin /t:new.bin /d:stuck.dif /b
check "a backup that cannot be written: status 1" status_is "$rc" 1
check "a backup that cannot be written: the DIF is as it was" same_file stuck.dif pair_before.dif

# Two comparisons racing to the same new names leave one run's pair: a short one started while a
# long one writes its pair.
head -c 16000000 /dev/urandom > race_a.bin
head -c 16000000 /dev/urandom > race_b.bin
mixed_pairs=0
for ((i = 0; i < 24; i++)); do
  rm -f race.dif race.dif_bak.dif
  "$program" race_a.bin /md:0 /t:race_b.bin /d:race.dif /b 2>/dev/null &
  long=$!
  sleep "$(awk -v i="$i" 'BEGIN { print 0.03 + i * 0.004 }')"
  "$program" old.bin /t:new.bin /d:race.dif /b 2>/dev/null
  wait "$long"
  "$program" race_a.bin /v:race.dif >/dev/null 2>&1 || "$program" old.bin /v:race.dif >/dev/null 2>&1 ||
    mixed_pairs=$((mixed_pairs + 1))
done
rm -f race_a.bin race_b.bin
check "racing runs never leave a DIF beside another run's backup" test "$mixed_pairs" -eq 0

# ---- Runs killed while writing leave nothing behind ----
head -c 8000000 /dev/urandom > big_a.bin
head -c 8000000 /dev/urandom > big_b.bin
mkdir kills
for ((i = 0; i < 6; i++)); do
  "$program" big_a.bin /md:0 /t:big_b.bin /d:kills/big.dif /b 2>/dev/null &
  victim=$!
  sleep "0.0$((2 * i + 3))"
  { kill -9 "$victim"; wait "$victim"; } 2>/dev/null
done
leftovers=$(find kills -mindepth 1 ! -name big.dif ! -name big.dif_bak.dif | wc -l)
check "killed runs leave no temporary files ($leftovers found)" test "$leftovers" -eq 0

# ---- Names as long as the file system takes ----
long=$(printf 'n%.0s' $(seq 1 251)).dif
run old.bin /t:new.bin /d:"$long"
check "a 255-byte DIF name is written" test -s "$long"
long_bin=$(printf 'b%.0s' $(seq 1 251)).bin
run old.bin /a:plain.dif /o:"$long_bin"
check "a 255-byte BIN name is written" same_file "$long_bin" new.bin

# ---- Oversized DIFs and where an insertion goes ----
truncate -s 300M huge.dif
run huge.dif '<100:0:10>' data.bin
check "a 300 MB DIF is refused: status 1" status_is "$rc" 1
check "a 300 MB DIF is refused as too large" has err.txt "Слишком большой DIF файл!"
truncate -s 10T vast.dif 2>/dev/null && {
  run vast.dif '<100:0:10>' data.bin
  check "a 10 TiB DIF is refused, not a crash" status_is "$rc" 1
}
cp out.dif p.patch
run p.patch '<3000:0:10>' data.bin
check "insertion into a name without .dif: status 0" status_is "$rc" 0
check "insertion into a name without .dif: the file read is kept" same_file p.patch out.dif
check "insertion into a name without .dif: the result is NAME.dif" test "$(block_count p.patch.dif)" -eq $(($(block_count out.dif) + 1))
"$helper" hold p.patch.dif > held2.txt &
holder=$!
background+=("$holder")
for ((i = 0; i < 100; i++)); do grep -q held held2.txt && break; sleep 0.05; done
cp p.patch.dif result_before.dif
timeout 20 "$program" p.patch '<3100:0:10>' data.bin 2>/dev/null &
writer=$!
sleep 0.3
check "the insertion waits while its result file is held" kill -0 "$writer"
check "the held result file is as it was" same_file p.patch.dif result_before.dif
{ kill -9 "$holder"; wait "$holder"; } 2>/dev/null
wait "$writer"
check "the insertion goes on once its result file is free" test $? -eq 0

# ---- Unknown switches after the last path ----
for line in "old.bin /t:new.bin /d:sw.dif -b" "old.bin /t:new.bin /d:sw.dif /z" \
            "old.bin /a:out.dif /o:sw.bin /b"; do
  run $line
  check "'$line': status 2" status_is "$rc" 2
done
check "no file written for an unknown switch" test ! -e "sw.dif -b.dif" -a ! -e "sw.dif /z.dif"

tally
