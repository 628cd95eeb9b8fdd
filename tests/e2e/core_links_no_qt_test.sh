#!/usr/bin/env bash
# The core decides everything without Qt: no core source includes it and the program people
# start (which runs the unattended forms) does not load it.
set -u
source "$(dirname "$0")/checks.sh"
program=$1
src=$(cd "$(dirname "$0")/../../src" && pwd)
no_qt_includes() {
  ! grep -lE '#\s*include\s*[<"]Q' "$src"/*/*.h "$src"/*/*.cpp
}
no_qt_linked() { ! ldd "$program" | grep -qi 'libQt'; }
check "core sources include no Qt" no_qt_includes
check "the program links no Qt" no_qt_linked
tally
