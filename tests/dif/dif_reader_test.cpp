#include "dif/dif_reader.h"

#include "support/dif_builder.h"

#include <gtest/gtest.h>

namespace hm {
namespace {

using test::DifBuilder;

std::vector<std::pair<std::int32_t, std::int32_t>> ranges(const std::vector<DifBlock>& blocks) {
  std::vector<std::pair<std::int32_t, std::int32_t>> out;
  for (const DifBlock& b : blocks) out.emplace_back(b.start, b.end);
  return out;
}

TEST(ReadDifBlocksTest, OneBlockPerRecordInFileOrder) {
  auto dif =
      DifBuilder(3).record(0x200, {1, 2, 3, 4}).record(0x10, {5}).record(0x11, {6, 7}).bytes();
  Result<std::vector<DifBlock>> blocks = readDifBlocks(dif);
  ASSERT_TRUE(blocks.ok());
  EXPECT_EQ(ranges(*blocks),
            (decltype(ranges(*blocks)){{0x200, 0x203}, {0x10, 0x10}, {0x11, 0x12}}));
}

TEST(ReadDifBlocksTest, NoRecordsGiveNoBlocks) {
  Result<std::vector<DifBlock>> blocks = readDifBlocks(DifBuilder(0).bytes());
  ASSERT_TRUE(blocks.ok());
  EXPECT_TRUE(blocks->empty());
}

TEST(ReadDifBlocksTest, WrongMarkerInTheThirdRecordRejectsTheFile) {
  auto dif = DifBuilder(3).record(0, {1}).record(1, {2}).rawRecord("XBLKNORD", 5, 2, {3}).bytes();
  Result<std::vector<DifBlock>> blocks = readDifBlocks(dif);
  ASSERT_FALSE(blocks.ok());
  EXPECT_EQ(blocks.error().code, ErrorCode::InvalidDif);
  EXPECT_EQ(blocks.error().message, "Неверный DIF файл!");
}

}  // namespace
}  // namespace hm
