// The list keeps fields, not text: here it is held against a list that keeps each line's text,
// as the list did before, over random edits. Lines, their order, selection, item values and the
// caret must stay the same, and every field must read as the line's text reads.
#include "blocks/block_list.h"
#include "blocks/list_journal.h"

#include <algorithm>
#include <random>

#include <gtest/gtest.h>

namespace hm {
namespace {

struct TextRow {
  std::string text;
  bool selected = false;
  std::int32_t item = 0;
};

// The text list as the list was: lines compared as text, the last one first, since lines mostly
// come in ascending order. A list that is not in order (lines inserted anywhere) is searched all
// the same, so where a line goes then depends on the search too.
struct TextList {
  std::vector<TextRow> rows;
  int caret = -1;

  int add(const std::string& text) {
    if (rows.empty() || !(text < rows.back().text)) {
      return insert(static_cast<int>(rows.size()), text, 0);
    }
    auto at = std::upper_bound(rows.begin(), rows.end(), text,
                               [](const std::string& t, const TextRow& r) { return t < r.text; });
    return insert(static_cast<int>(at - rows.begin()), text, 0);
  }
  int insert(int index, const std::string& text, std::int32_t item) {
    index = std::clamp(index, 0, static_cast<int>(rows.size()));
    rows.insert(rows.begin() + index, {text, false, item});
    if (caret >= index) ++caret;
    return index;
  }
  void remove(int index) {
    if (index < 0 || index >= static_cast<int>(rows.size())) return;
    rows.erase(rows.begin() + index);
    if (caret > index || caret >= static_cast<int>(rows.size())) --caret;
  }
  void removeSelected() {
    int newCaret = caret;
    std::vector<TextRow> kept;
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
      if (!rows[static_cast<std::size_t>(i)].selected) {
        kept.push_back(rows[static_cast<std::size_t>(i)]);
      } else if (i < caret) {
        --newCaret;
      }
    }
    if (kept.size() == rows.size()) return;
    rows = kept;
    caret = std::min(newCaret, static_cast<int>(rows.size()) - 1);
  }
};

// Texts of every kind a caller can hand in: lines as the program writes them, and lines it would
// write otherwise (lower case, spaces, odd digit counts, wide addresses, a tab in the path).
std::string someText(std::mt19937& random) {
  static const char* const kOdd[] = {"",
                                     "000010\t",
                                     "00000a\t000010\t",
                                     " 000010\t000012\t02\t01\t",
                                     "ABC\t",
                                     "1000000\t2\t",
                                     "000010\t000012\t3\t1\t",
                                     "000010\t000011\t02\t00\t00\tp\tq",
                                     "zz\tyy",
                                     "000010\t000012\t02\t01\t00\t",
                                     "FFFFFFFF\t000001\t",
                                     "000010\t000011\t02\t00\t00\t/d/b\n.bin"};
  if (random() % 4 == 0) return kOdd[random() % std::size(kOdd)];
  BlockLine line;
  line.form = static_cast<LineForm>(random() % 3);
  line.start = static_cast<std::int32_t>(random() % 64);
  line.end = line.start + static_cast<std::int32_t>(random() % 4);
  line.length = random() % 8 == 0 ? -1 : line.end - line.start + 1;
  line.distance = static_cast<std::int32_t>(random() % 300);
  line.dataOffset = static_cast<std::int32_t>(random() % 5);
  line.dataPath = random() % 2 ? "" : random() % 2 ? "/d/a.bin" : "/d/b.bin";
  if (line.form != LineForm::DifEditing) {
    line.dataOffset = 0;
    line.dataPath.clear();
  }
  if (line.form == LineForm::Addresses) line.length = line.distance = 0;
  return line.text();
}

// A line given as fields, any fields: those the text cannot hold as given included.
BlockLine someLine(std::mt19937& random) {
  BlockLine line = BlockLine::parse(someText(random));
  switch (random() % 6) {
    case 0:
      line.start = -1 - static_cast<std::int32_t>(random() % 3);
      break;
    case 1:
      line.end = 0x1000000 + static_cast<std::int32_t>(random() % 3);
      break;
    case 2:
      line.length = static_cast<std::int32_t>(random() % 5);
      break;
    case 3:
      line.dataPath = "/d/t\tab";
      break;
    default:
      break;
  }
  return line;
}

void expectSame(const BlockList& list, const TextList& model) {
  ASSERT_EQ(list.count(), static_cast<int>(model.rows.size()));
  ASSERT_EQ(list.caret(), model.caret);
  int selected = 0;
  for (int i = 0; i < list.count(); ++i) {
    const TextRow& row = model.rows[static_cast<std::size_t>(i)];
    ASSERT_EQ(list.text(i), row.text) << i;
    ASSERT_EQ(list.itemData(i), row.item) << i;
    ASSERT_EQ(list.isSelected(i), row.selected) << i;
    selected += row.selected;
    const BlockLine read = BlockLine::parse(row.text);
    ASSERT_EQ(list.line(i), read) << row.text;
    ASSERT_EQ(list.distance(i), read.distance);
    const BlockSpan span = readBlockSpan(row.text);
    ASSERT_EQ(list.span(i).start, span.start);
    ASSERT_EQ(list.span(i).end, span.end);
    const DataSource source = readDataSource(row.text);
    ASSERT_EQ(list.dataSource(i).offset, source.offset);
    ASSERT_EQ(list.dataSource(i).path, source.path);
    if (i > 0) {
      const int c = model.rows[static_cast<std::size_t>(i - 1)].text.compare(row.text);
      ASSERT_EQ(list.compareText(i - 1, list, i), (c > 0) - (c < 0));
      const int r = model.rows[static_cast<std::size_t>(i - 1)].text.compare(read.text());
      ASSERT_EQ(list.compareText(i - 1, read), (r > 0) - (r < 0));
    }
  }
  ASSERT_EQ(list.selCount(), selected);
}

// Selecting is no edit the journal keeps (the history puts the selection back itself).
std::vector<TextRow> rowsOf(const BlockList& list) {
  std::vector<TextRow> rows;
  for (int i = 0; i < list.count(); ++i) rows.push_back({list.text(i), false, list.itemData(i)});
  return rows;
}

bool operator==(const TextRow& a, const TextRow& b) {
  return a.text == b.text && a.selected == b.selected && a.item == b.item;
}

// One random edit of both lists.
void edit(std::mt19937& random, BlockList& list, TextList& model) {
  const int n = list.count();
  const int at = n == 0 ? 0 : static_cast<int>(random() % static_cast<unsigned>(n));
  switch (random() % 10) {
    case 0: {
      const std::string text = someText(random);
      ASSERT_EQ(list.add(text), model.add(text)) << text;
      break;
    }
    case 1: {
      const BlockLine line = someLine(random);
      ASSERT_EQ(list.add(line), model.add(line.text())) << line.text();
      break;
    }
    case 2: {
      const auto item = static_cast<std::int32_t>(random() % 3);
      if (random() % 4 == 0) {
        const BlockLine line = someLine(random);
        ASSERT_EQ(list.append(line), model.insert(n, line.text(), 0));
      } else if (random() % 2) {
        const std::string text = someText(random);
        list.insert(at, text, item);
        model.insert(at, text, item);
      } else {
        const BlockLine line = someLine(random);
        list.insert(at, line, item);
        model.insert(at, line.text(), item);
      }
      break;
    }
    case 3:
      list.remove(at);
      model.remove(at);
      break;
    case 4:
    case 5:
      list.setSelected(at, true);
      if (n > 0) model.rows[static_cast<std::size_t>(at)].selected = true;
      break;
    case 6:
      list.removeSelected();
      model.removeSelected();
      break;
    case 7: {
      list.setCaret(at);
      model.caret = n == 0 ? -1 : at;
      if (n == 0) break;
      std::string text;
      if (random() % 2) {
        text = someText(random);
        list.replaceCaret(text);
      } else {
        const BlockLine line = someLine(random);
        text = line.text();
        list.replaceCaret(line);
      }
      model.rows[static_cast<std::size_t>(at)].text = text;
      break;
    }
    default: {
      // A few lines in place of a few, as the recalculation puts back a window of lines.
      const int count = std::min(n - at, static_cast<int>(random() % 3));
      BlockList lines;
      std::vector<TextRow> fresh;
      for (int k = static_cast<int>(random() % 3); k > 0; --k) {
        const std::string text = someText(random);
        const auto item = static_cast<std::int32_t>(random() % 2);
        lines.insert(lines.count(), text, item);
        fresh.push_back({text, false, item});
      }
      const int caret = model.caret;
      list.replace(at, count, lines);
      model.rows.erase(model.rows.begin() + at, model.rows.begin() + at + count);
      model.rows.insert(model.rows.begin() + at, fresh.begin(), fresh.end());
      const int delta = static_cast<int>(fresh.size()) - count;
      model.caret = caret >= at + count ? caret + delta : caret >= at ? -1 : caret;
      break;
    }
  }
}

TEST(BlockListModelTest, RandomEditsKeepEveryLineAsTheTextListDoes) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    std::mt19937 random(seed);
    BlockList list;
    TextList model;
    for (int step = 0; step < 400; ++step) {
      edit(random, list, model);
      if (HasFatalFailure()) return;
      expectSame(list, model);
      if (HasFatalFailure()) return;
    }
  }
}

// Undoing and redoing go through copies between lists, each with its own paths and kept texts.
TEST(BlockListModelTest, JournalTakesRandomEditsBackAndForth) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    std::mt19937 random(seed);
    BlockList list;
    TextList model;
    for (int step = 0; step < 60; ++step) edit(random, list, model);
    const std::vector<TextRow> before = rowsOf(list);
    ListJournal journal;
    list.setJournal(&journal);
    for (int step = 0; step < 60; ++step) edit(random, list, model);
    list.setJournal(nullptr);
    const std::vector<TextRow> after = rowsOf(list);
    journal.undo(list);
    ASSERT_EQ(rowsOf(list), before) << "seed " << seed;
    journal.redo(list);
    ASSERT_EQ(rowsOf(list), after) << "seed " << seed;
  }
}

}  // namespace
}  // namespace hm
