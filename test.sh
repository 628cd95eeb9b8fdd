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
started=$(date +%s)
# Each pass says how long it took, so a slow one is seen where it is.
passed() { echo "test.sh: $1 done at $(( $(date +%s) - started )) s" >&2; }

# Built as the package is, so the package check below packs the programs these tests ran
# instead of compiling them again.
release_options
configure build-tests "${RELEASE_OPTIONS[@]}" -DHM_WERROR=ON
cmake --build build-tests
ctest --test-dir build-tests --output-on-failure -j "$jobs"
passed "the suite"

if [ -x tools/sanitize.sh ] && [ "${HM_SKIP_SANITIZERS:-0}" != 1 ]; then
  tools/sanitize.sh
  passed "the sanitized suite"
fi
# A short run per fuzz target: the seeds themselves were replayed by both suites above, and
# tools/fuzz.sh alone fuzzes longer (HM_FUZZ_SECONDS sets the time here too).
if [ -x tools/fuzz.sh ] && [ "${HM_SKIP_FUZZ:-0}" != 1 ]; then
  HM_FUZZ_SECONDS=${HM_FUZZ_SECONDS:-5} tools/fuzz.sh
  passed "fuzzing"
fi
if [ -x tools/package_check.sh ] && [ "${HM_SKIP_PACKAGE:-0}" != 1 ]; then
  tools/package_check.sh build-tests
  passed "the package"
fi
