#include "app/block_bytes_finder.h"

#include "dif/dif_format.h"
#include "platform/user_texts.h"
#include "support/byte_images.h"
#include "support/dif_builder.h"
#include "support/memory_file_system.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace hm::test {
namespace {

class SteadyClock : public Clock {
 public:
  Tick now() override { return 0; }
};

class BlockBytesFinderTest : public testing::Test {
 protected:
  void compareImages(const Bytes& source, const Bytes& target) {
    fs.files["a.bin"] = source;
    fs.files["b.bin"] = target;
    session.setInFile("a.bin");
    session.setOutFile("b.bin");
    ASSERT_TRUE(session.search(clock, [](std::uint64_t) { return true; }));
  }

  void editDif(const DifBuilder& dif) {
    fs.files["p.dif"] = dif.bytes();
    session.setEditingDif(true);
    ASSERT_TRUE(session.readDif("p.dif"));
    ASSERT_TRUE(session.listDif());
  }

  MemoryFileSystem fs;
  SteadyClock clock;
  Session session{fs};
  BlockBytesFinder finder{session, fs};
};

TEST_F(BlockBytesFinderTest, ComparedBlockCountsItsChangedBytes) {
  Bytes source(0x100, 0x11), target = source;
  target[0x10] = 1;
  target[0x13] = 2;
  compareImages(source, target);
  BlockBytes b = finder.find("000010\t000013\t04\t00\t");
  ASSERT_TRUE(b.shown());
  EXPECT_EQ(b.lanes(), 2);
  EXPECT_EQ(blockBytesSummary(b), "000010–000013, 4 байта, изменено 2");
}

TEST_F(BlockBytesFinderTest, LinesWhoseBytesCannotBeShownSayWhy) {
  EXPECT_EQ(finder.find("000010\t000013\t").reason(), kNotComparedText);
  compareImages(Bytes(0x100, 0), Bytes(0x100, 1));
  EXPECT_EQ(finder.find("0000F0\t000100\t").reason(), kPastTargetText);
  EXPECT_TRUE(finder.find("0000F0\t0000FF\t").shown());  // the image's last byte
  EXPECT_EQ(finder.find("000020\t000010\t").reason(), kBadBlockAddressesText);
}

// What the viewer shows stays readable after the session has let its images go: a new search
// or a changed path must never leave the panes reading freed memory.
TEST_F(BlockBytesFinderTest, BytesOutliveTheSessionsImages) {
  Bytes source(0x40, 3), target(0x40, 4);
  compareImages(source, target);
  BlockBytes b = finder.find("000000\t00003F\t");
  session.releaseAll();
  EXPECT_EQ(b.row(0, 3)[0xF].value, 3);
  EXPECT_EQ(b.row(1, 3)[0xF].value, 4);
}

TEST_F(BlockBytesFinderTest, DifLineShowsWhatItsRecordWrites) {
  editDif(DifBuilder(2).record(0x20, {7, 8, 9}).record(0x40, {5}));
  BlockBytes b = finder.find("000021\t000022\t");
  ASSERT_TRUE(b.shown());
  EXPECT_EQ(b.lanes(), 1);
  EXPECT_EQ(b.row(0, 0)[0x1].value, 8);
  EXPECT_EQ(b.row(0, 0)[0x2].value, 9);
  EXPECT_EQ(b.row(0, 0)[0x0].value, -1);  // the record's first byte is another line's
  EXPECT_EQ(finder.find("000040\t000040\t").row(0, 0)[0].value, 5);
  // Re-addressed past what the DIF holds: writing it would fail, and the viewer says so first.
  EXPECT_EQ(finder.find("000040\t000041\t").reason(), kNotInDifText);
}

// The block's bytes in the one lane, as the viewer shows them.
Bytes shownBytes(const BlockBytes& b) {
  Bytes bytes;
  for (std::int64_t a = b.block().start; a <= b.block().end; ++a) {
    const BlockBytes::Cell cell = b.row(0, b.rowOf(a))[static_cast<std::size_t>(a % 16)];
    EXPECT_TRUE(cell.inBlock);
    bytes.push_back(static_cast<std::uint8_t>(cell.value));
  }
  return bytes;
}

// Where records overlap, the pane shows the bytes the writer will write for the line: those the
// later record leaves, whichever record the line came from.
TEST_F(BlockBytesFinderTest, OverlappingDifLinesShowWhatTheWriterWrites) {
  editDif(DifBuilder(3)
              .record(0x10, {1, 2, 3, 4, 5, 6})
              .record(0x12, {7, 8})
              .record(0x0E, {9, 10, 11}));
  ASSERT_TRUE(session.writeDif("again.dif"));
  std::vector<Bytes> written;
  ASSERT_TRUE(walkDif(fs.files["again.dif"], [&](const DifRecord& record) {
                const auto* data = fs.files["again.dif"].data() + record.dataOffset;
                written.emplace_back(data, data + record.length);
              }).ok());
  ASSERT_EQ(written.size(), 3u);
  for (int i = 0; i < session.blocks().count(); ++i) {
    BlockBytes b = finder.find(session.blocks().text(i));
    ASSERT_TRUE(b.shown()) << session.blocks().text(i);
    EXPECT_EQ(shownBytes(b), written[static_cast<std::size_t>(i)]) << session.blocks().text(i);
  }
  EXPECT_EQ(shownBytes(finder.find("000010\t000015\t")), (Bytes{11, 2, 7, 8, 5, 6}));
  // Every byte covered, by two records: applying leaves them all.
  EXPECT_EQ(shownBytes(finder.find("00000E\t000011\t")), (Bytes{9, 10, 11, 2}));
  EXPECT_EQ(finder.find("00000D\t00000E\t").reason(), kNotInDifText);
}

// Bytes of overlapping records live in the finder's index, not in the DIF: a lane must keep them
// readable after the finder has moved on to another DIF and the session has let go of both.
TEST_F(BlockBytesFinderTest, OverlappingDifBytesOutliveTheFinderIndex) {
  editDif(DifBuilder(2).record(0x20, {1, 2, 3, 4}).record(0x21, {5, 6}));
  BlockBytes b = finder.find("000020\t000023\t");
  fs.files["q.dif"] = DifBuilder(2).record(0x20, {7, 7, 7, 7}).record(0x21, {8, 8}).bytes();
  ASSERT_TRUE(session.readDif("q.dif"));
  ASSERT_TRUE(session.listDif());
  EXPECT_EQ(shownBytes(finder.find("000020\t000023\t")), (Bytes{7, 8, 8, 7}));
  session.releaseAll();
  EXPECT_EQ(shownBytes(b), (Bytes{1, 5, 6, 4}));
}

TEST_F(BlockBytesFinderTest, DataBlockReadsItsFileAtItsOffset) {
  editDif(DifBuilder(1).record(0x20, {7}));
  Bytes data(0x30);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i);
  fs.files["/d/data.bin"] = data;
  BlockBytes b = finder.find("000104\t000107\t04\t00\t10\t/d/data.bin");
  ASSERT_TRUE(b.shown());
  EXPECT_EQ(b.lanes(), 1);
  EXPECT_EQ(b.rowAddress(0), 0xF0);  // the file holds less than two rows before the block
  const BlockBytes::Row row = b.row(0, b.rowOf(0x104));
  EXPECT_EQ(row[4].value, 0x10);
  EXPECT_TRUE(row[4].inBlock);
  EXPECT_EQ(row[3].value, 0x0F);
  EXPECT_FALSE(row[3].inBlock);
  EXPECT_EQ(dataPaneCaption("/d/data.bin", 0x10), "data.bin, офсет 000010");
}

TEST_F(BlockBytesFinderTest, UnreadableDataFileSaysWhich) {
  editDif(DifBuilder(1).record(0x20, {7}));
  EXPECT_EQ(finder.find("000100\t000103\t04\t00\t00\t/gone.bin").reason(),
            std::string(kDataFileUnreadableText).append("/gone.bin"));
  fs.files["/short.bin"] = Bytes(0x12);
  EXPECT_EQ(finder.find("000100\t000103\t04\t00\t10\t/short.bin").reason(),
            std::string(kDataFileShortText).append("/short.bin"));
}

}  // namespace
}  // namespace hm::test
