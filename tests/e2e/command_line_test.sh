#!/usr/bin/env bash
# Runs the program's unattended forms end to end, as a script or a terminal user would.
set -u
source "$(dirname "$0")/checks.sh"
program=$(realpath "$1")
export QT_QPA_PLATFORM=offscreen
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
cd "$work"

run() {  # run ARGS... ; sets $rc, stderr in err.txt
  "$program" "$@" 2>err.txt >out.txt
  rc=$?
}

# 4 KiB sample pair: the target changes three runs and grows by 16 bytes.
head -c 4096 /dev/urandom > old.bin
cp old.bin new.bin
printf '\x11\x22\x33' | dd of=new.bin bs=1 seek=16 conv=notrunc status=none
printf '\x44' | dd of=new.bin bs=1 seek=30 conv=notrunc status=none
printf '\x55\x66' | dd of=new.bin bs=1 seek=2000 conv=notrunc status=none
head -c 16 /dev/urandom >> new.bin

# The comparison form with the default distance joins 16..18 and 30 (gap 11 > 8: apart).
run old.bin /t:new.bin /d:out.dif
check "comparison exits 0" status_is "$rc" 0
check "comparison writes the DIF" test -s out.dif
count=$(od -An -tu4 -j28 -N4 out.dif | tr -d ' ')
check "distance 8 keeps four blocks" test "$count" = 4

run old.bin /MD:16 /t:new.bin /d:out16
check "/MD:16 exits 0" status_is "$rc" 0
count=$(od -An -tu4 -j28 -N4 out16.dif | tr -d ' ')
check "distance 16 joins the first two" test "$count" = 3

# Applying, and undoing with the reverse comparison (the same blocks with the source's bytes).
run old.bin /a:out.dif /o:patched.bin
check "apply exits 0" status_is "$rc" 0
check "apply gives the target" cmp -s patched.bin new.bin
check "apply says so" has err.txt "DIF файл успешно установлен!"
head -c 4096 patched.bin > cut.bin
run new.bin /t:old.bin /d:back.dif
run cut.bin /A:back.dif /O:undone.bin
check "undo gives the source" cmp -s undone.bin old.bin

# Patching in place.
cp old.bin inplace.bin
run inplace.bin /a:out.dif /o:inplace.bin
check "in-place patch" cmp -s inplace.bin new.bin

# Bad lines and their statuses.
run old.bin /md:200 /t:new.bin /d:bad.dif
check "/md:200 exits 2" status_is "$rc" 2
check "/md:200 message and line" has err.txt "Неверные параметры командной сторки!"
check "/md:200 message shows the line" has err.txt "old.bin /md:200 /t:new.bin /d:bad.dif"
check "/md:200 writes nothing" test ! -e bad.dif
run /md:16
check "a lone /md:16 exits 2" status_is "$rc" 2
run old.bin /d:x.dif /t:new.bin
check "/d: before /t: exits 2" status_is "$rc" 2
run missing.bin /t:new.bin /d:nf.dif
check "missing source exits 3" status_is "$rc" 3
check "missing source message" has err.txt "Файл не найден"
check "missing source writes nothing" test ! -e nf.dif
printf 'x' > a.b
run a.b
check "a short name is no file" status_is "$rc" 2

# A path alone needs the window.
run out.dif
check "a DIF alone needs a display" status_is "$rc" 1

# Block insertion: the whole data file at 1A0000, then 32 bytes at offset 16 of another.
head -c 100 /dev/urandom > data.bin
head -c 64 /dev/urandom > other.bin
cp out.dif patch.dif
run patch.dif '<1A0000::>' data.bin
check "insertion exits 0" status_is "$rc" 0
count=$(od -An -tu4 -j28 -N4 patch.dif | tr -d ' ')
check "insertion adds a record" test "$count" = 5
run patch.dif '<1a0100:10:20>' other.bin
check "second insertion exits 0" status_is "$rc" 0
run new.bin /a:patch.dif /o:big.bin
size=$(stat -c %s big.bin)
check "inserted blocks reach 1A011F" test "$size" = $((0x1A0120))
check "whole data file at 1A0000" cmp -s <(tail -c +$((0x1A0000 + 1)) big.bin | head -c 100) data.bin
check "32 bytes from offset 16" cmp -s <(tail -c +$((0x1A0100 + 1)) big.bin | head -c 32) <(tail -c +17 other.bin | head -c 32)

run patch.dif '<1A0000:zz:>' data.bin
check "bad hex exits 2" status_is "$rc" 2
run patch.dif '<1A0000:0:1000>' data.bin
check "block past the data file exits 1" status_is "$rc" 1
check "it says so" has err.txt "Ошибка записи DIF файла"
printf 'not a dif at all' > junk.dif
cp junk.dif junk.keep
run junk.dif '<0::>' data.bin
check "invalid DIF exits 1" status_is "$rc" 1
check "invalid DIF is left alone" cmp -s junk.dif junk.keep
run nothere.dif '<0::>' data.bin
check "missing DIF exits 3" status_is "$rc" 3

# FFFFFF is the largest address: a block may end there and grows the largest BIN by one byte.
head -c 16 /dev/urandom > sixteen.bin
cp out.dif top.dif
run top.dif '<FFFFF1::>' sixteen.bin
check "a block past FFFFFF exits 2" status_is "$rc" 2
run top.dif '<FFFFF0::>' sixteen.bin
check "a block ending at FFFFFF exits 0" status_is "$rc" 0
truncate -s 16777215 largest.bin
run largest.bin /a:top.dif /o:grown.bin
check "applying it exits 0" status_is "$rc" 0
check "the BIN grows to 16,777,216 bytes" test "$(stat -c %s grown.bin)" = 16777216
check "its last 16 bytes are the block" cmp -s <(tail -c 16 grown.bin) sixteen.bin

# Too large for six address digits.
truncate -s 16777216 huge.bin
run huge.bin /t:new.bin /d:huge.dif
check "a too large source exits 1" status_is "$rc" 1
check "too large message" has err.txt "Too Large File! (Max 16Mb)"
check "too large writes nothing" test ! -e huge.dif

# A failed write keeps the file that was there.
mkdir ro && cp out.dif ro/keep.dif && chmod a-w ro
if [ "$(id -u)" -ne 0 ]; then
  run old.bin /t:new.bin /d:ro/keep.dif
  check "read-only folder exits 1" status_is "$rc" 1
fi
mkdir asdir.dif
run old.bin /t:new.bin /d:asdir.dif
check "a folder as output exits 1" status_is "$rc" 1
check "the folder is still a folder" test -d asdir.dif

tally
