#include "blocks/block_list.h"
#include "platform/clock.h"
#include "search/diff_search.h"
#include "search/regroup.h"

#include <chrono>
#include <cstring>
#include <random>
#include <sys/resource.h>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

using hm::BlockList;
using hm::RawBlocks;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kImage = 16777215;

struct Pair {
  std::vector<std::uint8_t> source;
  std::vector<std::uint8_t> target;
};

std::vector<std::uint8_t> randomImage() {
  std::vector<std::uint8_t> bytes(kImage);
  std::mt19937_64 rng(12345);
  for (std::size_t i = 0; i + 8 <= bytes.size(); i += 8) {
    std::uint64_t v = rng();
    std::memcpy(&bytes[i], &v, 8);
  }
  return bytes;
}

const Pair& identicalPair() {
  static const Pair pair{randomImage(), randomImage()};
  return pair;
}

// About 1% of the bytes changed, in runs of 1 to 64 bytes at random places.
const Pair& sparsePair() {
  static const Pair pair = [] {
    Pair p{randomImage(), randomImage()};
    std::mt19937 rng(99);
    std::uniform_int_distribution<std::size_t> where(0, kImage - 1);
    std::uniform_int_distribution<std::size_t> length(1, 64);
    std::size_t changed = 0;
    while (changed < kImage / 100) {
      std::size_t at = where(rng);
      std::size_t end = std::min(kImage, at + length(rng));
      for (std::size_t i = at; i < end; ++i) p.target[i] ^= 0xA5;
      changed += end - at;
    }
    return p;
  }();
  return pair;
}

// Every other byte changed: the most blocks a search of the largest file can give.
const Pair& densePair() {
  static const Pair pair = [] {
    Pair p{randomImage(), randomImage()};
    for (std::size_t i = 0; i < kImage; i += 2) p.target[i] ^= 0xFF;
    return p;
  }();
  return pair;
}

bool scan(const Pair& p, RawBlocks& raw) {
  hm::ManualClock clock;
  return hm::scanDifferences(p.source.data(), p.source.size(), p.target.data(), p.target.size(),
                             raw, clock, [](std::uint64_t) { return true; });
}

double seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

double memcmpSeconds(const Pair& p) {
  auto t0 = Clock::now();
  int r = std::memcmp(p.source.data(), p.target.data(), kImage);
  benchmark::DoNotOptimize(r);
  return seconds(Clock::now() - t0);
}

double peakMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_IdenticalScanVsMemcmp(benchmark::State& state) {
  const Pair& p = identicalPair();
  RawBlocks raw;
  double scanTime = 0, memcmpTime = 0;
  for (auto _ : state) {
    memcmpTime += memcmpSeconds(p);
    auto t0 = Clock::now();
    benchmark::DoNotOptimize(scan(p, raw));
    scanTime += seconds(Clock::now() - t0);
  }
  state.counters["scan_GBps"] = static_cast<double>(state.iterations() * kImage) / scanTime / 1e9;
  state.counters["memcmp_GBps"] =
      static_cast<double>(state.iterations() * kImage) / memcmpTime / 1e9;
  state.counters["scan_vs_memcmp"] = memcmpTime / scanTime;
}
BENCHMARK(BM_IdenticalScanVsMemcmp)->Unit(benchmark::kMillisecond);

void BM_SparseSearchVsMemcmp(benchmark::State& state) {
  const Pair& p = sparsePair();
  double pipelineTime = 0, memcmpTime = 0;
  std::size_t blocks = 0;
  for (auto _ : state) {
    // memcmp stops at the first difference; a full pass is over the identical pair.
    memcmpTime += memcmpSeconds(identicalPair());
    auto t0 = Clock::now();
    RawBlocks raw;
    BlockList list;
    scan(p, raw);
    hm::regroup(raw, hm::kMinDistanceStart, list);
    hm::Totals totals = hm::recalculate(list, false, static_cast<std::int32_t>(kImage));
    benchmark::DoNotOptimize(totals);
    pipelineTime += seconds(Clock::now() - t0);
    blocks = static_cast<std::size_t>(totals.blocks);
  }
  state.counters["lines"] = static_cast<double>(blocks);
  state.counters["times_memcmp"] = pipelineTime / memcmpTime;
}
BENCHMARK(BM_SparseSearchVsMemcmp)->Unit(benchmark::kMillisecond);

void BM_DenseScan(benchmark::State& state) {
  const Pair& p = densePair();
  for (auto _ : state) {
    RawBlocks raw;
    scan(p, raw);
    benchmark::DoNotOptimize(raw.size());
  }
}
BENCHMARK(BM_DenseScan)->Unit(benchmark::kMillisecond);

void BM_DenseRegroup(benchmark::State& state) {
  RawBlocks raw;
  scan(densePair(), raw);
  BlockList list;
  for (auto _ : state) hm::regroup(raw, 0, list);
}
BENCHMARK(BM_DenseRegroup)->Unit(benchmark::kMillisecond);

void BM_DenseRecalc(benchmark::State& state) {
  RawBlocks raw;
  scan(densePair(), raw);
  BlockList list;
  hm::regroup(raw, 0, list);
  for (auto _ : state) hm::recalculate(list, false, static_cast<std::int32_t>(kImage));
}
BENCHMARK(BM_DenseRecalc)->Unit(benchmark::kMillisecond);

// The whole pipeline for the largest block count, with the process's peak memory (buffers,
// raw table and list included). Run it alone for a peak that no other case inflates.
void BM_DenseSearchPipeline(benchmark::State& state) {
  const Pair& p = densePair();
  std::size_t lines = 0;
  for (auto _ : state) {
    RawBlocks raw;
    BlockList list;
    scan(p, raw);
    hm::regroup(raw, 0, list);
    lines = static_cast<std::size_t>(
        hm::recalculate(list, false, static_cast<std::int32_t>(kImage)).blocks);
  }
  state.counters["lines"] = static_cast<double>(lines);
  state.counters["peak_MiB"] = peakMiB();
}
BENCHMARK(BM_DenseSearchPipeline)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
