#!/usr/bin/env bash
# Takes the README's picture: the window after a search over the example pair, on a real X
# server (Xvfb). Rerun it after changing the window.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
need_packages "${BUILD_PACKAGES[@]}" xvfb xauth
configure build -DCMAKE_BUILD_TYPE=Release -DHM_TESTS=OFF -DHM_BENCH=OFF
cmake --build build --target window_screenshot >&2
export XDG_CONFIG_HOME=$(mktemp -d)
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" \
  ./build/window_screenshot examples/old.bin examples/new.bin docs/window.png
rm -rf "$XDG_CONFIG_HOME"
echo "docs/window.png"
