#!/usr/bin/env bash
# Installs the given Debian package on this machine with apt-get, checks that the desktop, MIME
# and manual-page databases learnt about it and that the program on the PATH works, then removes
# it and checks that none of its files and no entry of its types is left. Needs root; refuses to
# touch a hexmarshal that was installed before.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(realpath "$1")
expected=packaging/installed-files.txt

if dpkg-query -W -f='${Status}' hexmarshal 2> /dev/null | grep -q 'installed'; then
  echo "hexmarshal is already installed here; remove it before this test" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
  echo "install test: $*" >&2
  failed=1
}

DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" > "$work/apt.log" 2>&1 ||
  { cat "$work/apt.log" >&2; exit 1; }

while read -r path; do
  [ -e "$path" ] || fail "$path was not installed"
done < "$expected"
[ "$(command -v hexmarshal)" = /usr/bin/hexmarshal ] || fail "hexmarshal is not on the PATH"
cp examples/old.bin examples/new.bin "$work/"
(cd "$work" && QT_QPA_PLATFORM=offscreen hexmarshal old.bin /t:new.bin /d:patch.dif) ||
  fail "the installed hexmarshal did not compare the sample pair"
grep -q 'application/x-hexmarshal-dif:\*\.dif' /usr/share/mime/globs2 ||
  fail "the shared MIME database does not know the DIF type"
grep -q 'application/x-hexmarshal-bin=hexmarshal.desktop' /usr/share/applications/mimeinfo.cache ||
  fail "the desktop database does not offer hexmarshal for BIN files"
whatis hexmarshal-gui > /dev/null || fail "the manual-page index does not know hexmarshal-gui"

DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq hexmarshal > "$work/apt.log" 2>&1 ||
  { cat "$work/apt.log" >&2; exit 1; }

status=$(dpkg-query -W -f='${Status}' hexmarshal 2> /dev/null || true)
case "$status" in
  "" | *not-installed) ;;
  *) fail "dpkg still holds hexmarshal after removal: $status" ;;
esac
while read -r path; do
  [ ! -e "$path" ] && [ ! -L "$path" ] || fail "$path is left after removal"
done < "$expected"
[ ! -e /usr/share/doc/hexmarshal ] || fail "/usr/share/doc/hexmarshal is left after removal"
! man -w hexmarshal > /dev/null 2>&1 || fail "man still finds a page after removal"
! grep -rqs hexmarshal /usr/share/mime/globs2 /usr/share/applications/mimeinfo.cache ||
  fail "a database still names hexmarshal after removal"

[ "$failed" = 0 ] && echo "install test: installed, used and removed $deb" >&2
exit "$failed"
