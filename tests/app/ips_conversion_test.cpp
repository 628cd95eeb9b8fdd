#include "app/ips_conversion.h"

#include "dif/dif_reader.h"
#include "platform/clock.h"
#include "platform/user_texts.h"
#include "support/byte_images.h"
#include "support/dif_builder.h"
#include "support/ips_builder.h"
#include "support/memory_file_system.h"
#include "support/scripted.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace hm {
namespace {

using test::Bytes;

Bytes counting(std::size_t size, std::uint8_t seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 13 + seed);
  return bytes;
}

struct Job {
  test::MemoryFileSystem fs;
  test::ScriptedMessenger messenger;
  ManualClock clock;

  int line(const std::string& args) {
    JobContext context{fs, messenger, clock, {}};
    return runUnattended(parseCommandLine(args, fs), context);
  }
};

// A BIN and a DIF that patches it in several ways: a long block, a run, blocks out of order, and
// with `growing` one past the BIN's end.
Job withPatch(bool growing) {
  Job run;
  run.fs.files["/w/old.bin"] = counting(0x30000, 1);
  test::DifBuilder dif(growing ? 4 : 3);
  dif.record(0x8000, counting(0x12000, 5)).record(0x10, Bytes(0x40, 0)).record(0x4, {9, 8, 7});
  if (growing) dif.record(0x2FFF0, counting(0x40, 3));
  run.fs.files["/w/patch.dif"] = dif.bytes();
  return run;
}

// The applying form, with the .ips and with the .dif, writes the same BIN; converting back gives
// the DIF converted from.
TEST(IpsConversionTest, AnIpsAppliesAsTheDifItWasWrittenFrom) {
  Job run = withPatch(true);
  ASSERT_EQ(run.line("/w/patch.dif /c:/w/patch.IPS"), kExitDone);
  ASSERT_EQ(run.line("/w/patch.IPS /c:/w/back.dif"), kExitDone);
  EXPECT_EQ(run.fs.files["/w/back.dif"], run.fs.files["/w/patch.dif"]);

  ASSERT_EQ(run.line("/w/old.bin /a:/w/patch.IPS /o:/w/by_ips.bin"), kExitDone);
  ASSERT_EQ(run.line("/w/old.bin /a:/w/patch.dif /o:/w/by_dif.bin"), kExitDone);
  EXPECT_EQ(run.fs.files["/w/by_ips.bin"], run.fs.files["/w/by_dif.bin"]);
  EXPECT_EQ(run.fs.files["/w/by_ips.bin"].size(), 0x30030u);
}

// With the source the backup is written too, with the blocks the IPS reads back as, so the
// applying form verifies the BIN by it and the check form tells an applied BIN.
TEST(IpsConversionTest, BackupFromTheSourceVerifiesTheIps) {
  Job run = withPatch(false);
  ASSERT_EQ(run.line("/w/patch.dif /s:/w/old.bin /c:/w/patch.ips"), kExitDone);
  ASSERT_TRUE(run.fs.files.count("/w/patch.ips_bak.dif"));
  run.messenger.shown.clear();
  ASSERT_EQ(run.line("/w/old.bin /a:/w/patch.ips /o:/w/new.bin"), kExitDone);
  for (const auto& shown : run.messenger.shown) {
    EXPECT_EQ(shown.text.find(kAppliedUnverifiedText), std::string::npos) << shown.text;
  }
  EXPECT_EQ(run.line("/w/new.bin /v:/w/patch.ips"), kExitAlreadyApplied);
  EXPECT_EQ(run.line("/w/new.bin /a:/w/patch.ips_bak.dif /o:/w/undone.bin"), kExitDone);
  EXPECT_EQ(run.fs.files["/w/undone.bin"], run.fs.files["/w/old.bin"]);
}

struct Refusal {
  const char* what;
  Bytes patch;
  const char* args;
  int status;
  std::string message;
};

TEST(IpsConversionTest, RefusesWritingNothing) {
  test::DifBuilder at454F46(1);
  at454F46.record(0x454F46, {1});
  const Refusal cases[] = {
      {"a cut", test::IpsBuilder().end().number(5, 3).bytes(), "/w/p.ips /c:/w/out.dif",
       kExitJobError, withWhy(kInvalidIpsText, kIpsCutsText)},
      {"no DIF at all",
       {'n', 'o', 'p', 'e'},
       "/w/p.ips /c:/w/out.ips",
       kExitJobError,
       kInvalidDifApplyText},
      {"a block at 454F46 and nothing before it", at454F46.bytes(), "/w/p.ips /c:/w/out.ips",
       kExitJobError, ""},
      {"a block past the source", test::IpsBuilder().record(0x100, {1}).end().bytes(),
       "/w/p.ips /s:/w/old.bin /c:/w/out.ips", kExitJobError, ""},
      {"a missing source", test::IpsBuilder().end().bytes(),
       "/w/p.ips /s:/w/none.bin /c:/w/out.ips", kExitNotFound, kFileNotFoundText},
  };
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.what);
    Job run;
    run.fs.files["/w/p.ips"] = c.patch;
    run.fs.files["/w/old.bin"] = Bytes(0x10, 0);
    run.fs.files["/w/out.ips"] = {'o', 'l', 'd'};
    run.fs.files["/w/out.dif"] = {'o', 'l', 'd'};
    const auto before = run.fs.files;
    EXPECT_EQ(run.line(c.args), c.status);
    EXPECT_EQ(run.fs.files, before);
    ASSERT_FALSE(run.messenger.shown.empty());
    if (!c.message.empty()) {
      EXPECT_EQ(run.messenger.lastText(), c.message);
    }
  }
}

// A block moved off 454F46 takes the byte the source holds where the patch leaves it alone, so
// the IPS applies to that source as the DIF does.
TEST(IpsConversionTest, ABlockAt454F46TakesItsFirstByteFromTheSource) {
  Job run;
  test::DifBuilder dif(1);
  dif.record(0x454F46, {1, 2});
  run.fs.files["/w/p.dif"] = dif.bytes();
  Bytes source(0x454F50, 0);
  source[0x454F45] = 0xC3;
  run.fs.files["/w/old.bin"] = source;
  ASSERT_EQ(run.line("/w/p.dif /s:/w/old.bin /c:/w/p.ips"), kExitDone);
  EXPECT_EQ(run.fs.files["/w/p.ips"],
            test::IpsBuilder().record(0x454F45, {0xC3, 1, 2}).end().bytes());
  ASSERT_EQ(run.line("/w/old.bin /a:/w/p.ips /o:/w/a.bin"), kExitDone);
  ASSERT_EQ(run.line("/w/old.bin /a:/w/p.dif /o:/w/b.bin"), kExitDone);
  EXPECT_EQ(run.fs.files["/w/a.bin"], run.fs.files["/w/b.bin"]);
}

TEST(IpsConversionTest, ConvertsAFileInPlace) {
  Job run;
  run.fs.files["/w/p.ips"] = test::IpsBuilder().record(1, {2}).end().bytes();
  ASSERT_EQ(run.line("/w/p.ips /c:/w/p.ips"), kExitDone);
  EXPECT_EQ(run.fs.files["/w/p.ips"], test::IpsBuilder().record(1, {2}).end().bytes());
}

}  // namespace
}  // namespace hm
