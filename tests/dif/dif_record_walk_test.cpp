#include "dif/dif_record_index.h"
#include "dif/dif_writer.h"
#include "support/dif_builder.h"

#include <optional>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace hm {
namespace {

using test::DifBuilder;
using Bytes = std::vector<std::uint8_t>;

struct WalkCase {
  const char* name;
  Bytes dif;
  std::int32_t start;
  std::int32_t length;
  std::optional<std::size_t> found;
};

class FindBlockInDifTest : public testing::TestWithParam<WalkCase> {};

TEST_P(FindBlockInDifTest, FindsTheBytesInTheFirstCoveringRecord) {
  const WalkCase& c = GetParam();
  EXPECT_EQ(findBlockInDif(c.dif, c.start, c.length), c.found);
  EXPECT_EQ(DifRecordIndex(c.dif).find(c.start, c.length), c.found);
}

// Data of the first record at 48, of the second at 72.
const Bytes kTwo = DifBuilder(2).record(0x10, Bytes(8)).record(0x40, Bytes(4)).bytes();
// Overlapping records: data of the first at 48, of the second at 68.
const Bytes kOverlap = DifBuilder(2).record(0, Bytes(4)).record(2, Bytes(4)).bytes();

INSTANTIATE_TEST_SUITE_P(
    Cases, FindBlockInDifTest,
    testing::Values(WalkCase{"WholeRecord", kTwo, 0x10, 8, 48},
                    WalkCase{"InsideARecord", kTwo, 0x12, 3, 50},
                    WalkCase{"LastByteOfARecord", kTwo, 0x17, 1, 55},
                    WalkCase{"SecondRecord", kTwo, 0x41, 3, 73},
                    WalkCase{"RunsPastItsRecord", kTwo, 0x16, 3, std::nullopt},
                    WalkCase{"BetweenRecords", kTwo, 0x18, 1, std::nullopt},
                    WalkCase{"BeforeAllRecords", kTwo, 0, 1, std::nullopt},
                    WalkCase{"NoBytes", kTwo, 0x10, 0, std::nullopt},
                    WalkCase{"FirstCoveringRecordWins", kOverlap, 2, 2, 50},
                    WalkCase{"OnlyTheLaterRecordCovers", kOverlap, 4, 2, 70},
                    WalkCase{"FirstCoveringRecordTooShort", kOverlap, 2, 4, std::nullopt},
                    WalkCase{"HeaderOnly", DifBuilder(0).bytes(), 0, 1, std::nullopt},
                    WalkCase{"ShorterThanAHeader", Bytes{1, 2, 3}, 0, 1, std::nullopt},
                    WalkCase{"LengthThatCannotStepStopsTheWalk",
                             DifBuilder(2).rawRecord("FBLKNORD", -12, 0, {}).record(0, {1}).bytes(),
                             0, 1, std::nullopt},
                    WalkCase{"BytesMustLieInTheFile",
                             DifBuilder(1).rawRecord("FBLKNORD", 100, 0, {1, 2}).bytes(), 1, 2,
                             std::nullopt}),
    [](const testing::TestParamInfo<WalkCase>& info) { return info.param.name; });

// The index must answer exactly as the walk does, overlapping records and damage included.
TEST(DifRecordIndexTest, AgreesWithTheRecordWalk) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 400; ++round) {
    bool ordered = round % 3 == 0;
    int records = static_cast<int>(random() % 30);
    DifBuilder dif(records);
    std::int32_t next = static_cast<std::int32_t>(random() % 4);
    for (int r = 0; r < records; ++r) {
      std::int32_t length = 1 + static_cast<std::int32_t>(random() % 12);
      std::int32_t address = ordered ? next : static_cast<std::int32_t>(random() % 160);
      next = address + length + static_cast<std::int32_t>(random() % 3);
      if (random() % 50 == 0) {
        dif.rawRecord("FBLKNORD", static_cast<std::int32_t>(random() % 5), address, {});
      } else {
        dif.record(address, Bytes(static_cast<std::size_t>(length)));
      }
    }
    if (random() % 4 == 0) dif.append(Bytes(random() % 20, 0x07));
    DifRecordIndex index(dif.bytes());
    for (std::int32_t start = -2; start < 180; ++start) {
      for (std::int32_t length = 1; length <= 6; ++length) {
        ASSERT_EQ(index.find(start, length), findBlockInDif(dif.bytes(), start, length))
            << "round " << round << " start " << start << " length " << length;
      }
    }
  }
}

}  // namespace
}  // namespace hm
