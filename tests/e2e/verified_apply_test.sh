#!/usr/bin/env bash
# Applying and checking against the backup DIF, the help and the version, as a script would run
# them: exit statuses, what they print and which files they leave.
set -u
source "$(dirname "$0")/checks.sh"
program=$(realpath "$1")
export QT_QPA_PLATFORM=offscreen
unset DISPLAY WAYLAND_DISPLAY
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

run() {  # run ARGS... ; sets $rc, stdout in out.txt, stderr in err.txt
  "$program" "$@" 2>err.txt >out.txt
  rc=$?
}

# A 4 KiB source of one byte value, so every change below really differs; the target changes
# three runs and grows by 16 bytes: blocks 000010-000012, 00001E, 0007D0-0007D1, 001000-00100F.
head -c 4096 /dev/zero | tr '\0' 'A' > old.bin
cp old.bin new.bin
printf '\x11\x22\x33' | dd of=new.bin bs=1 seek=16 conv=notrunc status=none
printf '\x44' | dd of=new.bin bs=1 seek=30 conv=notrunc status=none
printf '\x55\x66' | dd of=new.bin bs=1 seek=2000 conv=notrunc status=none
printf '0123456789abcdef' >> new.bin
# Half of one block patched.
cp old.bin mixed.bin
printf '\x55' | dd of=mixed.bin bs=1 seek=2000 conv=notrunc status=none
differs="BIN не совпадает с исходным: отличается 1 блок из 4, первый по адресу 0007D0."

# The backup from the command line.
run old.bin /t:new.bin /d:plain.dif
check "no /b, no backup" test ! -e plain.dif_bak.dif
run old.bin /t:new.bin /d:out.dif /B
check "/b exits 0" status_is "$rc" 0
check "/b writes the DIF" cmp -s out.dif plain.dif
check "/b writes the backup" test -s out.dif_bak.dif
run new.bin /a:out.dif_bak.dif /o:undone.bin
check "the backup undoes the patch" cmp -s <(head -c 4096 undone.bin) old.bin

# Checking without applying.
run old.bin /v:out.dif
check "source: status 0" status_is "$rc" 0
check "source: says so" says out.txt "исходный"
run new.bin /v:out.dif
check "patched: status 5" status_is "$rc" 5
check "patched: says so" says out.txt "уже установлен"
run mixed.bin /v:out.dif
check "mixed: status 4" status_is "$rc" 4
check "mixed: counts the blocks" says out.txt "$differs"
run new.bin /v:out.dif_bak.dif
check "undo on the patched BIN: status 0" status_is "$rc" 0
run old.bin /v:out.dif_bak.dif
check "undo on the source: status 5" status_is "$rc" 5
run old.bin /v:plain.dif
check "no backup: status 1" status_is "$rc" 1
check "no backup: says which" has err.txt "plain.dif_bak.dif"
check "no backup: nothing on standard output" test ! -s out.txt
run missing.bin /v:out.dif
check "missing BIN: status 3" status_is "$rc" 3

# Applying, verified: the source is patched, anything else is left alone.
run old.bin /a:out.dif /o:patched.bin
check "source: applied" status_is "$rc" 0
check "source: gives the target" cmp -s patched.bin new.bin
run new.bin /a:out.dif /o:again.bin
check "patched: status 0" status_is "$rc" 0
check "patched: says so" has err.txt "DIF уже установлен на этот BIN."
check "patched: writes nothing" test ! -e again.bin
cp mixed.bin inplace.bin
run inplace.bin /a:out.dif /o:inplace.bin
check "mixed: status 4" status_is "$rc" 4
check "mixed: says why" has err.txt "$differs"
check "mixed: the BIN is kept" cmp -s inplace.bin mixed.bin
check "mixed: no temporary left" test "$(ls -A | grep -c '^\.')" -eq 0
run inplace.bin /a:out.dif /o:inplace.bin /f
check "/f: applied" status_is "$rc" 0
check "/f: still says why" has err.txt "$differs"
check "/f: patched in place" cmp -s inplace.bin new.bin
run patched.bin /a:out.dif_bak.dif /o:undone2.bin
check "undo of the patched BIN: applied" status_is "$rc" 0
run old.bin /a:out.dif_bak.dif /o:undone3.bin
check "undo of the source: status 0" status_is "$rc" 0
check "undo of the source: writes nothing" test ! -e undone3.bin

# A backup that is there but cannot be used stops the apply as a BIN that differs does; with
# /f the DIF is applied and the output says it was not verified, and why.
cp plain.dif other.dif
run new.bin /t:old.bin /d:other.dif_bak.dif
printf 'not a dif' > junk.dif_bak.dif
cp plain.dif junk.dif
: > empty.dif_bak.dif
cp plain.dif empty.dif
head -c 40 out.dif_bak.dif > cut.dif_bak.dif
cp plain.dif cut.dif
mkdir -p folder.dif_bak.dif
cp plain.dif folder.dif
for dif in other.dif junk.dif empty.dif cut.dif folder.dif; do
  rm -f unverified.bin
  run mixed.bin /a:$dif /o:unverified.bin
  check "$dif: refused with status 4" status_is "$rc" 4
  check "$dif: nothing written" test ! -e unverified.bin
  check "$dif: names the backup" has err.txt "$dif"_bak.dif
  run mixed.bin /a:$dif /o:unverified.bin /f
  check "$dif /f: applied" status_is "$rc" 0
  check "$dif /f: written" test -s unverified.bin
  check "$dif /f: says it was not verified" has err.txt "DIF установлен без проверки BIN."
done
# Without a backup at all the DIF is applied, and the output says so.
cp plain.dif alone.dif
rm -f unverified.bin
run mixed.bin /a:alone.dif /o:unverified.bin
check "no backup: applied" status_is "$rc" 0
check "no backup: says it was not verified" has err.txt "DIF установлен без проверки BIN. Нет DIF для проверки: alone.dif_bak.dif"
run old.bin /v:junk.dif
check "invalid backup: status 1" status_is "$rc" 1

# The help and the version, on standard output, with no window.
for option in --help -h; do
  run "$option"
  check "$option exits 0" status_is "$rc" 0
  check "$option lists the check form" has out.txt "/v:"
  check "$option lists status 5" has out.txt "5  "
  check "$option names the settings file" has out.txt "hexmarshal/settings.reg"
done
run --version
check "--version exits 0" status_is "$rc" 0
check "--version names the program" has out.txt "Hexmarshal 1."

tally
