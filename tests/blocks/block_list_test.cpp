#include "blocks/block_list.h"

#include <tuple>

#include <gtest/gtest.h>

namespace hm {
namespace {

std::vector<std::string> lines(const BlockList& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.count(); ++i) out.emplace_back(list.text(i));
  return out;
}

// A DIF opened for editing lists millions of lines that take their bytes from the DIF itself:
// such a line must cost no more than a line of a comparison, and read back as it went in.
TEST(BlockListTest, ADifsOwnLinesKeepNothingAside) {
  constexpr int kLines = 4000;
  for (const auto& [offset, path, mostBytes] :
       {std::tuple{0, "", 14 * kLines}, {5, "", 28 * kLines}, {0, "/d/a.bin", 28 * kLines}}) {
    BlockList added, appended;
    BlockLine line{LineForm::DifEditing, 0, 1, 2, 2, offset, path};
    for (int i = 0; i < kLines; ++i, line.start += 4, line.end += 4) {
      added.add(line);
      appended.append(line);
      ASSERT_EQ(added.line(i), line);
      ASSERT_EQ(appended.text(i), line.text());
    }
    EXPECT_LE(added.memoryBytes(), static_cast<std::size_t>(mostBytes)) << path;
    EXPECT_LE(appended.memoryBytes(), static_cast<std::size_t>(mostBytes)) << path;
    EXPECT_GT(appended.memoryBytes(), static_cast<std::size_t>(mostBytes / 2)) << path;
  }
}

TEST(BlockListTest, AddSortsByText) {
  BlockList list;
  list.add("000005\t");
  list.add("000020\t");
  EXPECT_EQ(list.add("000010\t"), 1);
  EXPECT_EQ(lines(list), (std::vector<std::string>{"000005\t", "000010\t", "000020\t"}));
  EXPECT_EQ(list.add("000001\t"), 0);
  EXPECT_EQ(list.add("000030\t"), 4);
}

TEST(BlockListTest, EqualStartsSortByEnd) {
  BlockList list;
  list.add("000010\t000030\t");
  list.add("000010\t000020\t");
  EXPECT_EQ(list.text(0), "000010\t000020\t");
}

TEST(BlockListTest, ReplaceCaretKeepsPlaceAndItemValue) {
  BlockList list;
  for (const char* l : {"000001\t", "000002\t", "000003\t", "000004\t", "000005\t"}) list.add(l);
  list.insert(2, "000003\t", 77);
  list.remove(3);
  list.setCaret(2);
  list.replaceCaret("000009\t");
  EXPECT_EQ(list.text(2), "000009\t");
  EXPECT_EQ(list.itemData(2), 77);
  EXPECT_EQ(list.count(), 5);
}

TEST(BlockListTest, OutOfRangeAnswersLikeAListBox) {
  BlockList list;
  list.add("000001\t");
  EXPECT_EQ(list.text(5), "");
  EXPECT_EQ(list.itemData(-1), -1);
  list.remove(7);
  EXPECT_EQ(list.count(), 1);
  EXPECT_FALSE(list.isSelected(3));
}

TEST(BlockListTest, SelectionFollowsRemovals) {
  BlockList list;
  for (int i = 0; i < 6; ++i) list.add("00000" + std::to_string(i) + "\t");
  for (int i : {0, 2, 5}) list.setSelected(i, true);
  list.setCaret(3);
  EXPECT_EQ(list.selCount(), 3);
  list.removeSelected();
  EXPECT_EQ(lines(list), (std::vector<std::string>{"000001\t", "000003\t", "000004\t"}));
  EXPECT_EQ(list.selCount(), 0);
  EXPECT_EQ(list.caret(), 1);
  EXPECT_EQ(list.text(list.caret()), "000003\t");
}

TEST(BlockListTest, ManyRemovalsKeepTextsIntact) {
  BlockList list;
  const std::string pad(200, 'x');
  for (int i = 0; i < 20000; ++i) list.insert(i, std::to_string(i) + pad);
  for (int i = 19999; i >= 0; i -= 2) list.remove(i);
  ASSERT_EQ(list.count(), 10000);
  for (int i = 0; i < list.count(); ++i) ASSERT_EQ(list.text(i), std::to_string(2 * i) + pad);
}

class RecordingObserver : public BlockListObserver {
 public:
  void aboutToInsert(int first, int) override { log += "+" + std::to_string(first); }
  void inserted() override {}
  void aboutToRemove(int first, int) override { log += "-" + std::to_string(first); }
  void removed() override {}
  void changed(int row) override { log += "~" + std::to_string(row); }
  void aboutToReset() override { log += "["; }
  void reset() override { log += "]"; }
  std::string log;
};

TEST(BlockListTest, BatchTurnsChangesIntoOneReset) {
  BlockList list;
  RecordingObserver observer;
  list.setObserver(&observer);
  list.add("000001\t");
  {
    BlockList::Batch batch(list);
    list.clear(true);
    list.add("000002\t");
    list.add("000003\t");
  }
  list.remove(0);
  EXPECT_EQ(observer.log, "+0[]-0");
}

}  // namespace
}  // namespace hm
