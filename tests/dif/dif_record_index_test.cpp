#include "dif/dif_record_index.h"

#include "dif/dif_format.h"
#include "support/dif_builder.h"

#include <optional>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace hm {
namespace {

using test::DifBuilder;
using Bytes = std::vector<std::uint8_t>;

std::optional<Bytes> found(const DifRecordIndex& index, std::int32_t start, std::int32_t length) {
  std::optional<std::span<const std::uint8_t>> bytes = index.find(start, length);
  if (!bytes) return std::nullopt;
  return Bytes(bytes->begin(), bytes->end());
}

struct FindCase {
  const char* name;
  Bytes dif;
  std::int32_t start;
  std::int32_t length;
  std::optional<Bytes> bytes;
};

class DifRecordIndexTest : public testing::TestWithParam<FindCase> {};

TEST_P(DifRecordIndexTest, FindsWhatApplyingLeaves) {
  const FindCase& c = GetParam();
  EXPECT_EQ(found(DifRecordIndex(c.dif), c.start, c.length), c.bytes);
}

const Bytes kTwo =
    DifBuilder(2).record(0x10, {0, 1, 2, 3, 4, 5, 6, 7}).record(0x40, {8, 9, 10, 11}).bytes();
const Bytes kTouching = DifBuilder(2).record(0, {1, 2, 3, 4}).record(4, {5, 6, 7, 8}).bytes();
// Applied: 1 2 5 6 7 8 from address 0.
const Bytes kOverlap = DifBuilder(2).record(0, {1, 2, 3, 4}).record(2, {5, 6, 7, 8}).bytes();
// Out of order without overlapping: 3 4 at 0, 1 2 at 8.
const Bytes kBackwards = DifBuilder(2).record(8, {1, 2}).record(0, {3, 4}).bytes();
// The head walk reaches a second record the count leaves out, and it overlaps the first.
const Bytes kUncounted = DifBuilder(1).record(4, {1, 2}).record(0, {3, 4, 5, 6, 7, 8}).bytes();

INSTANTIATE_TEST_SUITE_P(
    Cases, DifRecordIndexTest,
    testing::Values(FindCase{"WholeRecord", kTwo, 0x10, 8, Bytes{0, 1, 2, 3, 4, 5, 6, 7}},
                    FindCase{"InsideARecord", kTwo, 0x12, 3, Bytes{2, 3, 4}},
                    FindCase{"LastByteOfARecord", kTwo, 0x17, 1, Bytes{7}},
                    FindCase{"SecondRecord", kTwo, 0x41, 3, Bytes{9, 10, 11}},
                    FindCase{"RunsPastItsRecord", kTwo, 0x16, 3, std::nullopt},
                    FindCase{"BetweenRecords", kTwo, 0x18, 1, std::nullopt},
                    FindCase{"BeforeAllRecords", kTwo, 0, 1, std::nullopt},
                    FindCase{"NoBytes", kTwo, 0x10, 0, std::nullopt},
                    // Ascending records are searched one at a time, as they always were.
                    FindCase{"AcrossTouchingRecordsInOrder", kTouching, 2, 4, std::nullopt},
                    FindCase{"LaterRecordWins", kOverlap, 2, 2, Bytes{5, 6}},
                    FindCase{"EarlierRecordAroundTheLater", kOverlap, 0, 3, Bytes{1, 2, 5}},
                    FindCase{"AcrossOverlappingRecords", kOverlap, 0, 6, Bytes{1, 2, 5, 6, 7, 8}},
                    FindCase{"OutOfOrderRecord", kBackwards, 8, 2, Bytes{1, 2}},
                    FindCase{"AcrossTheGapOfOutOfOrderRecords", kBackwards, 1, 8, std::nullopt},
                    FindCase{"UncountedRecordDoesNotApply", kUncounted, 4, 2, Bytes{1, 2}},
                    FindCase{"HeaderOnly", DifBuilder(0).bytes(), 0, 1, std::nullopt},
                    FindCase{"ShorterThanAHeader", Bytes{1, 2, 3}, 0, 1, std::nullopt},
                    FindCase{"LengthThatCannotStepStopsTheWalk",
                             DifBuilder(2).rawRecord("FBLKNORD", -12, 0, {}).record(0, {1}).bytes(),
                             0, 1, std::nullopt},
                    FindCase{"BytesMustLieInTheFile",
                             DifBuilder(1).rawRecord("FBLKNORD", 100, 0, {1, 2}).bytes(), 1, 2,
                             std::nullopt}),
    [](const testing::TestParamInfo<FindCase>& info) { return info.param.name; });

// A DIF the program wrote costs no copy: the bytes are handed out where they lie in it.
TEST(DifRecordIndexTest, AscendingRecordsAreReadInPlace) {
  DifRecordIndex index(kTwo);
  std::optional<std::span<const std::uint8_t>> bytes = index.find(0x41, 3);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(bytes->data(), kTwo.data() + 73);
}

struct ModelRecord {
  std::int32_t address;
  Bytes data;
};

// A plain reading of the same promise: ascending records hand out a line lying in one of them,
// any others whatever their union covers, the later record's byte where they overlap.
std::optional<Bytes> expected(const std::vector<ModelRecord>& records, std::int32_t start,
                              std::int32_t length) {
  bool ascending = true;
  for (std::size_t r = 1; r < records.size(); ++r) {
    const ModelRecord& before = records[r - 1];
    ascending = ascending && records[r].address >=
                                 before.address + static_cast<std::int32_t>(before.data.size());
  }
  if (ascending) {
    for (const ModelRecord& r : records) {
      const std::int32_t at = start - r.address;
      if (at >= 0 && at + length <= static_cast<std::int32_t>(r.data.size())) {
        return Bytes(r.data.begin() + at, r.data.begin() + at + length);
      }
    }
    return std::nullopt;
  }
  std::vector<int> image(256, -1);
  for (const ModelRecord& r : records) {
    for (std::size_t i = 0; i < r.data.size(); ++i) image[r.address + i] = r.data[i];
  }
  Bytes bytes;
  for (std::int32_t a = start; a < start + length; ++a) {
    if (a < 0 || image[a] < 0) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(image[a]));
  }
  return bytes;
}

