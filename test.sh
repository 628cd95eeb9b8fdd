#!/usr/bin/env bash
# Builds and runs every test: the core and window tests, end-to-end runs of the program,
# the same suite under AddressSanitizer and UndefinedBehaviorSanitizer, short fuzzing runs, and
# the Debian package judged by Debian's tools.
set -euo pipefail
cd "$(dirname "$0")"
source tools/setup.sh
need_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

configure build-tests -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHM_WERROR=ON
cmake --build build-tests
ctest --test-dir build-tests --output-on-failure -j "$jobs"

if [ -x tools/sanitize.sh ] && [ "${HM_SKIP_SANITIZERS:-0}" != 1 ]; then
  tools/sanitize.sh
fi
if [ -x tools/fuzz.sh ] && [ "${HM_SKIP_FUZZ:-0}" != 1 ]; then
  tools/fuzz.sh
fi
if [ -x tools/package_check.sh ] && [ "${HM_SKIP_PACKAGE:-0}" != 1 ]; then
  tools/package_check.sh
fi
