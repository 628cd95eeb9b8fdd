#include "search/diff_search.h"

#include "support/temp_dir.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace hm {

bool operator==(const RawBlock& a, const RawBlock& b) {
  return a.start == b.start && a.end == b.end && a.distance == b.distance;
}

void PrintTo(const RawBlock& b, std::ostream* os) {
  *os << "(" << b.start << ", " << b.end << ", " << b.distance << ")";
}

namespace {

using Bytes = std::vector<std::uint8_t>;

// The scan as first written: one byte per step over buffers one longer than the target,
// the source copied in up to the target's length and zero after it.
RawBlocks literalScan(const Bytes& source, const Bytes& target) {
  int lenS = static_cast<int>(source.size());
  int lenT = static_cast<int>(target.size());
  Bytes s(static_cast<std::size_t>(lenT) + 1, 0);
  Bytes t(static_cast<std::size_t>(lenT) + 1, 0);
  std::copy_n(source.begin(), std::min(lenS, lenT), s.begin());
  std::copy(target.begin(), target.end(), t.begin());

  RawBlocks out;
  auto differs = [&](int p) {
    return s[static_cast<std::size_t>(p)] != t[static_cast<std::size_t>(p)];
  };
  auto walk = [&](int first) {
    int k = first + 1;
    for (int p = first; p >= 0 && differs(p); --p) k = p;
    return k;
  };
  auto record = [&](int start, int end) {
    int distance = out.empty() ? 0 : out.back().start - end - 1;
    out.push_back({start, end, distance});
  };

  int i = lenT;
  if (lenT > lenS) {
    int k = walk(lenS - 1);
    record(k, lenT - 1);
    i = k - 1;
  }
  while (--i >= 0) {
    if (!differs(i)) continue;
    int k = walk(i - 1);
    record(k, i);
    i = k - 1;
  }
  return out;
}

RawBlocks scan(const std::uint8_t* s, std::size_t sLen, const std::uint8_t* t, std::size_t tLen) {
  ManualClock clock;
  RawBlocks blocks;
  EXPECT_TRUE(scanDifferences(s, sLen, t, tLen, blocks, clock, nullptr));
  return blocks;
}

RawBlocks scan(const Bytes& source, const Bytes& target) {
  return scan(source.data(), source.size(), target.data(), target.size());
}

// Moves on by `step` every time it is read, so each look at the clock may be a report.
class TickingClock : public ManualClock {
 public:
  explicit TickingClock(std::uint32_t step, Tick start = 0) : ManualClock(start), step_(step) {}
  Tick now() override {
    advance(step_);
    return ManualClock::now();
  }

