#include "blocks/block_bytes.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace hm {
namespace {

using Bytes = std::vector<std::uint8_t>;

BlockBytes::Lane laneOf(const Bytes& bytes, std::int64_t base = 0) {
  return {bytes, base, nullptr};
}

// Cells of one lane as text: "." outside the block, "=" unchanged inside, "*" changed inside,
// " " where the lane has no byte.
std::string marks(const BlockBytes& b, int lane, std::int64_t row) {
  std::string s;
  for (const BlockBytes::Cell& c : b.row(lane, row)) {
    s += c.value < 0 ? ' ' : !c.inBlock ? '.' : c.differs ? '*' : '=';
  }
  return s;
}

TEST(BlockBytes, MergedBlockShowsItsUnchangedBytesUnhighlighted) {
  Bytes source(0x40, 0x11);
  Bytes target = source;
  for (int a : {0x12, 0x14, 0x17}) target[a] = 0xEE;
  BlockBytes b = BlockBytes::compare(laneOf(source), laneOf(target), {0x12, 0x17});

  EXPECT_EQ(b.changed(), 3);
  EXPECT_EQ(blockBytesSummary(b), "000012–000017, 6 байт, изменено 3");
  // Two rows of context either side, as far as the images reach.
  ASSERT_EQ(b.rowCount(), 4);
  EXPECT_EQ(b.rowAddress(0), 0x00);
  EXPECT_EQ(b.rowAddress(3), 0x30);
  EXPECT_EQ(b.rowOf(0x17), 1);
  EXPECT_EQ(marks(b, 0, 0), "................");
  EXPECT_EQ(marks(b, 0, 1), "..*=*==*........");
  EXPECT_EQ(marks(b, 1, 1), "..*=*==*........");
  EXPECT_EQ(b.row(0, 1)[2].value, 0x11);
  EXPECT_EQ(b.row(1, 1)[2].value, 0xEE);
}

TEST(BlockBytes, BlockAtTheImagesEndHasNoRowsPastIt) {
  Bytes source(0x65, 0), target(0x65, 1);
  BlockBytes b = BlockBytes::compare(laneOf(source), laneOf(target), {0x60, 0x64});
  ASSERT_EQ(b.rowCount(), 3);  // 0x40, 0x50 before; none after
  EXPECT_EQ(b.rowAddress(0), 0x40);
  EXPECT_EQ(marks(b, 1, 2), "*****           ");
  EXPECT_EQ(b.changed(), 5);
}

// A target longer than the source: the bytes past the source's end are new, so they count as
// changed, and the source's pane has nothing there.
TEST(BlockBytes, SourceShorterThanTheBlock) {
  Bytes source(0x18, 7), target(0x20, 7);
  target[0x1F] = 9;
  BlockBytes b = BlockBytes::compare(laneOf(source), laneOf(target), {0x10, 0x1F});
  EXPECT_EQ(b.changed(), 8);
  EXPECT_EQ(marks(b, 0, 1), "========        ");
  EXPECT_EQ(marks(b, 1, 1), "========********");
}

// The count goes eight bytes at a time; it must agree with a plain count whatever the length
// and wherever the differences fall.
TEST(BlockBytes, ChangedCountAgreesWithAPlainCount) {
  std::mt19937 random(7);
  Bytes source(300), target(300);
  for (std::size_t i = 0; i < source.size(); ++i) {
    source[i] = static_cast<std::uint8_t>(random());
    target[i] = random() % 3 ? source[i] : static_cast<std::uint8_t>(source[i] ^ (1u << (i % 8)));
  }
  for (std::int32_t start : {0, 1, 7, 13}) {
    for (std::int32_t end = start; end < 300; end += 11) {
      std::int64_t expected = 0;
      for (std::int32_t a = start; a <= end; ++a) expected += source[a] != target[a];
      EXPECT_EQ(BlockBytes::compare(laneOf(source), laneOf(target), {start, end}).changed(),
                expected)
          << start << ".." << end;
    }
  }
}

// A data block: its bytes start `offset` bytes into the data file, and the context rows show
// what lies around them there, never before address 0.
TEST(BlockBytes, OneLaneFromAnOffsetIntoItsFile) {
  Bytes data(0x40);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i);
  BlockBytes b = BlockBytes::single(laneOf(data, 0x08 - 0x10), {0x08, 0x0B});
  EXPECT_EQ(b.lanes(), 1);
  EXPECT_EQ(blockBytesSummary(b), "000008–00000B, 4 байта");
  ASSERT_EQ(b.rowCount(), 3);
  EXPECT_EQ(b.rowAddress(0), 0);
  EXPECT_EQ(b.row(0, 0)[8].value, 0x10);
  EXPECT_EQ(marks(b, 0, 0), "........====....");
  EXPECT_EQ(b.row(0, 2)[0xF].value, 0x37);
}

TEST(BlockBytes, CopiedTextBreaksWhereRowsEnd) {
  Bytes bytes(0x20);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(0xA0 + i);
  BlockBytes b = BlockBytes::single(laneOf(bytes, 0x100), {0x100, 0x11F});
  EXPECT_EQ(b.hexText(0, 0x10D, 0x111), "AD AE AF\nB0 B1");
  EXPECT_EQ(b.hexText(0, 0x111, 0x10D), "AD AE AF\nB0 B1");
  EXPECT_EQ(b.hexText(0, 0xF0, 0x101), "A0 A1");  // no bytes before the lane
  EXPECT_EQ(b.hexText(1, 0x100, 0x101), "");
}

TEST(BlockBytes, UnavailableShowsOnlyItsReason) {
  BlockBytes b = BlockBytes::unavailable("причина");
  EXPECT_FALSE(b.shown());
  EXPECT_EQ(b.rowCount(), 0);
  EXPECT_EQ(blockBytesSummary(b), "причина");
  EXPECT_EQ(marks(b, 0, 0), "                ");
}

TEST(BlockBytes, ByteCountAgreesWithItsNumber) {
  const std::pair<std::int64_t, const char*> cases[] = {{1, "1 байт"},
                                                        {2, "2 байта"},
                                                        {4, "4 байта"},
                                                        {5, "5 байт"},
                                                        {11, "11 байт"},
                                                        {12, "12 байт"},
                                                        {14, "14 байт"},
                                                        {21, "21 байт"},
                                                        {22, "22 байта"},
                                                        {111, "111 байт"},
                                                        {112, "112 байт"},
                                                        {16777215, "16777215 байт"},
                                                        {16777216, "16777216 байт"},
                                                        {1002, "1002 байта"}};
  for (const auto& [count, text] : cases) EXPECT_EQ(byteCountText(count), text);
}

}  // namespace
}  // namespace hm
