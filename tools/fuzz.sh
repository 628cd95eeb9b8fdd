#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/*_fuzz.cpp) with clang in build-asan, the sanitizer folder
# (after tools/sanitize.sh they are built already), and runs each for a bounded time on its seed
# corpus in fuzz/corpus/<name>. A crash, a leak, a timeout or a broken invariant fails the run;
# the input that caused it is kept in build-asan/artifacts/.
# HM_FUZZ_SECONDS sets the time per target (default 15); HM_FUZZ_TARGETS picks some targets
# (names without "fuzz_", separated by spaces). Skips when clang's libFuzzer runtime is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
seconds=${HM_FUZZ_SECONDS:-15}
dir=$SANITIZE_DIR
started=$(date +%s)

# The targets keep their files in memory; the logs and the new inputs go to memory too where
# the system has it.
work=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT

probe='extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }'
if ! command -v clang >/dev/null || ! command -v clang++ >/dev/null ||
   ! echo "$probe" | clang++ -x c++ -fsanitize=fuzzer,address,undefined - -o "$work/probe" \
       >/dev/null 2>&1; then
  echo "fuzz.sh: skipped (needs clang and its libFuzzer runtime: clang, libclang-rt-14-dev)" >&2
  exit 0
fi

if [ -n "${HM_FUZZ_TARGETS:-}" ]; then
  read -r -a names <<<"$HM_FUZZ_TARGETS"
else
  names=()
  for source in fuzz/*_fuzz.cpp; do
    name=$(basename "$source" _fuzz.cpp)
    names+=("$name")
  done
fi

configure_sanitized
cmake --build "$dir" -j "$(nproc)" --target "${names[@]/#/fuzz_}"

artifacts=$PWD/$dir/artifacts
mkdir -p "$artifacts"
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:strict_string_checks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

root=$PWD

# New inputs go to a scratch corpus in front of the seeds, so the repository stays as it is.
run_one() {
  local name=$1 rc=0
  mkdir -p "$work/$name/corpus" "$work/$name/tmp"
  (cd "$work/$name" &&
    TMPDIR="$work/$name/tmp" "$root/$dir/fuzz/fuzz_$name" \
      -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$artifacts/$name-" corpus "$root/fuzz/corpus/$name") \
    >"$work/$name.log" 2>&1 || rc=$?
  echo "$rc" >"$work/$name.rc"
}

# As many targets at once as there are cores.
for name in "${names[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do wait -n || true; done
  run_one "$name" &
done
wait

status=0
for name in "${names[@]}"; do
  if [ "$(cat "$work/$name.rc" 2>/dev/null)" = 0 ]; then
    runs=$(grep -o 'number_of_executed_units: *[0-9]*' "$work/$name.log" | grep -o '[0-9]*$' || true)
    echo "fuzz_$name: ok, ${runs:-?} runs in ${seconds} s" >&2
  else
    status=1
    echo "fuzz_$name: FAILED (input kept in $artifacts/)" >&2
    tail -n 60 "$work/$name.log" >&2
  fi
done
echo "fuzz.sh: $(( $(date +%s) - started )) s, status $status" >&2
exit "$status"
