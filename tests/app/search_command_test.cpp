#include "app/search_command.h"

#include "app/control_state.h"
#include "support/command_fixture.h"
#include "support/step_jobs.h"

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

namespace hm::test {
namespace {

class SearchCommandTest : public testing::Test, public CommandFixture {};

TEST_F(SearchCommandTest, ListsTheRegroupedBlocksWithTheirTotals) {
  session.setMinDistance(0);
  ASSERT_TRUE(searchPair({0, 1, 2, 3, 4, 5}, {0xFF, 1, 2, 3, 4, 0xFF}));
  EXPECT_EQ(lines(),
            (std::vector<std::string>{"000000\t000000\t01\t04\t", "000005\t000005\t01\t00\t"}));
  EXPECT_EQ(session.status(), "Кол-во байтов: 2;    Блоков: 2");
  EXPECT_EQ(session.blocks().caret(), 0);
  EXPECT_FALSE(session.busy());
  EXPECT_FALSE(session.searching());
  EXPECT_TRUE(controlState(session).merge);
  EXPECT_TRUE(messenger.shown.empty());

  // A larger distance joins the two blocks at once.
  listJobs.regroup(4);
  EXPECT_EQ(lines(), std::vector<std::string>{"000000\t000005\t06\t00\t"});
}

TEST_F(SearchCommandTest, AMissingFileIsAnOpenError) {
  session.setInFile("none.bin");
  session.setOutFile("none2.bin");
  EXPECT_TRUE(searchCommand.start());
  ASSERT_EQ(messenger.shown.size(), 1u);
  EXPECT_EQ(messenger.shown[0].text, "Ошибка открытия файла!");
  EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Stop);
  EXPECT_TRUE(session.rawBlocks().empty());
  EXPECT_FALSE(session.busy());
  EXPECT_TRUE(controlState(session).search);
}

TEST_F(SearchCommandTest, ANewPathThrowsTheFoundListAway) {
  ASSERT_TRUE(searchPair({1, 2}, {1, 3}));
  ASSERT_EQ(session.blocks().count(), 1);
  session.setOutFile("other");
  EXPECT_EQ(session.blocks().count(), 0);
  EXPECT_TRUE(session.rawBlocks().empty());
  EXPECT_FALSE(controlState(session).merge);
}

// The edited DIF is the list: a search would replace it with a comparison of other files.
TEST_F(SearchCommandTest, TheEditedDifIsNotSearchedOver) {
  fs.files["a.bin"] = {1};
  fs.files["b.bin"] = {2};
  session.setInFile("a.bin");
  session.setOutFile("b.bin");
  session.setEditingDif(true);
  session.blocks().add("000020\t000021\t");
  EXPECT_FALSE(searchCommand.start());
  EXPECT_EQ(session.blocks().count(), 1);
  EXPECT_TRUE(session.editingDif());
  EXPECT_FALSE(session.busy());
}

// Two bytes in every five of a MiB differ, one and two bytes apart: more blocks than are
// regrouped at once, and about half as many lines at distance 1.
constexpr std::size_t kPairSize = 1 << 20;
constexpr int kBlocks = 2 * (kPairSize / 5) + 1;

void putPair(MemoryFileSystem& fs) {
  Bytes bytes(kPairSize);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
  fs.files["s.bin"] = bytes;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i % 5 == 0 || i % 5 == 2) bytes[i] ^= 0xFF;
  }
  fs.files["t.bin"] = bytes;
}

// The files in memory, with a hook that runs before each look at them.
class HookedFileSystem : public MemoryFileSystem {
 public:
  std::optional<FileInfo> stat(const std::string& path) override {
    if (onStat) onStat();
    return MemoryFileSystem::stat(path);
  }
  std::optional<ByteImage> read(const std::string& path, std::size_t maxBytes) override {
    ++reads;
    if (onRead) onRead();
    return MemoryFileSystem::read(path, maxBytes);
  }

  std::function<void()> onStat;
  std::function<void()> onRead;
  int reads = 0;
};

// Moves on 150 ms at every look, so every step of the scan reports its progress; or stands
// still, so that none does. A hook can run at one look.
class HookedClock : public Clock {
 public:
  explicit HookedClock(std::uint32_t step) : step_(step) {}
  Tick now() override {
    if (++looks_ == hookAt && hook) hook();
    return static_cast<Tick>(looks_ * step_);
  }
  int hookAt = 0;
  std::function<void()> hook;

 private:
  std::uint32_t step_;
  int looks_ = 0;
};

// A search over the large pair at distance 0, whose work the test can reach into.
template <class TheJobs>
struct LargePair {
  explicit LargePair(std::uint32_t clockStep) : clock(clockStep) {
    putPair(fs);
    session.setInFile("s.bin");
    session.setOutFile("t.bin");
    session.setMinDistance(0);
  }

