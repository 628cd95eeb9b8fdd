// A DIF opened for editing and written again, the way the window and the insertion from the
// command line do it, must patch a BIN exactly as before everywhere outside the blocks added
// meanwhile, however its records overlap: where they do, the later record's bytes are the ones
// applying leaves, and the lines of the list must carry those.

#include "blocks/block_line.h"
#include "blocks/block_list.h"
#include "blocks/recalc.h"
#include "dif/dif_applier.h"
#include "dif/dif_reader.h"
#include "dif/dif_writer.h"
#include "support/byte_images.h"
#include "support/dif_builder.h"
#include "support/memory_file_system.h"

#include <algorithm>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace hm {
namespace {

using test::Bytes;
using test::DifBuilder;

struct Record {
  std::int32_t address;
  std::int32_t length;
};

// A block taken from the data file, as the insertion adds it.
struct Added {
  std::int32_t start;
  std::int32_t length;
  std::int32_t offset;
};

const char* const kDataPath = "/data.bin";

// Every record's bytes differ from every other's, so whichever record wins shows.
Bytes difOf(const std::vector<Record>& records) {
  DifBuilder dif(static_cast<std::int32_t>(records.size()));
  for (std::size_t r = 0; r < records.size(); ++r) {
    Bytes data(static_cast<std::size_t>(records[r].length));
    for (std::size_t i = 0; i < data.size(); ++i) {
      data[i] = static_cast<std::uint8_t>(0x40 * (r % 4) + 0x11 * (r / 4) + i);
    }
    dif.record(records[r].address, data);
  }
  return dif.bytes();
}

Bytes applied(const Bytes& dif, const Bytes& bin) {
  EXPECT_TRUE(checkDif(dif).ok());
  ByteImage image = test::imageOf(bin);
  applyDif(dif, image);
  return test::bytesOf(image);
}

std::string dataLine(const Added& added) {
  const std::int32_t end = added.start + added.length - 1;
  return BlockLine{LineForm::DifEditing, added.start, end, added.length, 0, added.offset, kDataPath}
      .text();
}

Bytes dataFile() {
  Bytes data(64);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(0xA0 + i);
  return data;
}

// Opens `dif` for editing, adds `added` if there is one, recalculates and writes it again; then
// the rewritten DIF must leave on `bin` what the original leaves, grown with zeros as far as the
// added block reaches, under the data file's bytes of that block.
void expectSamePatch(const Bytes& dif, const std::optional<Added>& added, const Bytes& bin) {
  test::MemoryFileSystem fs;
  fs.files[kDataPath] = dataFile();
  Result<std::vector<DifBlock>> blocks = readDifBlocks(dif);
  ASSERT_TRUE(blocks.ok());
  BlockList list;
  listDifBlocks(std::move(*blocks), list);
  if (added) list.add(dataLine(*added));
  recalculate(list, true, 0);
  ASSERT_TRUE(writeEditedDif(fs, "edited.dif", list, dif).ok());

  Bytes expected = applied(dif, bin);
  if (added) {
    const auto start = static_cast<std::size_t>(added->start);
    const auto length = static_cast<std::size_t>(added->length);
    expected.resize(std::max(expected.size(), start + length));
    std::copy_n(fs.files[kDataPath].begin() + added->offset, length, expected.begin() + start);
  }
  EXPECT_EQ(applied(fs.files["edited.dif"], bin), expected);
}

struct Shape {
  const char* name;
  std::vector<Record> records;  // in file order
};

void PrintTo(const Shape& shape, std::ostream* out) {
  *out << shape.name;
}

class OverlapShapeTest : public testing::TestWithParam<Shape> {};

// The BIN ends inside the records, so applying also grows it.
const Bytes kBin = Bytes(24, 0xEE);

TEST_P(OverlapShapeTest, RewrittenDifPatchesTheSameBytes) {
  const Bytes dif = difOf(GetParam().records);
  expectSamePatch(dif, std::nullopt, kBin);
  expectSamePatch(dif, Added{0x60, 4, 3}, kBin);  // beyond the records
  expectSamePatch(dif, Added{11, 3, 0}, kBin);    // over them
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, OverlapShapeTest,
    testing::Values(Shape{"LaterInsideEarlier", {{10, 11}, {12, 3}}},
                    Shape{"EarlierInsideLater", {{12, 3}, {10, 11}}},
                    Shape{"LaterOverEarlierEnd", {{10, 11}, {15, 11}}},
                    Shape{"LaterOverEarlierStart", {{15, 11}, {10, 11}}},
                    Shape{"SameStartLaterShorter", {{10, 11}, {10, 3}}},
                    Shape{"NestedThree", {{0, 31}, {5, 21}, {10, 6}}},
                    Shape{"NestedThreeInnermostFirst", {{10, 6}, {5, 21}, {0, 31}}},
                    Shape{"ChainOfThree", {{0, 11}, {8, 11}, {16, 11}}},
                    Shape{"ChainOfThreeBackwards", {{16, 11}, {8, 11}, {0, 11}}},
                    Shape{"IdenticalRanges", {{10, 11}, {10, 11}}},
                    Shape{"IdenticalRangesThrice", {{10, 4}, {10, 4}, {10, 4}}},
                    Shape{"TouchingEndToStart", {{10, 11}, {21, 10}}},
                    Shape{"TouchingStartToEnd", {{21, 10}, {10, 11}}},
                    Shape{"OverlapAfterOrderedRecords", {{0, 4}, {8, 4}, {30, 2}, {2, 8}}}),
    [](const testing::TestParamInfo<Shape>& info) { return info.param.name; });

// Small DIFs of a few records within 52 bytes, so most overlap somehow, under BINs that
// end before, inside or after them.
TEST(EditedDifRewriteTest, RandomOverlapsPatchTheSameBytes) {
  std::mt19937 random(20240917);
  for (int round = 0; round < 400; ++round) {
    SCOPED_TRACE(round);
    std::vector<Record> records(1 + random() % 7);
    for (Record& r : records) {
      r.address = static_cast<std::int32_t>(random() % 40);
      r.length = 1 + static_cast<std::int32_t>(random() % 12);
    }
    Bytes bin(random() % 64);
    for (auto& b : bin) b = static_cast<std::uint8_t>(random());
    std::optional<Added> added;
    if (random() % 2 == 0) {
      const auto length = 1 + static_cast<std::int32_t>(random() % 8);
      added = Added{static_cast<std::int32_t>(random() % 80), length,
                    static_cast<std::int32_t>(random() % (64 - length))};
    }
    expectSamePatch(difOf(records), added, bin);
    if (HasFailure()) return;
  }
}

}  // namespace
}  // namespace hm