// Records ascending, touching, overlapping and out of order, some files damaged midway or
// with bytes after their last record.
TEST(DifRecordIndexTest, AgreesWithApplyingTheDif) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 400; ++round) {
    const bool ordered = round % 3 == 0;
    const int records = static_cast<int>(random() % 30);
    DifBuilder dif(records);
    std::vector<ModelRecord> applied;
    bool damaged = false;
    std::int32_t next = static_cast<std::int32_t>(random() % 4);
    for (int r = 0; r < records; ++r) {
      const std::int32_t length = 1 + static_cast<std::int32_t>(random() % 12);
      const std::int32_t address = ordered ? next : static_cast<std::int32_t>(random() % 160);
      next = address + length + static_cast<std::int32_t>(random() % 3);
      if (random() % 50 == 0) {
        dif.rawRecord("FBLKNORD", static_cast<std::int32_t>(random() % 5), address, {});
        damaged = true;
        continue;
      }
      Bytes data(static_cast<std::size_t>(length));
      for (auto& b : data) b = static_cast<std::uint8_t>(random());
      dif.record(address, data);
      if (!damaged) applied.push_back({address, data});
    }
    if (random() % 4 == 0) dif.append(Bytes(random() % 20, 0x07));
    DifRecordIndex index(dif.bytes());
    for (std::int32_t start = -2; start < 180; ++start) {
      for (std::int32_t length = 1; length <= 6; ++length) {
        ASSERT_EQ(found(index, start, length), expected(applied, start, length))
            << "round " << round << " start " << start << " length " << length;
      }
    }
  }
}

}  // namespace
}  // namespace hm
