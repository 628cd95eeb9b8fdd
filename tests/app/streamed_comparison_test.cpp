#include "app/streamed_comparison.h"

#include "blocks/block_list.h"
#include "dif/dif_writer.h"
#include "platform/clock.h"
#include "search/diff_search.h"
#include "search/regroup.h"
#include "support/byte_images.h"
#include "support/fault_file_system.h"
#include "support/memory_file_system.h"

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace hm {
namespace {

using test::Bytes;
using test::FaultFileSystem;
using test::imageOf;
using test::MemoryFileSystem;

// What the window writes for the same pair: the whole search, regrouped, written from the
// images; the backup's image spans the target with zeros past the source's end.
struct Written {
  Bytes dif, backup;
};

Written searchedAndWritten(const Bytes& source, const Bytes& target, int minDistance) {
  const std::size_t common = std::min(source.size(), target.size());
  RawBlocks raw;
  ManualClock clock;
  EXPECT_TRUE(
      scanDifferences(source.data(), common, target.data(), target.size(), raw, clock, nullptr));
  BlockList list;
  regroup(raw, minDistance, list, static_cast<std::int32_t>(target.size()));
  Bytes before(target.size(), 0);
  std::copy_n(source.begin(), common, before.begin());
  MemoryFileSystem fs;
  EXPECT_TRUE(
      writeDifWithBackup(fs, "/o.dif", list, target, std::span<const std::uint8_t>(before)).ok());
  return {fs.files["/o.dif"], fs.files["/o.dif_bak.dif"]};
}

Written streamed(const Bytes& source, const Bytes& target, int minDistance, std::size_t buffer) {
  ImageStream s(imageOf(source));
  ImageStream t(imageOf(target));
  MemoryFileSystem fs;
  StreamedComparisonOptions options;
  options.minDistance = minDistance;
  options.backup = true;
  options.bufferBytes = buffer;
  Status status = writeComparedDif(fs, {s, t, target.size()}, "/o.dif", options);
  EXPECT_TRUE(status.ok()) << status.error().message;
  return {fs.files["/o.dif"], fs.files["/o.dif_bak.dif"]};
}

Bytes randomBytes(std::size_t size, std::mt19937& random) {
  Bytes bytes(size);
  for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random());
  return bytes;
}

// Changes runs of 1..`longest` bytes at random places, each byte really changed.
void changeRuns(Bytes& bytes, int runs, std::size_t longest, std::mt19937& random) {
  if (bytes.empty()) return;
  for (int n = 0; n < runs; ++n) {
    std::size_t at = random() % bytes.size();
    std::size_t end = std::min(bytes.size(), at + 1 + random() % longest);
    for (std::size_t i = at; i < end; ++i)
      bytes[i] ^= static_cast<std::uint8_t>(1 + random() % 255);
  }
}

void change(Bytes& bytes, std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to && i < bytes.size(); ++i) bytes[i] ^= 0xA5;
}

// A pair laid out around a buffer of `buffer` bytes.
struct EdgeCase {
  const char* name;
  std::size_t buffer;
  std::size_t sourceLength, targetLength;
  std::vector<std::pair<std::size_t, std::size_t>> changed;  // [from, to) of the target
  int minDistance;
};

void PrintTo(const EdgeCase& c, std::ostream* os) {
  *os << c.name;
}

class StreamedEdgeTest : public testing::TestWithParam<EdgeCase> {};

TEST_P(StreamedEdgeTest, WritesWhatTheSearchWrites) {
  const EdgeCase& c = GetParam();
  std::mt19937 random(7);
  Bytes common = randomBytes(std::max(c.sourceLength, c.targetLength), random);
  Bytes source(common.begin(), common.begin() + static_cast<std::ptrdiff_t>(c.sourceLength));
  Bytes target(common.begin(), common.begin() + static_cast<std::ptrdiff_t>(c.targetLength));
  for (auto [from, to] : c.changed) change(target, from, to);
  const Written expected = searchedAndWritten(source, target, c.minDistance);
  const Written got = streamed(source, target, c.minDistance, c.buffer);
  EXPECT_EQ(got.dif, expected.dif);
  EXPECT_EQ(got.backup, expected.backup);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, StreamedEdgeTest,
    testing::Values(
        EdgeCase{"BlockAcrossABoundary", 64, 256, 256, {{60, 70}}, 8},
        EdgeCase{"BlockEndingAtABoundary", 64, 256, 256, {{60, 64}, {72, 74}}, 8},
        EdgeCase{"BlockStartingAtABoundary", 64, 256, 256, {{50, 52}, {64, 66}}, 8},
        EdgeCase{"GapAcrossABoundary", 64, 256, 256, {{58, 60}, {66, 68}}, 8},
        EdgeCase{"GapOfTheMinimumAcrossABoundary", 64, 256, 256, {{55, 56}, {64, 65}}, 8},
        EdgeCase{"GapOneOverTheMinimumAcrossABoundary", 64, 256, 256, {{55, 56}, {65, 66}}, 8},
        EdgeCase{"GapSpanningSeveralBuffers", 4, 256, 256, {{10, 11}, {21, 22}, {40, 41}}, 12},
        EdgeCase{"BlockSpanningEveryBuffer", 16, 200, 200, {{0, 200}}, 8},
        EdgeCase{"EveryOtherByte", 64, 300, 300, {{0, 1}, {2, 3}, {4, 5}, {63, 64}, {65, 66}}, 0},
        EdgeCase{"OneByteBuffers", 1, 40, 40, {{3, 5}, {9, 10}, {20, 30}}, 3},
        EdgeCase{"TargetLongerByAFewBytes", 64, 100, 130, {{90, 92}}, 8},
        EdgeCase{"TargetLongerJoinsTheLastRun", 64, 128, 200, {{125, 126}}, 8},
        EdgeCase{"TargetLongerFromABoundary", 64, 128, 192, {}, 8},
        EdgeCase{"SourceEmpty", 64, 0, 100, {}, 8},
        EdgeCase{"SourceLonger", 64, 300, 130, {{0, 1}, {129, 130}}, 8},
        EdgeCase{"TargetEmpty", 64, 50, 0, {}, 8}, EdgeCase{"Identical", 64, 500, 500, {}, 8},
        EdgeCase{"DistanceOfTheHighestMinimum", 64, 600, 600, {{10, 11}, {140, 141}}, 128},
        EdgeCase{"LastByteOnly", 64, 128, 128, {{127, 128}}, 8},
        EdgeCase{"FirstByteOnly", 64, 128, 128, {{0, 1}}, 8}),
    [](const auto& info) { return std::string(info.param.name); });

