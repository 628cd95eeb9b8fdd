# Sourced by the benchmark scripts, with $root set: builds the program as it is timed (Release,
# without tests or benchmarks) in build-perf and sets $hm to it.
echo "Building hexmarshal (Release) in build-perf..." >&2
cmake -S "$root" -B "$root/build-perf" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHM_TESTS=OFF \
  -DHM_BENCH=OFF >/dev/null
cmake --build "$root/build-perf" --target hexmarshal >/dev/null
hm=$root/build-perf/hexmarshal
