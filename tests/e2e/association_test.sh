#!/usr/bin/env bash
# "Связать BIN ,DIF c Hexmarshal" as a desktop uses it: after the association, xdg-open and
# gio open start the program with the file, for a program in a build folder and for the
# installed one, whose own entry is then used instead of one of ours.
set -u
source "$(dirname "$0")/checks.sh"
helper=$(realpath "$2")
for tool in xdg-open gio update-mime-database; do
  command -v "$tool" >/dev/null || { echo "skipped: needs $tool"; exit 0; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# A stand-in for the program: it notes every file it was started with.
fake_program() {  # fake_program PATH
  mkdir -p "$(dirname "$1")"
  printf '#!/bin/sh\nprintf "%%s\\n" "$@" >> "%s/opened.txt"\n' "$work" > "$1"
  chmod +x "$1"
}
fresh_home() {
  rm -rf home opened.txt
  export HOME=$work/home XDG_DATA_HOME=$work/home/data XDG_CONFIG_HOME=$work/home/config
  export XDG_DATA_DIRS=$work/home/data:${1:-}/usr/share
}
opened() { [ -f opened.txt ] && grep -qxF "$1" opened.txt; }
# xdg-open looks for the desktop's own entries only where a display is named; none is used.
open_with_xdg() { DISPLAY=:99 xdg-open "$1" >/dev/null 2>&1; }
open_with_gio() { gio open "$1" >/dev/null 2>&1 && sleep 0.3; }

printf 'DIF' > patch.dif
printf 'BIN' > image.bin

# A program in a build folder: its own entry, under a name the package's does not have.
fresh_home
fake_program "$work/build/hexmarshal"
check "association exits 0" "$helper" associate "$work/build/hexmarshal"
entry=$XDG_DATA_HOME/applications/hexmarshal-user.desktop
check "the entry has a name of its own" test -f "$entry" -a ! -e "$XDG_DATA_HOME/applications/hexmarshal.desktop"
check "the entry names the window's class" grep -qx "StartupWMClass=Hexmarshal" "$entry"
if command -v desktop-file-validate >/dev/null; then
  check "desktop-file-validate accepts the entry" desktop-file-validate "$entry"
fi
open_with_xdg "$work/patch.dif"
check "xdg-open starts the program with a DIF" opened "$work/patch.dif"
open_with_gio "$work/image.bin"
check "gio open starts the program with a BIN" opened "$work/image.bin"

# An entry an earlier version wrote under the package's name goes, so it hides nothing.
fresh_home
mkdir -p "$XDG_DATA_HOME/applications"
printf '[Desktop Entry]\nType=Application\nName=Hexmarshal\nExec="%s" %%f\nIcon=hexmarshal\nMimeType=application/x-hexmarshal-bin;application/x-hexmarshal-dif;\nTerminal=false\n' \
  "$work/build/hexmarshal" > "$XDG_DATA_HOME/applications/hexmarshal.desktop"
"$helper" associate "$work/build/hexmarshal"
check "an earlier entry under the package's name is removed" test ! -e "$XDG_DATA_HOME/applications/hexmarshal.desktop"

# The installed program: the package's entry opens the files, none of ours is written.
fresh_home "$work/usr/share:"
fake_program "$work/usr/bin/hexmarshal"
mkdir -p "$work/usr/share/applications"
sed 's/^TryExec=.*//' "$(dirname "$0")/../../packaging/hexmarshal.desktop" \
  > "$work/usr/share/applications/hexmarshal.desktop"
export PATH="$work/usr/bin:$PATH"
check "association of the installed program exits 0" "$helper" associate "$work/usr/bin/hexmarshal"
check "no entry of ours beside the package's" test ! -e "$XDG_DATA_HOME/applications/hexmarshal-user.desktop"
check "the defaults name the package's entry" grep -qx "application/x-hexmarshal-dif=hexmarshal.desktop" "$XDG_CONFIG_HOME/mimeapps.list"
open_with_xdg "$work/patch.dif"
check "xdg-open starts the installed program" opened "$work/patch.dif"
open_with_gio "$work/image.bin"
check "gio open starts the installed program" opened "$work/image.bin"

tally