// Every length from a little under to a little over a few buffers, with runs scattered at
// random, the source as long as, shorter or longer than the target.
TEST(StreamedLengthsTest, EveryLengthAroundTheBufferWritesWhatTheSearchWrites) {
  constexpr std::size_t kBuffer = 64;
  std::mt19937 random(11);
  for (std::size_t length = kBuffer - 3; length <= 3 * kBuffer + 3; ++length) {
    for (long skew : {0L, -5L, 5L, -64L, 64L}) {
      const auto sourceLength =
          static_cast<std::size_t>(std::max(0L, static_cast<long>(length) + skew));
      Bytes source = randomBytes(sourceLength, random);
      Bytes target(source.begin(),
                   source.begin() + static_cast<std::ptrdiff_t>(std::min(sourceLength, length)));
      Bytes tail = randomBytes(length - target.size(), random);
      target.insert(target.end(), tail.begin(), tail.end());
      changeRuns(target, 6, 9, random);
      for (int minDistance : {0, 3, 8}) {
        const Written expected = searchedAndWritten(source, target, minDistance);
        const Written got = streamed(source, target, minDistance, kBuffer);
        ASSERT_EQ(got.dif, expected.dif) << length << " " << skew << " " << minDistance;
        ASSERT_EQ(got.backup, expected.backup) << length << " " << skew << " " << minDistance;
      }
    }
  }
}

// ---- Faults: nothing is written ----

struct FaultCase {
  const char* name;
  std::function<void(FaultFileSystem&)> fault;
  ErrorCode code;
  const char* message;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
  *os << c.name;
}

class StreamedFaultTest : public testing::TestWithParam<FaultCase> {};

TEST_P(StreamedFaultTest, EndsWithTheMessageAndWritesNothing) {
  MemoryFileSystem memory;
  std::mt19937 random(3);
  Bytes source = randomBytes(1000, random);
  Bytes target = source;
  change(target, 100, 900);  // one block, longer than the buffers, so its length is filled late
  memory.files["/s.bin"] = source;
  memory.files["/t.bin"] = target;
  memory.files["/o.dif"] = {1, 2, 3};
  FaultFileSystem fs(memory);
  GetParam().fault(fs);
  const auto before = memory.files;
  std::unique_ptr<FileStream> s = fs.openStream("/s.bin");
  std::unique_ptr<FileStream> t = fs.openStream("/t.bin");
  ASSERT_TRUE(s && t);
  StreamedComparisonOptions options;
  options.backup = true;
  options.bufferBytes = 64;
  Status status = writeComparedDif(fs, {*s, *t, t->size()}, "/o.dif", options);
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.error().code, GetParam().code);
  EXPECT_EQ(status.error().message, GetParam().message);
  EXPECT_EQ(memory.files, before);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, StreamedFaultTest,
    testing::Values(FaultCase{"SourceCutBetweenTwoReads",
                              [](FaultFileSystem& fs) { fs.cutWhileRead["/s.bin"] = 100; },
                              ErrorCode::OpenFailed, "Ошибка открытия файла!"},
                    FaultCase{"TargetCutBetweenTwoReads",
                              [](FaultFileSystem& fs) { fs.cutWhileRead["/t.bin"] = 64; },
                              ErrorCode::OpenFailed, "Ошибка открытия файла!"},
                    FaultCase{"TargetCutBeforeItsLastByte",
                              [](FaultFileSystem& fs) { fs.cutWhileRead["/t.bin"] = 999; },
                              ErrorCode::OpenFailed, "Ошибка открытия файла!"},
                    FaultCase{"LengthCannotBeFilledIn",
                              [](FaultFileSystem& fs) { fs.failWriteAt = true; },
                              ErrorCode::WriteFailed, "Ошибка записи DIF файла"},
                    FaultCase{"DiskFullMidway", [](FaultFileSystem& fs) { fs.writeLimit = 300; },
                              ErrorCode::WriteFailed, "Ошибка записи DIF файла"},
                    FaultCase{"CreateFails", [](FaultFileSystem& fs) { fs.failCreate = true; },
                              ErrorCode::WriteFailed, "Ошибка записи DIF файла"},
                    FaultCase{"CommitFails", [](FaultFileSystem& fs) { fs.failCommit = true; },
                              ErrorCode::WriteFailed, "Ошибка записи DIF файла"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace hm
