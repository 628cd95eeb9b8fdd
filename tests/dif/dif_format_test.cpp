#include "dif/dif_format.h"

#include "dif/dif_applier.h"
#include "dif/dif_reader.h"
#include "support/dif_builder.h"

#include <algorithm>
#include <span>
#include <vector>

#include <gtest/gtest.h>

namespace hm {
namespace {

using test::DifBuilder;
using Bytes = std::vector<std::uint8_t>;

TEST(DifCursorTest, ReadsLittleEndianAndStopsAtTheEnd) {
  const Bytes image = {0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 'A', 'B'};
  DifCursor cursor(image);
  std::int32_t value = 0;
  ASSERT_TRUE(cursor.readInt32(value));
  EXPECT_EQ(value, 0x12345678);
  ASSERT_TRUE(cursor.readInt32(value));
  EXPECT_EQ(value, -2);
  EXPECT_FALSE(cursor.readInt32(value));
  EXPECT_EQ(cursor.position(), 8u);
  std::string_view text;
  EXPECT_FALSE(cursor.readText(3, text));
  ASSERT_TRUE(cursor.readText(2, text));
  EXPECT_EQ(text, "AB");
  std::uint8_t byte = 0;
  EXPECT_FALSE(cursor.readByte(byte));
  EXPECT_EQ(cursor.position(), 10u);
  cursor.seek(100);
  EXPECT_FALSE(cursor.skip(0));
  EXPECT_FALSE(cursor.readByte(byte));
}

struct WalkCase {
  const char* name;
  Bytes dif;
  DifFault fault;
  std::int32_t recordsRead;
};

class WalkDifTest : public testing::TestWithParam<WalkCase> {};

TEST_P(WalkDifTest, FindsTheFault) {
  const WalkCase& c = GetParam();
  DifWalk walk = walkDif(c.dif);
  EXPECT_EQ(walk.fault, c.fault);
  EXPECT_EQ(walk.recordsRead, c.recordsRead);

  Status checked = checkDif(c.dif);
  Result<std::vector<DifBlock>> blocks = readDifBlocks(c.dif);
  if (c.fault == DifFault::None) {
    EXPECT_TRUE(checked.ok());
    ASSERT_TRUE(blocks.ok());
    EXPECT_EQ(static_cast<std::int32_t>(blocks->size()), c.recordsRead);
  } else {
    ASSERT_FALSE(checked.ok());
    EXPECT_EQ(checked.error().code, ErrorCode::InvalidDif);
    EXPECT_EQ(checked.error().message, "Неверный DIF файл!!!");
    ASSERT_FALSE(blocks.ok());
    EXPECT_EQ(blocks.error().code, ErrorCode::InvalidDif);
    EXPECT_EQ(blocks.error().message, "Неверный DIF файл!");
  }
}

const Bytes kThree = {1, 2, 3};

Bytes firstBytes(const Bytes& bytes, std::size_t count) {
  return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
}

INSTANTIATE_TEST_SUITE_P(
    Files, WalkDifTest,
    testing::Values(
        WalkCase{"TwoRecords", DifBuilder(2).record(0, kThree).record(9, {7}).bytes(),
                 DifFault::None, 2},
        WalkCase{"NoRecords", DifBuilder(0).bytes(), DifFault::None, 0},
        WalkCase{"OtherMagicTailAndReserved",
                 DifBuilder(1, "SPFDSGHA-something-else!", 77).record(0, {1}).bytes(),
                 DifFault::None, 1},
        WalkCase{"BytesAfterTheLastRecordIgnored",
                 DifBuilder(1).record(0, {1}).text("FBLKNORD garbage").bytes(), DifFault::None, 1},
        WalkCase{"BlockAtLastOffset", DifBuilder(1).record(0xFFFFFF, {1}).bytes(), DifFault::None,
                 1},
        WalkCase{"BlockEndingAtLastOffset", DifBuilder(1).record(0xFFFFF0, Bytes(16, 7)).bytes(),
                 DifFault::None, 1},
        WalkCase{"WrongSignature", DifBuilder(0, "SPFDSGHB <=HEXMARSHAL=> ").bytes(),
                 DifFault::BadSignature, 0},
        WalkCase{"ShorterThanSignature", Bytes{'S', 'P', 'F'}, DifFault::BadSignature, 0},
        WalkCase{"EmptyFile", Bytes{}, DifFault::BadSignature, 0},
        WalkCase{"HeaderCutInTheCount", firstBytes(DifBuilder(0).bytes(), 30), DifFault::Truncated,
                 0},
        WalkCase{"NegativeCount", DifBuilder(-1).bytes(), DifFault::BadCount, 0},
        WalkCase{"CountBeyondTheRecords", DifBuilder(3).record(0, {1}).record(1, {2}).bytes(),
                 DifFault::Truncated, 2},
        WalkCase{"HugeCount", DifBuilder(0x7FFFFFFF).record(0, {1}).bytes(), DifFault::Truncated,
                 1},
        WalkCase{
            "DamagedMarkerInLastRecord",
            DifBuilder(3).record(0, {1}).record(4, {2}).rawRecord("FBLKNORX", 5, 8, {3}).bytes(),
            DifFault::BadMarker, 2},
        WalkCase{"LengthFour", DifBuilder(1).rawRecord("FBLKNORD", 4, 0, {}).bytes(),
                 DifFault::BadLength, 0},
        WalkCase{"NegativeLength", DifBuilder(1).rawRecord("FBLKNORD", -12, 0, {}).bytes(),
                 DifFault::BadLength, 0},
        WalkCase{"LengthPastTheEnd", DifBuilder(1).rawRecord("FBLKNORD", 100, 0, kThree).bytes(),
                 DifFault::Truncated, 0},
        WalkCase{"NegativeAddress", DifBuilder(1).record(-1, {1}).bytes(), DifFault::BadAddress, 0},
        WalkCase{"EndPastLastOffset", DifBuilder(1).record(0xFFFFF1, Bytes(16, 7)).bytes(),
                 DifFault::BadAddress, 0},
        WalkCase{"StartPastLastOffset", DifBuilder(1).record(0x1000000, {1}).bytes(),
                 DifFault::BadAddress, 0},
        WalkCase{"AddressPlusLengthOverflows",
                 DifBuilder(1).rawRecord("FBLKNORD", 0x7FFFFFFF, 0x7FFFFFFF, {1}).bytes(),
                 DifFault::BadAddress, 0}),
    [](const testing::TestParamInfo<WalkCase>& info) { return info.param.name; });

// A file walked while it is read, its bytes coming a few at a time, gives what the whole gives.
TEST_P(WalkDifTest, FindsTheSameWhileTheFileComes) {
  const WalkCase& c = GetParam();
  std::vector<DifRecord> whole;
  const DifWalk all = walkDif(c.dif, [&](const DifRecord& r) { whole.push_back(r); });
  for (std::size_t step : {1u, 5u, 17u, 64u}) {
    SCOPED_TRACE(step);
    DifWalker walker;
    std::vector<DifRecord> seen;
    for (std::size_t got = 0; !walker.ended(); got = std::min(got + step, c.dif.size())) {
      const std::span<const std::uint8_t> bytes(c.dif.data(), got);
      DifRecord r{};
      while (walker.next(bytes, got == c.dif.size(), r)) seen.push_back(r);
      ASSERT_TRUE(walker.ended() || got < c.dif.size());
    }
    EXPECT_EQ(walker.walk().fault, all.fault);
    EXPECT_EQ(walker.walk().recordsRead, all.recordsRead);
    ASSERT_EQ(seen.size(), whole.size());
    for (std::size_t i = 0; i < seen.size(); ++i) {
      EXPECT_EQ(seen[i].address, whole[i].address);
      EXPECT_EQ(seen[i].length, whole[i].length);
      EXPECT_EQ(seen[i].dataOffset, whole[i].dataOffset);
    }
  }
}

TEST(WalkDifTest, VisitsEachRecordInFileOrderWithItsData) {
  Bytes dif = DifBuilder(2).record(0x20, kThree).record(0x10, {9}).bytes();
  std::vector<DifRecord> seen;
  walkDif(dif, [&](const DifRecord& r) { seen.push_back(r); });
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].address, 0x20);
  EXPECT_EQ(seen[0].length, 3);
  EXPECT_EQ(seen[0].dataOffset, 48u);
  EXPECT_EQ(seen[1].address, 0x10);
  EXPECT_EQ(seen[1].length, 1);
  EXPECT_EQ(seen[1].dataOffset, 48u + 3 + 16);
}

TEST(WalkDifTest, EveryCutOfAValidFileIsRejected) {
  Bytes full = DifBuilder(3).record(5, kThree).record(0, {4}).record(0x100, {5, 6}).bytes();
  ASSERT_TRUE(walkDif(full).ok());
  for (std::size_t cut = 0; cut < full.size(); ++cut) {
    // A copy of exactly `cut` bytes, so a sanitizer sees any read past it.
    Bytes prefix = firstBytes(full, cut);
    SCOPED_TRACE(cut);
    EXPECT_FALSE(walkDif(prefix).ok());
    EXPECT_FALSE(checkDif(prefix).ok());
    EXPECT_FALSE(readDifBlocks(prefix).ok());
  }
}

}  // namespace
}  // namespace hm
