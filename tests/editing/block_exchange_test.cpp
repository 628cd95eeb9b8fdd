#include "editing/block_exchange.h"

#include <string>

#include <gtest/gtest.h>

namespace hm {
namespace {

TEST(FieldTextTest, ZeroIsEmptyOtherValuesEvenDigits) {
  EXPECT_EQ(fieldText(0), "");
  EXPECT_EQ(fieldText(5), "05");
  EXPECT_EQ(fieldText(0x1A2), "01A2");
  EXPECT_EQ(fieldText(0xFFFFFF), "FFFFFF");
}

struct ReadCase {
  const char* name;
  const char* text;
  std::optional<std::int32_t> expected;
};

class ReadFieldTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadFieldTest, ReadsOnlyShortHexText) {
  EXPECT_EQ(readField(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, ReadFieldTest,
                         ::testing::Values(ReadCase{"Empty", "", 0}, ReadCase{"Zero", "0", 0},
                                           ReadCase{"LowerCase", "3e8", 0x3E8},
                                           ReadCase{"SixDigits", "FFFFFF", 0xFFFFFF},
                                           ReadCase{"SevenDigits", "1000000", std::nullopt},
                                           ReadCase{"NotHex", "12G", std::nullopt},
                                           ReadCase{"LeadingSpace", " 12", std::nullopt},
                                           ReadCase{"Negative", "-1", std::nullopt},
                                           ReadCase{"Prefixed", "0x12", std::nullopt},
                                           ReadCase{"Cyrillic", "\xD0\xA4\xD0\xA4", std::nullopt}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RangeLabelsTest, FirstLineShowsRoomFromZeroToItsStart) {
  AddressExchange in{0x100, 0x1FF, 0, 0x2FF};
  RangeLabels labels = addressRangeLabels(in, false);
  EXPECT_EQ(labels.from, "000000-000100");
  EXPECT_EQ(labels.to, "0001FF-0002FF");
}

TEST(RangeLabelsTest, NewBlockShowsTheWholeRangeTwice) {
  AddressExchange in = newBlockAddresses(0x1000);
  RangeLabels labels = addressRangeLabels(in, false);
  EXPECT_EQ(labels.from, "000000-000FFF");
  EXPECT_EQ(labels.to, "000000-000FFF");
}

TEST(RangeLabelsTest, DifEditingShowsTheBlockItselfTwice) {
  AddressExchange in{0x100, 0x1FF, 0x50, 0x2FF};
  RangeLabels labels = addressRangeLabels(in, true);
  EXPECT_EQ(labels.from, "000100-0001FF");
  EXPECT_EQ(labels.to, "000100-0001FF");
}

TEST(RangeLabelsTest, DataRangeEndsAtTheFileLength) {
  EXPECT_EQ(dataRangeLabel(1000), "000000-0003E8");
}

struct AddressCase {
  const char* name;
  bool difEdit;
  const char* start;
  const char* end;
  bool accepted;
  std::int32_t newStart;
  std::int32_t newEnd;
};

class AcceptAddressesTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(AcceptAddressesTest, ChecksTheRange) {
  const AddressCase& c = GetParam();
  AddressExchange ex{0x100, 0x1FF, 0x50, 0x2FF};
  EXPECT_EQ(acceptAddresses(c.start, c.end, c.difEdit, ex), c.accepted);
  EXPECT_EQ(ex.accepted, c.accepted);
  EXPECT_EQ(ex.blockStart, c.accepted ? c.newStart : 0x100);
  EXPECT_EQ(ex.blockEnd, c.accepted ? c.newEnd : 0x1FF);
  EXPECT_EQ(ex.lowLimit, 0x50);
  EXPECT_EQ(ex.highLimit, 0x2FF);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, AcceptAddressesTest,
    ::testing::Values(AddressCase{"Unchanged", false, "0100", "01FF", true, 0x100, 0x1FF},
                      AddressCase{"EmptyStartIsZero", false, "", "1ff", true, 0, 0x1FF},
                      AddressCase{"OneByte", false, "1FF", "1FF", true, 0x1FF, 0x1FF},
                      AddressCase{"StartAfterEnd", false, "200", "1FF", false, 0, 0},
                      AddressCase{"PastTheLimitsIsOnlyAGuide", false, "10", "FFFFFF", true, 0x10,
                                  0xFFFFFF},
                      AddressCase{"PastedText", false, "1 0", "1FF", false, 0, 0},
                      AddressCase{"DifInside", true, "110", "1F0", true, 0x110, 0x1F0},
                      AddressCase{"DifWholeRange", true, "100", "1FF", true, 0x100, 0x1FF},
                      AddressCase{"DifStartBelow", true, "FF", "1FF", false, 0, 0},
                      AddressCase{"DifEndBeyond", true, "100", "200", false, 0, 0},
                      AddressCase{"DifStartAfterEnd", true, "180", "170", false, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct DataCase {
  const char* name;
  const char* offset;
  const char* length;
  const char* destination;
  bool accepted;
};

class AcceptDataBlockTest : public ::testing::TestWithParam<DataCase> {};

// A data file of 1000 (3E8) bytes.
TEST_P(AcceptDataBlockTest, KeepsTheBlockInsideFileAndAddressSpace) {
  const DataCase& c = GetParam();
  DataBlockExchange ex = newDataBlock(1000);
  EXPECT_EQ(acceptDataBlock(c.offset, c.length, c.destination, ex), c.accepted);
  EXPECT_EQ(ex.accepted, c.accepted);
  if (!c.accepted) {
    EXPECT_EQ(ex, newDataBlock(1000));
  }
}

INSTANTIATE_TEST_SUITE_P(Blocks, AcceptDataBlockTest,
                         ::testing::Values(DataCase{"WholeFile", "", "3E8", "", true},
                                           DataCase{"EndsAtLastByte", "3E0", "8", "100", true},
                                           DataCase{"OneBytePastTheEnd", "3E0", "9", "100", false},
                                           DataCase{"ZeroLength", "10", "", "100", false},
                                           DataCase{"EndsAtFFFFFF", "0", "8", "FFFFF8", true},
                                           DataCase{"EndsPastFFFFFF", "0", "8", "FFFFF9", false},
                                           DataCase{"OffsetNotHex", "3X", "8", "100", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AcceptDataBlockTest, ReturnsDestinationEndLengthAndOffset) {
  DataBlockExchange ex = newDataBlock(1000);
  ASSERT_TRUE(acceptDataBlock("3e0", "8", "1000", ex));
  EXPECT_EQ(ex, (DataBlockExchange{0x3E0, 8, 0x1000, 1000, true}));
  EXPECT_EQ(ex.lastAddress(), 0x1007);
}

class LineEditTest : public ::testing::Test {
 protected:
  void fillNormal() {
    list.add("000010\t00001F\t10\t30\t");
    list.add("000100\t0001FF\t0100\t30\t");
    list.add("000230\t00023F\t10\t00\t");
  }
  void fillEditing() {
    list.add("000010\t00001F\t10\t00\t00\t");
    list.add("000100\t0001FF\t0100\t00\t0200\t/data/extra.bin");
    list.add("000300\t0003FF\t0100\t00\t0400\t");
  }
  BlockList list;
};

TEST_F(LineEditTest, MiddleLineGetsTheRoomBetweenItsNeighbours) {
  fillNormal();
  LineEditPlan plan = planLineEdit(list, 1, false, 0x1000, 0);
  EXPECT_FALSE(plan.dataBlock);
  EXPECT_EQ(plan.addresses, (AddressExchange{0x100, 0x1FF, 0x20, 0x22F, false}));
  EXPECT_EQ(plan.old.distance, 0x30);
}

TEST_F(LineEditTest, FirstAndLastLinesReachTheEndsOfTheTarget) {
  fillNormal();
  EXPECT_EQ(planLineEdit(list, 0, false, 0x1000, 0).addresses.lowLimit, 0);
  EXPECT_EQ(planLineEdit(list, 2, false, 0x1000, 0).addresses.highLimit, 0xFFF);
}

TEST_F(LineEditTest, MovingTheEndCorrectsTheDistance) {
  fillNormal();
  LineEditPlan plan = planLineEdit(list, 1, false, 0x1000, 0);
  AddressExchange result = plan.addresses;
  ASSERT_TRUE(acceptAddresses("100", "20F", false, result));
  EXPECT_EQ(editedLine(plan, result, false).value().text(), "000100\t00020F\t0110\t20\t");
}

TEST_F(LineEditTest, UnchangedOrCancelledGivesNothing) {
  fillNormal();
  LineEditPlan plan = planLineEdit(list, 1, false, 0x1000, 0);
  AddressExchange result = plan.addresses;
  EXPECT_EQ(editedLine(plan, result, false), std::nullopt);
  ASSERT_TRUE(acceptAddresses("0100", "01FF", false, result));
  EXPECT_EQ(editedLine(plan, result, false), std::nullopt);
}

TEST_F(LineEditTest, DifBlockShrunkKeepsItsOffsetAndEmptyPath) {
  fillEditing();
  LineEditPlan plan = planLineEdit(list, 2, true, 0x1000, 0);
  EXPECT_FALSE(plan.dataBlock);
  AddressExchange result = plan.addresses;
  ASSERT_TRUE(acceptAddresses("310", "3EF", true, result));
  EXPECT_EQ(editedLine(plan, result, true).value().text(), "000310\t0003EF\tE0\t00\t0400\t");
}

TEST_F(LineEditTest, DataBlockHandsLengthOffsetAndFileLength) {
  fillEditing();
  LineEditPlan plan = planLineEdit(list, 1, true, 0x1000, 0x800);
  EXPECT_TRUE(plan.dataBlock);
  EXPECT_EQ(plan.data, (DataBlockExchange{0x200, 0x100, 0x100, 0x800, false}));
  EXPECT_EQ(plan.old.end, 0x1FF);
  EXPECT_EQ(plan.old.dataPath, "/data/extra.bin");
}

TEST_F(LineEditTest, DataBlockWithOnlyANewOffsetIsRewritten) {
  fillEditing();
  LineEditPlan plan = planLineEdit(list, 1, true, 0x1000, 0x800);
  DataBlockExchange result = plan.data;
  ASSERT_TRUE(acceptDataBlock("0200", "0100", "0100", result));
  EXPECT_EQ(editedLine(plan, result), std::nullopt);
  result = plan.data;
  ASSERT_TRUE(acceptDataBlock("0300", "0100", "0100", result));
  EXPECT_EQ(editedLine(plan, result).value().text(),
            "000100\t0001FF\t0100\t00\t0300\t/data/extra.bin");
}

TEST_F(LineEditTest, DataLineInNormalModeIsAnOrdinaryBlock) {
  fillEditing();
  EXPECT_FALSE(planLineEdit(list, 1, false, 0x1000, 0x800).dataBlock);
}

TEST(AddedLineTest, NormalModeLeavesLengthAndDistanceToTheRegrouping) {
  AddressExchange result{0x100, 0x1FF, 0, 0xFFF, true};
  EXPECT_EQ(addedLine(result).text(), "000100\t0001FF\t00\t00\t");
}

TEST(AddedLineTest, DifEditingLineEndsWithThePathAsGiven) {
  DataBlockExchange ex = newDataBlock(1000);
  ASSERT_TRUE(acceptDataBlock("3E0", "8", "50", ex));
  EXPECT_EQ(addedLine(ex, "/home/u/data files/a.bin").text(),
            "000050\t000057\t08\t00\t03E0\t/home/u/data files/a.bin");
}

}  // namespace
}  // namespace hm
