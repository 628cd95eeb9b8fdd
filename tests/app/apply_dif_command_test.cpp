#include "app/apply_dif_command.h"

#include "dif/patch_verification.h"
#include "support/command_fixture.h"
#include "support/dif_builder.h"
#include "support/memory_file_system.h"
#include "support/scripted.h"

#include <chrono>
#include <map>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace hm::test {
namespace {

const char kApplied[] = "DIF файл успешно установлен!";

class ApplyDifCommandTest : public testing::Test, public CommandFixture {};

// A counterpart that is there but cannot tell whether the BIN is the source is asked about.
TEST_F(ApplyDifCommandTest, AnUnusableBackupIsAskedAbout) {
  fs.files["p.dif"] = DifBuilder(1).record(0, {9}).bytes();
  fs.files["p.dif_bak.dif"] = {'d', 'a', 'm', 'a', 'g', 'e', 'd'};
  fs.files["in.bin"] = Bytes(4, 0);
  for (const MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Yes}) {
    messenger.shown.clear();
    messenger.answers = {answer};
    dialogs.paths = {"p.dif", "in.bin", "out.bin"};
    EXPECT_EQ(applyDif(), answer == MessageAnswer::Yes ? ApplyEnd::Applied : ApplyEnd::Refused);
    ASSERT_FALSE(messenger.shown.empty());
    EXPECT_EQ(messenger.shown[0].text, "Неверный DIF файл!!! p.dif_bak.dif Всё равно установить?");
    EXPECT_EQ(messenger.shown[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(fs.files.count("out.bin") == 1, answer == MessageAnswer::Yes);
  }
  EXPECT_EQ(session.status(), "DIF установлен без проверки BIN.");
}

TEST_F(ApplyDifCommandTest, AnInvalidDifIsRefusedBeforeTheBinIsAsked) {
  const std::string bad("SPFDSGHA <=HEXMARSHAL=> \0\0\0\0\1\0\0\0XBLKNORD", 40);
  fs.files["bad.dif"] = Bytes(bad.begin(), bad.end());
  dialogs.paths = {"bad.dif", "never.bin"};
  EXPECT_EQ(applyDif(), ApplyEnd::Failed);
  EXPECT_EQ(messenger.lastText(), "Неверный DIF файл!!!");
  EXPECT_EQ(messenger.shown.back().icon, MessageIcon::Stop);
  EXPECT_EQ(dialogs.requests.size(), 1u);
}

// A DIF named on the command line or dropped on the window answers the first question.
TEST_F(ApplyDifCommandTest, ADifGivenBeforehandAsksOnlyForTheBinAndTheOutput) {
  fs.files["bin.bin"] = Bytes(4, 0);
  fs.files["p.dif"] = DifBuilder(0).bytes();
  dialogs.paths = {"bin.bin", "out.bin"};
  EXPECT_EQ(applyDif("p.dif"), ApplyEnd::Applied);
  ASSERT_EQ(dialogs.requests.size(), 2u);
  EXPECT_EQ(dialogs.requests[0].title, "Выберите Исходный BIN Файл");
  EXPECT_FALSE(dialogs.requests[1].title.empty());
  EXPECT_TRUE(dialogs.requests[1].save);
  EXPECT_EQ(fs.files["out.bin"], Bytes(4, 0));
}

// With its counterpart beside it a DIF is applied to its source without a question; to anything
// else only when the user says Yes, No being the default.
struct VerifyCase {
  const char* name;
  const char* dif;
  const char* bin;
  bool withBackup;
  MessageAnswer answer;
  const char* question;  // "" when none is asked
  const char* written;   // what out.bin must equal; "" when nothing is written
  const char* status;
};

void PrintTo(const VerifyCase& c, std::ostream* os) {
  *os << c.name;
}

const char kVerified[] = "DIF установлен на проверенный BIN.";
const char kAlready[] = "DIF уже установлен на этот BIN. Всё равно установить?";
const char kDiffers[] =
    "BIN не совпадает с исходным: отличается 1 блок из 2, первый по адресу 000041. "
    "Всё равно установить?";
const char kCancelled[] = "Установка DIF отменена.";

const VerifyCase kVerifyCases[] = {
    {"Source", "p.dif", "src.bin", true, MessageAnswer::No, "", "tgt.bin", kVerified},
    {"PatchedNo", "p.dif", "tgt.bin", true, MessageAnswer::No, kAlready, "", kCancelled},
    {"PatchedYes", "p.dif", "tgt.bin", true, MessageAnswer::Yes, kAlready, "tgt.bin",
     "DIF установлен повторно."},
    {"MixedNo", "p.dif", "mixed.bin", true, MessageAnswer::No, kDiffers, "", kCancelled},
    {"MixedYes", "p.dif", "mixed.bin", true, MessageAnswer::Yes, kDiffers, "tgt.bin",
     "DIF установлен на BIN, не совпадающий с исходным."},
    {"NoBackup", "p.dif", "mixed.bin", false, MessageAnswer::No, "", "tgt.bin",
     "DIF установлен без проверки BIN."},
    {"UndoOfThePatchedBin", "p.dif_bak.dif", "tgt.bin", true, MessageAnswer::No, "", "src.bin",
     kVerified},
    {"UndoOfTheSourceNo", "p.dif_bak.dif", "src.bin", true, MessageAnswer::No, kAlready, "",
     kCancelled},
};

class VerifiedApplying : public testing::TestWithParam<VerifyCase>, public CommandFixture {};

TEST_P(VerifiedApplying, AsksOnlyWhenTheBinIsNotTheSource) {
  const VerifyCase& c = GetParam();
  std::mt19937 rng(5);
  Bytes source(0x80);
  for (auto& b : source) b = static_cast<std::uint8_t>(rng());
  Bytes target = source;
  for (int i : {0x10, 0x11, 0x40, 0x41, 0x42}) target[i] ^= 0xFF;
  Bytes mixed = source;
  mixed[0x41] = target[0x41];
  auto slice = [](const Bytes& image, int at, int n) {
    return Bytes(image.begin() + at, image.begin() + at + n);
  };
  fs.files["src.bin"] = source;
  fs.files["tgt.bin"] = target;
  fs.files["mixed.bin"] = mixed;
  fs.files["p.dif"] = DifBuilder(2)
                          .record(0x10, slice(target, 0x10, 2))
                          .record(0x40, slice(target, 0x40, 3))
                          .bytes();
  if (c.withBackup) {
    fs.files["p.dif_bak.dif"] = DifBuilder(2)
                                    .record(0x10, slice(source, 0x10, 2))
                                    .record(0x40, slice(source, 0x40, 3))
                                    .bytes();
  }
  dialogs.paths = {c.dif, c.bin, "out.bin"};
  messenger.answers = {c.answer, MessageAnswer::Ok};
  const ApplyEnd end = applyDif();

  if (*c.question) {
    ASSERT_FALSE(messenger.shown.empty());
    EXPECT_EQ(messenger.shown[0].text, c.question);
    EXPECT_EQ(messenger.shown[0].buttons, MessageButtons::YesNo);
  } else {
    EXPECT_EQ(messenger.shown.size(), 1u);
  }
  if (*c.written) {
    EXPECT_EQ(end, ApplyEnd::Applied);
    EXPECT_EQ(fs.files["out.bin"], fs.files[c.written]);
    EXPECT_EQ(messenger.lastText(), kApplied);
  } else {
    EXPECT_EQ(end, ApplyEnd::Refused);
    EXPECT_FALSE(fs.files.count("out.bin"));
    // Refused before the output is even asked for.
    EXPECT_EQ(dialogs.requests.size(), 2u);
  }
  EXPECT_EQ(session.status(), c.status);
}

INSTANTIATE_TEST_SUITE_P(Bins, VerifiedApplying, testing::ValuesIn(kVerifyCases),
                         [](const testing::TestParamInfo<VerifyCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace hm::test

namespace hm::test {
namespace {

// Answers from a script, and a record of what was asked and told: the same script with the
// output named beforehand (one pass over the BIN) and without (verify, then apply).
class RecordingAnswers : public ApplyAnswers {
 public:
  RecordingAnswers(bool beforehand, bool yes) : beforehand_(beforehand), yes_(yes) {}
  std::string difToApply() override { return "/p.dif"; }
  std::string binToPatch() override { return "/in.bin"; }
  std::string outputPath() override { return "/out.bin"; }
  bool applyAnyway(const ApplyDoubt& doubt) override {
    told.push_back("doubt " + std::to_string(doubt.kind) + " " + differsText(doubt.check) + " " +
                   doubt.why);
    return yes_;
  }
  void applied(const char* done, const std::string& unverified) override {
    told.push_back(std::string("applied ") + done + " " + unverified);
  }
  void refused(const ApplyDoubt& doubt) override {
    told.push_back("refused " + std::to_string(doubt.kind));
  }
  bool outputKnownBeforehand() const override { return beforehand_; }

  std::vector<std::string> told;

 private:
  bool beforehand_, yes_;
};

struct OnePassOutcome {
  ApplyEnd end;
  std::vector<std::string> told, shown;
  std::map<std::string, Bytes> files;
};

OnePassOutcome applyWith(const std::map<std::string, Bytes>& files, bool beforehand, bool yes) {
  MemoryFileSystem fs;
  fs.files = files;
  ScriptedMessenger messenger;
  RecordingAnswers answers(beforehand, yes);
  OnePassOutcome outcome{applyDifCommand(fs, messenger, answers, std::chrono::milliseconds(0)),
                         answers.told,
                         {},
                         fs.files};
  for (const auto& shown : messenger.shown) outcome.shown.push_back(shown.text);
  return outcome;
}

// Whatever the BIN and the counterpart, verifying while applying asks, tells and writes what
// verifying first and applying after does.
TEST(ApplyInOnePassTest, AsksTellsAndWritesWhatTwoPassesDo) {
  std::mt19937 random(9);
  Bytes source(3000);
  for (std::uint8_t& b : source) b = static_cast<std::uint8_t>(random());
  const std::vector<std::pair<std::int32_t, std::size_t>> blocks = {
      {5, 3}, {700, 400}, {1500, 1}, {2990, 30}};  // the last reaches past the BIN's end
  DifBuilder dif(4), backup(4), descending(2);
  Bytes patched = source;
  for (auto [address, length] : blocks) {
    Bytes now(length), was(length, 0);
    for (std::size_t i = 0; i < length; ++i) {
      const auto at = static_cast<std::size_t>(address) + i;
      now[i] = static_cast<std::uint8_t>(random());
      if (at < source.size()) was[i] = source[at];
      if (at >= patched.size()) patched.resize(at + 1, 0);
      patched[at] = now[i];
    }
    dif.record(address, now);
    backup.record(address, was);
  }
  descending.record(100, {1, 2}).record(10, {3});
  Bytes differing = source;
  differing[800] ^= 1;
  Bytes shorter(source.begin(), source.begin() + 1000);

  const std::vector<std::pair<const char*, std::map<std::string, Bytes>>> cases = {
      {"source",
       {{"/p.dif", dif.bytes()}, {"/p.dif_bak.dif", backup.bytes()}, {"/in.bin", source}}},
      {"patched",
       {{"/p.dif", dif.bytes()}, {"/p.dif_bak.dif", backup.bytes()}, {"/in.bin", patched}}},
      {"differing",
       {{"/p.dif", dif.bytes()}, {"/p.dif_bak.dif", backup.bytes()}, {"/in.bin", differing}}},
      {"shorter",
       {{"/p.dif", dif.bytes()}, {"/p.dif_bak.dif", backup.bytes()}, {"/in.bin", shorter}}},
      {"output_there",
       {{"/p.dif", dif.bytes()},
        {"/p.dif_bak.dif", backup.bytes()},
        {"/in.bin", differing},
        {"/out.bin", {7}}}},
      {"no_backup", {{"/p.dif", dif.bytes()}, {"/in.bin", source}}},
      {"damaged_backup",
       {{"/p.dif", dif.bytes()}, {"/p.dif_bak.dif", {1, 2}}, {"/in.bin", source}}},
      {"descending",
       {{"/p.dif", descending.bytes()},
        {"/p.dif_bak.dif", DifBuilder(2).record(100, {0, 0}).record(10, {0}).bytes()},
        {"/in.bin", source}}},
  };
  for (const auto& [name, files] : cases) {
    for (bool yes : {false, true}) {
      const OnePassOutcome two = applyWith(files, false, yes);
      const OnePassOutcome one = applyWith(files, true, yes);
      EXPECT_EQ(one.end, two.end) << name << " " << yes;
      EXPECT_EQ(one.told, two.told) << name << " " << yes;
      EXPECT_EQ(one.shown, two.shown) << name << " " << yes;
      EXPECT_EQ(one.files, two.files) << name << " " << yes;
    }
  }
}

}  // namespace
}  // namespace hm::test
