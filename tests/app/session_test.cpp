#include "app/session.h"

#include "dif/dif_applier.h"
#include "support/byte_images.h"
#include "support/dif_builder.h"
#include "support/memory_file_system.h"

#include <gtest/gtest.h>

namespace hm::test {
namespace {

// Moves on by more than a progress interval at every reading, so the search reports at once.
class HurryingClock : public Clock {
 public:
  Tick now() override { return now_ += 1000; }

 private:
  Tick now_ = 0;
};

class SessionTest : public testing::Test {
 protected:
  SessionTest() {
    Bytes source(0x100, 0x11);
    Bytes target = source;
    target[0x10] = 1;
    target[0x12] = 2;
    target[0x80] = 3;
    fs.files["a.bin"] = source;
    fs.files["b.bin"] = target;
  }

  Status search(bool cancel = false) {
    session.setInFile("a.bin");
    session.setOutFile("b.bin");
    return session.search(clock, [cancel](std::uint64_t) { return !cancel; });
  }

  MemoryFileSystem fs;
  HurryingClock clock;
  Session session{fs};
};

TEST_F(SessionTest, RoundTripThroughTheSession) {
  ASSERT_TRUE(search());
  session.regroup(8);
  Totals totals = session.recalculate();
  EXPECT_EQ(session.blocks().count(), 2);
  EXPECT_EQ(totals.bytes, 3 + 1);
  ASSERT_TRUE(session.writeDif("p.dif", true));

  ASSERT_TRUE(applyDifFile(fs, "p.dif", "a.bin", "patched.bin"));
  EXPECT_EQ(fs.files["patched.bin"], fs.files["b.bin"]);
  ASSERT_TRUE(applyDifFile(fs, "p.dif_bak.dif", "patched.bin", "undone.bin"));
  EXPECT_EQ(fs.files["undone.bin"], fs.files["a.bin"]);
}

// A search that does not complete leaves nothing of the one before it.
TEST_F(SessionTest, AnUnfinishedSearchForgetsTheLastOne) {
  ASSERT_TRUE(search());
  EXPECT_EQ(search(true).error().code, ErrorCode::Cancelled);
  EXPECT_TRUE(session.rawBlocks().empty());
  EXPECT_TRUE(session.targetBytes().empty());

  ASSERT_TRUE(search());
  fs.files.erase("a.bin");
  EXPECT_EQ(search().error().code, ErrorCode::OpenFailed);
  EXPECT_TRUE(session.rawBlocks().empty());
  EXPECT_TRUE(session.sourceBytes().empty());
}

TEST_F(SessionTest, EditedDifTakesItsOwnBytesAndTheDataFiles) {
  DifBuilder dif(1);
  dif.record(0x20, {7, 8});
  fs.files["p.dif"] = dif.bytes();
  fs.files["data.bin"] = {9, 9, 5, 6};
  session.setEditingDif(true);
  ASSERT_TRUE(session.readDif("p.dif"));
  ASSERT_TRUE(session.listDif());
  session.blocks().add("000040\t000041\t0\t0\t02\tdata.bin");
  session.recalculate();
  ASSERT_TRUE(session.writeDif("q.dif"));

  fs.files["x.bin"] = Bytes(0x42, 0);
  ASSERT_TRUE(applyDifFile(fs, "q.dif", "x.bin", "y.bin"));
  const Bytes& y = fs.files["y.bin"];
  EXPECT_EQ((Bytes{y[0x20], y[0x21], y[0x40], y[0x41]}), (Bytes{7, 8, 5, 6}));
}

// Neither a missing DIF nor an invalid one leaves a line whose bytes are nowhere.
TEST_F(SessionTest, AFailedOpeningLeavesNoLines) {
  session.setEditingDif(true);
  session.blocks().add("000001\t000002\t2\t0\t0\t");
  EXPECT_EQ(session.readDif("missing.dif").error().message, "Ошибка открытия файла!");
  EXPECT_EQ(session.blocks().count(), 0);

  fs.files["bad.dif"] = DifBuilder(2).record(0x10, {1}).bytes();
  ASSERT_TRUE(session.readDif("bad.dif"));
  EXPECT_EQ(session.listDif().error().code, ErrorCode::InvalidDif);
  EXPECT_EQ(session.blocks().count(), 0);
  EXPECT_TRUE(session.difBytes().empty());
}

}  // namespace
}  // namespace hm::test