  HookedFileSystem fs;
  HookedClock clock;
  ScriptedMessenger messenger;
  Session session{fs};
  StatusLog statuses{session};
  TheJobs jobs;
  ListJobs listJobs{session, jobs, messenger};
  SearchCommand search{session, jobs, listJobs, messenger, clock};
};

enum class Stage { Starting, Reading, Scanning, Regrouping };

void PrintTo(Stage stage, std::ostream* os) {
  *os << static_cast<int>(stage);
}

class CancelAtAStage : public testing::TestWithParam<Stage> {};

TEST_P(CancelAtAStage, LeavesTheCancelledState) {
  const Stage stage = GetParam();
  // With a clock that stands still the scan reports nothing, so the regrouping is the first to
  // look at a cancel pressed while the files are read.
  LargePair<InlineJobs> s(stage == Stage::Regrouping ? 0 : 150);
  s.session.blocks().add("000001\t000001\t01\t00\t");
  auto cancel = [&s] { s.search.cancel(); };
  switch (stage) {
    case Stage::Starting:
      s.fs.onStat = cancel;
      break;
    case Stage::Reading:
    case Stage::Regrouping:
      s.fs.onRead = cancel;
      break;
    case Stage::Scanning:
      s.clock.hookAt = 3;
      s.clock.hook = cancel;
      break;
  }
  ASSERT_TRUE(s.search.start());
  s.fs.onStat = s.fs.onRead = nullptr;
  s.clock.hook = nullptr;
  EXPECT_FALSE(s.session.busy());
  EXPECT_FALSE(s.session.searching());
  // Nothing said after the cancel covers it, not even a progress report on its way.
  const std::vector<std::string>& texts = s.statuses.texts;
  auto cancelled = std::find(texts.begin(), texts.end(), "Поиск отменен.");
  ASSERT_NE(cancelled, texts.end());
  EXPECT_EQ(std::count(cancelled, texts.end(), "Поиск отменен."), texts.end() - cancelled);
  EXPECT_EQ(s.session.blocks().count(), 0);
  EXPECT_TRUE(s.session.rawBlocks().empty());
  EXPECT_FALSE(controlState(s.session).cancelShown);
  EXPECT_TRUE(controlState(s.session).search);
  EXPECT_TRUE(s.messenger.shown.empty());

  // Nothing of the cancelled search stands in the way of the next one.
  ASSERT_TRUE(s.search.start());
  EXPECT_EQ(s.session.blocks().count(), kBlocks);
}

std::string stageName(const testing::TestParamInfo<Stage>& info) {
  const char* names[] = {"Starting", "Reading", "Scanning", "Regrouping"};
  return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Stages, CancelAtAStage,
                         testing::Values(Stage::Starting, Stage::Reading, Stage::Scanning,
                                         Stage::Regrouping),
                         stageName);

TEST(SearchWhileSearching, NoSecondSearchStarts) {
  LargePair<InlineJobs> s(150);
  bool searchEnabled = true;
  bool secondStarted = true;
  s.fs.onRead = [&] {
    if (s.fs.reads > 1) return;
    searchEnabled = controlState(s.session).search;
    secondStarted = s.search.start();
  };
  ASSERT_TRUE(s.search.start());
  EXPECT_FALSE(searchEnabled);
  EXPECT_FALSE(secondStarted);
  EXPECT_EQ(s.fs.reads, 2);
  EXPECT_EQ(s.session.blocks().count(), kBlocks);
  EXPECT_TRUE(controlState(s.session).search);
}

// A regrouping of many blocks runs as long work; a newer distance replaces it, and the list it
// leaves is the one regrouping at once gives.
TEST(LongRegrouping, EndsAsRegroupingAtOnce) {
  LargePair<StepJobs> s(150);
  ASSERT_TRUE(s.search.start());
  s.jobs.wait();
  ASSERT_EQ(s.session.blocks().count(), kBlocks);

  s.listJobs.regroup(3);
  EXPECT_TRUE(s.session.busy());
  EXPECT_EQ(s.session.status(), "Группировка блоков...");
  EXPECT_FALSE(controlState(s.session).remove);
  s.listJobs.regroup(0);
  EXPECT_TRUE(s.jobs.stopRequested());
  s.listJobs.regroup(1);
  s.jobs.wait();
  EXPECT_FALSE(s.session.busy());

  BlockList atOnce;
  regroup(s.session.rawBlocks(), 1, atOnce);
  const Totals totals = recalculate(atOnce, false, s.session.targetLength());
  ASSERT_EQ(s.session.blocks().count(), kBlocks / 2 + 1);
  ASSERT_EQ(s.session.blocks().count(), atOnce.count());
  for (int i = 0; i < atOnce.count(); i += 997)
    EXPECT_EQ(s.session.blocks().text(i), atOnce.text(i));
  EXPECT_EQ(s.session.blocks().text(atOnce.count() - 1), atOnce.text(atOnce.count() - 1));
  EXPECT_EQ(s.session.status(), totalsText(totals));
  EXPECT_TRUE(controlState(s.session).remove);
}

}  // namespace
}  // namespace hm::test
