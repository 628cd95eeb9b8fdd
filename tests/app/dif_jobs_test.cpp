#include "app/dif_jobs.h"

#include "app/control_state.h"
#include "support/command_fixture.h"
#include "support/step_jobs.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

#include <gtest/gtest.h>

namespace hm::test {
namespace {

// The window's long DIF work run step by step, so that "Отмена" can come while it is under way.
class DifJobsTest : public testing::Test, public CommandFixture {
 public:
  void SetUp() override {
    session.setEditingDif(false);
    source = Bytes(4096, 0x11);
    target = source;
    for (std::size_t at : {100u, 101u, 900u, 3000u}) target[at] = 0x99;
    ASSERT_TRUE(searchPair(source, target));
    session.setBackupWanted(true);
    dialogs.paths = {"old.dif"};
    ASSERT_TRUE(writeDif());
    realDif = fs.files["old.dif"];
    fs.files["old.dif"] = Bytes{1, 2, 3};  // what a cancelled write must leave alone
    fs.files["old.dif_bak.dif"] = Bytes{4, 5, 6};
    fs.files["out.bin"] = Bytes{7, 8};
    before = fs.files;
  }

  // Runs each waiting step; "Отмена" comes before step `cancelAt` (counted from 0).
  void runSteps(int cancelAt) {
    for (int step = 0; steps.running(); ++step) {
      if (step == cancelAt) {
        EXPECT_TRUE(controlState(session).cancelShown);
        difJobs.cancel();
        EXPECT_FALSE(controlState(session).cancelShown);
      }
      steps.runOne();
    }
  }

  // Applies real.dif to s.bin into out.bin, asked as the window asks.
  void apply() {
    fs.files["real.dif"] = realDif;
    dialogs.paths = {"real.dif", "s.bin", "out.bin"};
    difJobs.apply(std::make_shared<DialogApplyAnswers>(session, chooser, messenger), {});
  }

  Bytes source, target, realDif;
  std::map<std::string, Bytes> before;
  StepJobs steps;
  DifJobs difJobs{session, steps, listJobs, messenger};
};

struct StoppedJob {
  const char* name;
  std::function<void(DifJobsTest&)> start;
  int cancelAt;
  const char* status;
};

TEST_F(DifJobsTest, CancelledWorkLeavesEveryFileAsItWas) {
  const StoppedJob jobs[] = {
      {"write", [](DifJobsTest& t) { t.difJobs.write("old.dif", {}); }, 0,
       "Запись DIF файла отменена."},
      {"open", [](DifJobsTest& t) { t.difJobs.open("old.dif_bak.dif"); }, 0,
       "Чтение DIF файла отменено."},
      {"apply, reading the DIF", [](DifJobsTest& t) { t.apply(); }, 0, "Установка DIF отменена."},
      {"apply, comparing the BIN", [](DifJobsTest& t) { t.apply(); }, 1, "Установка DIF отменена."},
      {"apply, writing", [](DifJobsTest& t) { t.apply(); }, 2, "Установка DIF отменена."},
  };
  for (const StoppedJob& job : jobs) {
    SCOPED_TRACE(job.name);
    SetUp();
    job.start(*this);
    ASSERT_TRUE(session.busy());
    runSteps(job.cancelAt);
    EXPECT_FALSE(session.busy());
    EXPECT_FALSE(session.difWork());
    EXPECT_EQ(session.status(), job.status);
    fs.files.erase("real.dif");
    EXPECT_EQ(fs.files, before);
  }
}

TEST_F(DifJobsTest, OpeningCancelledLeavesAnEmptyListInEditingMode) {
  // A real DIF this time, so the opening gets as far as listing it.
  fs.files["real.dif"] = realDif;
  difJobs.open("real.dif");
  runSteps(0);
  EXPECT_TRUE(session.editingDif());
  EXPECT_EQ(session.blocks().count(), 0);
  EXPECT_TRUE(session.difBytes().empty());
}

TEST_F(DifJobsTest, AWriteThatEndedBeforeTheCancelStaysWritten) {
  difJobs.write("new.dif", {});
  steps.runOne(JobEnd::Stopped);
  EXPECT_TRUE(fs.files.count("new.dif"));
  EXPECT_TRUE(fs.files.count("new.dif_bak.dif"));
  EXPECT_EQ(session.status(), "DIF файл успешно создан!");
}

TEST_F(DifJobsTest, LongWorkSaysHowFarItGot) {
  // A block of 9 MiB: its write passes the 8 MiB at which progress is told.
  source.assign(9u << 20, 0);
  target.assign(9u << 20, 1);
  ASSERT_TRUE(searchPair(source, target));
  session.setBackupWanted(false);
  statuses.texts.clear();
  difJobs.write("big.dif", {});
  runSteps(-1);
  EXPECT_EQ(statuses.texts,
            (std::vector<std::string>{"Запись DIF файла...", "Запись DIF файла... 9 МБ",
                                      "DIF файл успешно создан!"}));
  statuses.texts.clear();
  difJobs.open("big.dif");
  runSteps(-1);
  ASSERT_EQ(session.blocks().count(), 1);
  EXPECT_EQ(statuses.texts.front(), "Чтение данных о блоках...");
}

}  // namespace

}  // namespace hm::test