 private:
  std::uint32_t step_;
};

struct ScanCase {
  const char* name;
  Bytes source;
  Bytes target;
  RawBlocks expected;
};

void PrintTo(const ScanCase& c, std::ostream* os) {
  *os << c.name;
}

class ScanCases : public testing::TestWithParam<ScanCase> {};

TEST_P(ScanCases, FindsTheRunsFromTheEndDown) {
  const ScanCase& c = GetParam();
  EXPECT_THAT(scan(c.source, c.target), testing::ElementsAreArray(c.expected));
  EXPECT_THAT(literalScan(c.source, c.target), testing::ElementsAreArray(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, ScanCases,
    testing::Values(
        ScanCase{"Identical", {1, 2, 3, 4}, {1, 2, 3, 4}, {}},
        ScanCase{"MiddleRun", {0x41, 0x41, 0x41, 0x41}, {0x41, 0x42, 0x42, 0x41}, {{1, 2, 0}}},
        ScanCase{"BothEnds", {0, 1, 2, 3, 4, 5}, {0xFF, 1, 2, 3, 4, 0xFF}, {{5, 5, 0}, {0, 0, 4}}},
        ScanCase{"FirstByteOnly", {1, 2, 3}, {9, 2, 3}, {{0, 0, 0}}},
        ScanCase{"RunFromZero", Bytes(12, 0), {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0}, {{0, 9, 0}}},
        ScanCase{"AllDiffer", {1, 2, 3}, {4, 5, 6}, {{0, 2, 0}}},
        ScanCase{
            "OneByteGaps", {0, 0, 0, 0, 0}, {1, 0, 1, 0, 1}, {{4, 4, 0}, {2, 2, 1}, {0, 0, 1}}},
        ScanCase{"LongerTargetTailOnly", {1, 2, 3}, {1, 2, 3, 0, 0, 0, 0}, {{3, 6, 0}}},
        ScanCase{
            "LongerTargetLastSourceByteDiffers", {1, 2, 3}, {1, 2, 9, 0, 0, 0, 0}, {{2, 6, 0}}},
        ScanCase{"LongerTargetAndRunBelow", {1, 2, 3, 4}, {7, 2, 3, 5, 8}, {{3, 4, 0}, {0, 0, 2}}},
        ScanCase{"LongerSourceIgnored", {1, 2, 3, 4, 5, 6}, {1, 9, 3}, {{1, 1, 0}}},
        ScanCase{"EmptyTarget", {1, 2, 3}, {}, {}},
        ScanCase{"EmptySource", {}, {5, 6, 7, 8}, {{0, 3, 0}}}, ScanCase{"BothEmpty", {}, {}, {}}),
    [](const testing::TestParamInfo<ScanCase>& info) { return info.param.name; });

// Sets runs of changed bytes, their lengths drawn from `runLength`, so that runs meet the
// ends of the buffer and each other often enough.
void changeRuns(Bytes& target, std::mt19937& rng, int runs, int maxRunLength) {
  if (target.empty()) return;
  std::uniform_int_distribution<std::size_t> where(0, target.size() - 1);
  std::uniform_int_distribution<int> length(1, maxRunLength);
  std::uniform_int_distribution<int> delta(1, 255);
  for (int r = 0; r < runs; ++r) {
    std::size_t at = where(rng);
    if (r == 0) at = 0;
    if (r == 1) at = target.size() - 1;
    std::size_t end = std::min(target.size(), at + static_cast<std::size_t>(length(rng)));
    for (std::size_t p = at; p < end; ++p)
      target[p] = static_cast<std::uint8_t>(target[p] + delta(rng));
  }
}

Bytes randomBytes(std::mt19937& rng, std::size_t n) {
  Bytes b(n);
  std::uniform_int_distribution<int> byte(0, 255);
  for (auto& v : b) v = static_cast<std::uint8_t>(byte(rng));
  return b;
}

TEST(ScanDifferences, MatchesTheByteByByteScanOnSmallRandomPairs) {
  std::mt19937 rng(20240611);
  std::uniform_int_distribution<int> lengthOf(0, 300);
  std::uniform_int_distribution<int> runsOf(0, 12);
  std::uniform_int_distribution<int> shape(0, 3);
  for (int round = 0; round < 6000; ++round) {
    Bytes source = randomBytes(rng, static_cast<std::size_t>(lengthOf(rng)));
    Bytes target = source;
    switch (shape(rng)) {
      case 0:  // equal lengths
        break;
      case 1:  // target longer
        target.resize(source.size() + static_cast<std::size_t>(lengthOf(rng) % 40 + 1));
        break;
      case 2:  // source longer
        target.resize(source.size() - std::min<std::size_t>(source.size(), lengthOf(rng) % 40));
        break;
      default:  // nearly everything changed
        changeRuns(target, rng, 40, 16);
        break;
    }
    changeRuns(target, rng, runsOf(rng), 1 + round % 70);
    ASSERT_EQ(scan(source, target), literalScan(source, target))
        << "round " << round << " lengths " << source.size() << "/" << target.size();
  }
}

// Long equal stretches with runs at every offset within the 64-byte windows, read through
// pointers at every alignment.
TEST(ScanDifferences, MatchesTheByteByByteScanAcrossAlignments) {
  std::mt19937 rng(77);
  std::uniform_int_distribution<int> lengthOf(3000, 6000);
  for (int round = 0; round < 200; ++round) {
    std::size_t n = static_cast<std::size_t>(lengthOf(rng));
    std::size_t sourceShift = static_cast<std::size_t>(round % 16);
    std::size_t targetShift = static_cast<std::size_t>(round / 16 % 16);
    Bytes sourceStore = randomBytes(rng, n + 16);
    Bytes targetStore = sourceStore;
    const std::uint8_t* source = sourceStore.data() + sourceShift;
    std::uint8_t* target = targetStore.data() + targetShift;
    std::memmove(target, sourceStore.data() + sourceShift, n);

    std::size_t run = static_cast<std::size_t>(1 + round % 130);
    for (std::size_t at = static_cast<std::size_t>(round % 64); at < n; at += 700 + run) {
      for (std::size_t p = at; p < std::min(n, at + run); ++p) target[p] ^= 0x5A;
    }
    std::size_t targetLength = n - static_cast<std::size_t>(round % 3 == 1 ? round % 50 : 0);
    std::size_t sourceLength = n - static_cast<std::size_t>(round % 3 == 2 ? round % 50 : 0);

    Bytes s(source, source + sourceLength);
    Bytes t(target, target + targetLength);
    ASSERT_EQ(scan(source, sourceLength, target, targetLength), literalScan(s, t))
        << "round " << round;
  }
}

TEST(ScanDifferences, ReportsTheRunningCountWhileScanning) {
  Bytes source(1 << 20, 0);
  Bytes target = source;
  for (std::size_t p = 0; p < target.size(); p += 2) target[p] = 1;
  TickingClock clock(kProgressIntervalMs);
  std::vector<std::uint64_t> reports;
  RawBlocks blocks;
  ASSERT_TRUE(scanDifferences(source.data(), source.size(), target.data(), target.size(), blocks,
                              clock, [&](std::uint64_t n) {
                                reports.push_back(n);
                                return true;
                              }));

  ASSERT_EQ(blocks, literalScan(source, target));
  // Dense changes still report often: the work between reports is bounded in blocks too.
  ASSERT_GE(reports.size(), 16u);
  std::uint64_t found = 0;
  std::size_t next = 0;
  for (std::size_t b = 0; b < blocks.size() && next < reports.size(); ++b) {
    while (next < reports.size() && reports[next] == found) ++next;
    found += static_cast<std::uint64_t>(blocks[b].end - blocks[b].start + 1);
  }
  while (next < reports.size() && reports[next] == found) ++next;
  EXPECT_EQ(next, reports.size()) << "every report is the byte count of the blocks found so far";
}

TEST(ScanDifferences, ReportsOncePerIntervalAcrossTheCounterWrap) {
  Bytes source(1 << 20, 0);
  Bytes target(1 << 20, 1);
  RawBlocks blocks;

  ManualClock still(0xFFFFFFF0u);
  int stillReports = 0;
  ASSERT_TRUE(scanDifferences(source.data(), source.size(), target.data(), target.size(), blocks,
                              still, [&](std::uint64_t) { return ++stillReports, true; }));
  EXPECT_EQ(stillReports, 0);
  EXPECT_EQ(blocks, (RawBlocks{{0, (1 << 20) - 1, 0}}));

  // Half an interval per read: every second look at the clock is due, before and after the wrap.
  TickingClock halfPaced(kProgressIntervalMs / 2, 0xFFFFFF00u);
  int reads = 0;
  struct CountingClock : Clock {
    Clock& inner;
    int& reads;
    CountingClock(Clock& c, int& r) : inner(c), reads(r) {}
    Tick now() override { return ++reads, inner.now(); }
  } clock(halfPaced, reads);
  int reports = 0;
  ASSERT_TRUE(scanDifferences(source.data(), source.size(), target.data(), target.size(), blocks,
                              clock, [&](std::uint64_t) { return ++reports, true; }));
  ASSERT_GE(reads, 3);
  EXPECT_EQ(reports, (reads - 1) / 2);
}

TEST(ScanDifferences, CancelStopsAtTheFirstReportAndLeavesNoBlocks) {
  Bytes source(1 << 20, 0);
  Bytes target = source;
  for (std::size_t p = 0; p < target.size(); p += 3) target[p] = 7;
  TickingClock clock(kProgressIntervalMs);
  int reports = 0;
  RawBlocks blocks{{1, 2, 3}};
  EXPECT_FALSE(scanDifferences(source.data(), source.size(), target.data(), target.size(), blocks,
                               clock, [&](std::uint64_t) { return ++reports, false; }));
  EXPECT_TRUE(blocks.empty());
  EXPECT_EQ(reports, 1);
}

// stat and read answer from a table, so each step can fail or disagree with the other.
class TableFileSystem : public FileSystem {
 public:
  struct Entry {
    FileInfo info;
    std::optional<Bytes> content;  // nothing: the read fails
  };
  std::map<std::string, Entry> files;

  std::optional<FileInfo> stat(const std::string& path) override {
    auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    return it->second.info;
  }
  std::optional<ByteImage> read(const std::string& path, std::size_t maxBytes) override {
    auto it = files.find(path);
    if (it == files.end() || !it->second.content) return std::nullopt;
    const Bytes& b = *it->second.content;
    ByteImage image(std::min(maxBytes, b.size()));
    std::copy_n(b.begin(), image.size(), image.data());
    return image;
  }
  std::unique_ptr<OutputFile> create(const std::string&) override { return nullptr; }
  bool makeFolders(const std::string&) override { return false; }
};

Bytes imageBytes(const FileView& image) {
  return Bytes(image.data(), image.data() + image.size());
}

void expectError(const Result<SearchOutcome>& r, ErrorCode code, const std::string& message) {
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().code, code);
  EXPECT_EQ(r.error().message, message);
}

// Every case holds for copies, as the window takes them, and for files seen in place.
class RunSearchFiles : public testing::TestWithParam<FileHolding> {
 protected:
  Result<SearchOutcome> search(const std::string& source, const std::string& target,
                               const ScanProgress& progress = nullptr) {
    return runSearch(realFileSystem(), source, target, clock_, progress, GetParam());
  }
  std::string file(const std::string& name, const Bytes& bytes) {
    std::string path = dir_.file(name);
    test::writeFile(path, bytes);
    return path;
  }
  std::string sparse(const std::string& name, std::uintmax_t size) {
    std::string path = file(name, {});
    std::filesystem::resize_file(path, size);
    return path;
  }

  test::TempDir dir_;
  ManualClock clock_;
};

TEST_P(RunSearchFiles, MissingOrUnreadablePathsFailToOpen) {
  std::string present = file("a.bin", {1, 2, 3});
  const std::string message = "Ошибка открытия файла!";
  expectError(search(dir_.file("none.bin"), present), ErrorCode::OpenFailed, message);
  expectError(search(present, dir_.file("none.bin")), ErrorCode::OpenFailed, message);
  expectError(search(present, ""), ErrorCode::OpenFailed, message);
  expectError(search(dir_.path(), present), ErrorCode::OpenFailed, message);
}

TEST_P(RunSearchFiles, RefusesFilesPastTheSixDigitLimit) {
  std::string small = file("small.bin", {1, 2, 3});
  std::string over = sparse("over.bin", kMaxImageSize + 1);
  const std::string message = "Too Large File! (Max 16Mb)";
  expectError(search(over, small), ErrorCode::TooLarge, message);
  expectError(search(small, over), ErrorCode::TooLarge, message);
}

TEST_P(RunSearchFiles, TakesATargetOfExactlyTheLimit) {
  std::string empty = file("empty.bin", {});
  std::string full = sparse("full.bin", kMaxImageSize);
  Result<SearchOutcome> r = search(empty, full);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r->targetLength, static_cast<std::int32_t>(kMaxImageSize));
  EXPECT_EQ(r->blocks, (RawBlocks{{0, 0xFFFFFE, 0}}));
}

TEST_P(RunSearchFiles, LongerTargetGetsAZeroFilledSourceImage) {
  Result<SearchOutcome> r = search(file("s.bin", {1, 2, 3}), file("t.bin", {1, 2, 3, 4, 5, 6}));
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r->targetLength, 6);
  EXPECT_EQ(imageBytes(r->source), (Bytes{1, 2, 3, 0, 0, 0}));
  EXPECT_EQ(imageBytes(r->target), (Bytes{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(r->blocks, (RawBlocks{{3, 5, 0}}));
}

TEST_P(RunSearchFiles, ShorterTargetCutsTheSourceImage) {
  Result<SearchOutcome> r = search(file("s.bin", {1, 2, 3, 4, 5, 6}), file("t.bin", {1, 9, 3}));
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r->targetLength, 3);
  EXPECT_EQ(imageBytes(r->source), (Bytes{1, 2, 3}));
  EXPECT_EQ(r->blocks, (RawBlocks{{1, 1, 0}}));
}

TEST_P(RunSearchFiles, CancelGivesAnErrorWithoutText) {
  TickingClock clock(kProgressIntervalMs);
  Result<SearchOutcome> r = runSearch(
      realFileSystem(), file("s.bin", Bytes(100000, 0)), file("t.bin", Bytes(100000, 1)), clock,
      [](std::uint64_t) { return false; }, GetParam());
  expectError(r, ErrorCode::Cancelled, "");
}

INSTANTIATE_TEST_SUITE_P(Holdings, RunSearchFiles,
                         testing::Values(FileHolding::Copies, FileHolding::Views),
                         [](const testing::TestParamInfo<FileHolding>& info) {
                           return info.param == FileHolding::Copies ? "Copies" : "Views";
                         });

TEST(RunSearch, UsesWhatWasReadWhenFilesShrankAfterTheirSizeWasTaken) {
  TableFileSystem fs;
  fs.files["s"] = {{true, 50}, Bytes(10, 1)};
  fs.files["t"] = {{true, 40}, Bytes{1, 1, 2, 2, 2, 2}};
  ManualClock clock;
  Result<SearchOutcome> r = runSearch(fs, "s", "t", clock, nullptr);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r->targetLength, 6);
  EXPECT_EQ(imageBytes(r->source), (Bytes(6, 1)));
  EXPECT_EQ(r->blocks, (RawBlocks{{2, 5, 0}}));
}

TEST(RunSearch, ReadsNoMoreOfATargetThatGrewThanItsMeasuredSize) {
  TableFileSystem fs;
  fs.files["s"] = {{true, 2}, Bytes{1, 2}};
  fs.files["t"] = {{true, 3}, Bytes{1, 2, 3, 4, 5}};
  ManualClock clock;
  Result<SearchOutcome> r = runSearch(fs, "s", "t", clock, nullptr);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r->targetLength, 3);
  EXPECT_EQ(r->blocks, (RawBlocks{{2, 2, 0}}));
}

TEST(RunSearch, AFailedReadIsAnOpenFailure) {
  TableFileSystem fs;
  fs.files["s"] = {{true, 2}, Bytes{1, 2}};
  fs.files["t"] = {{true, 2}, std::nullopt};
  ManualClock clock;
  expectError(runSearch(fs, "s", "t", clock, nullptr), ErrorCode::OpenFailed,
              "Ошибка открытия файла!");
  expectError(runSearch(fs, "t", "s", clock, nullptr), ErrorCode::OpenFailed,
              "Ошибка открытия файла!");
}

}  // namespace
}  // namespace hm
