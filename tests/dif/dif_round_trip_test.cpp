#include "blocks/block_line.h"
#include "blocks/block_list.h"
#include "dif/dif_applier.h"
#include "dif/dif_reader.h"
#include "dif/dif_writer.h"
#include "platform/clock.h"
#include "search/diff_search.h"
#include "search/regroup.h"
#include "support/byte_images.h"
#include "support/memory_file_system.h"

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace hm {
namespace {

using test::Bytes;
using test::bytesOf;
using test::imageOf;

Bytes patched(const Bytes& dif, const Bytes& bin) {
  EXPECT_TRUE(checkDif(dif).ok());
  ByteImage image = imageOf(bin);
  applyDif(dif, image);
  return bytesOf(image);
}

// Pairs of equal length with runs of changes of every density: compare, regroup, write the DIF
// and its backup, then patch each way and get the other file back. Reopening the DIF for editing
// and writing it again unchanged gives the same bytes.
TEST(DifRoundTripTest, PatchAndBackupRestoreEachOther) {
  std::mt19937 random(7);
  test::MemoryFileSystem fs;
  ManualClock clock;
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    std::size_t size = 1 + random() % 2000;
    unsigned density = 1 + random() % 64;
    Bytes source(size);
    for (auto& b : source) b = static_cast<std::uint8_t>(random());
    Bytes target = source;
    for (auto& b : target) {
      if (random() % 64 < density) b = static_cast<std::uint8_t>(b + 1 + random() % 255);
    }

    RawBlocks raw;
    ASSERT_TRUE(scanDifferences(source.data(), size, target.data(), size, raw, clock,
                                [](std::uint64_t) { return true; }));
    BlockList list;
    regroup(raw, static_cast<int>(random() % 17), list);
    recalculate(list, false, static_cast<std::int32_t>(size));

    std::string difPath = "patch.dif";
    ASSERT_TRUE(writeDif(fs, difPath, list, target).ok());
    ASSERT_TRUE(writeDif(fs, backupDifName(difPath), list, source).ok());
    const Bytes& dif = fs.files[difPath];
    const Bytes& backup = fs.files[backupDifName(difPath)];
    EXPECT_EQ(patched(dif, source), target);
    EXPECT_EQ(patched(backup, target), source);

    Result<std::vector<DifBlock>> blocks = readDifBlocks(dif);
    ASSERT_TRUE(blocks.ok());
    BlockList reopened;
    BlockLine line;
    line.form = LineForm::Addresses;
    for (const DifBlock& block : *blocks) {
      line.start = block.start;
      line.end = block.end;
      reopened.insert(reopened.count(), line.text());
    }
    std::string againPath = "again.dif";
    ASSERT_TRUE(writeEditedDif(fs, againPath, reopened, dif).ok());
    EXPECT_EQ(fs.files[againPath], dif);
  }
}

}  // namespace
}  // namespace hm
