#!/usr/bin/env bash
# Builds Hexmarshal (Release) and starts it with the given arguments.
set -euo pipefail
cd "$(dirname "$0")"
source tools/setup.sh
need_packages "${BUILD_PACKAGES[@]}"
configure build -DCMAKE_BUILD_TYPE=Release -DHM_TESTS=OFF -DHM_BENCH=OFF
cmake --build build --target hexmarshal >&2
exec ./build/hexmarshal "$@"
