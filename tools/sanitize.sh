#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan
# (clang; the same folder builds the fuzzers, see configure_sanitized in tools/setup.sh) and runs
# it, the end-to-end scripts included (they run the sanitized program). Any report fails the run.
# The reports of all three (LeakSanitizer's too) are logged under build-asan/sanitizer-logs and
# printed here, so one from a process whose output a test script swallowed is seen too, and a
# report ends its process with status 86, which fails its test.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
need_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
dir=$SANITIZE_DIR
logs=$PWD/$dir/sanitizer-logs
started=$(date +%s)

configure_sanitized

rm -rf "$logs"
mkdir -p "$logs"
# Exit status 86 tells a sanitizer stop apart from the program's own statuses.
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:exitcode=86:detect_leaks=1:\
check_initialization_order=1:detect_stack_use_after_return=1:strict_string_checks=1:\
log_path=$logs/asan"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:exitcode=86"
# Leaks inside system libraries (fonts, D-Bus) are not ours to fix; see tools/lsan.supp.
export LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:print_suppressions=0"

# The build runs the test binaries too (test discovery), so it runs under the same options.
cmake --build "$dir" -j "$jobs"
status=0
ctest --test-dir "$dir" --output-on-failure -j "$jobs" || status=$?

reports=("$logs"/*)
if [ -e "${reports[0]}" ]; then
  echo "Sanitizer reports:" >&2
  for report in "${reports[@]}"; do
    echo "== $report" >&2
    cat "$report" >&2
  done
  status=1
fi
echo "sanitize.sh: $(( $(date +%s) - started )) s, status $status" >&2
exit "$status"
