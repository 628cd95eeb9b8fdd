#include "dif/patch_verification.h"

#include "support/byte_images.h"
#include "support/dif_builder.h"
#include "support/fault_file_system.h"
#include "support/memory_file_system.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace hm {
namespace {

using test::Bytes;
using test::DifBuilder;

struct Block {
  std::int32_t start;
  std::size_t length;
};

// The DIF of `blocks` with the bytes `image` holds there: the patch from the target, the backup
// from the source.
Bytes difOf(const Bytes& image, const std::vector<Block>& blocks) {
  DifBuilder dif(static_cast<std::int32_t>(blocks.size()));
  for (const Block& b : blocks) {
    dif.record(b.start, Bytes(image.begin() + b.start, image.begin() + b.start + b.length));
  }
  return dif.bytes();
}

Bytes cut(Bytes bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

const std::vector<Block> kBlocks = {{0x10, 4}, {0x40, 8}, {0x100, 2}};

Bytes source() {
  Bytes bytes(0x200);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
  return bytes;
}

Bytes target() {
  Bytes bytes = source();
  for (const Block& b : kBlocks) {
    for (std::size_t i = 0; i < b.length; ++i) bytes[b.start + i] ^= 0xA5;
  }
  return bytes;
}

struct ClassifyCase {
  const char* name;
  std::function<Bytes()> bin;
  PatchState state;
  std::int32_t differing;
  std::int32_t firstDifference;
};

class ClassifyTest : public testing::TestWithParam<ClassifyCase> {};

TEST_P(ClassifyTest, TellsSourceFromPatchedFromAnythingElse) {
  const ClassifyCase& c = GetParam();
  const PatchCheck check = classifyBin(difOf(target(), kBlocks), difOf(source(), kBlocks), c.bin());
  EXPECT_EQ(check.state, c.state);
  EXPECT_EQ(check.blocks, 3);
  EXPECT_EQ(check.differing, c.differing);
  EXPECT_EQ(check.firstDifference, c.firstDifference);
}

INSTANTIATE_TEST_SUITE_P(
    Bins, ClassifyTest,
    testing::Values(ClassifyCase{"Source", source, PatchState::Source, 0, 0},
                    ClassifyCase{"OnlyTheBlocksAreLookedAt",
                                 [] {
                                   Bytes bin = source();
                                   bin[0x20] ^= 1;
                                   bin.resize(0x102);
                                   return bin;
                                 },
                                 PatchState::Source, 0, 0},
                    ClassifyCase{"Patched", target, PatchState::Applied, 3, 0x10},
                    ClassifyCase{"MixedOneBlockPatched",
                                 [] {
                                   Bytes bin = source();
                                   const Bytes t = target();
                                   std::copy(t.begin() + 0x40, t.begin() + 0x48,
                                             bin.begin() + 0x40);
                                   return bin;
                                 },
                                 PatchState::Differs, 1, 0x40},
                    ClassifyCase{"MixedOneByteOfEach",
                                 [] {
                                   Bytes bin = source();
                                   bin[0x102 - 1] ^= 1;
                                   bin[0x45] ^= 1;
                                   return bin;
                                 },
                                 PatchState::Differs, 2, 0x45},
                    ClassifyCase{"AnotherImage", [] { return Bytes(0x200, 0xFF); },
                                 PatchState::Differs, 3, 0x10},
                    ClassifyCase{"ShorterThanABlock", [] { return cut(source(), 0x101); },
                                 PatchState::Differs, 1, 0x101},
                    ClassifyCase{"EndingBeforeABlock", [] { return cut(source(), 0x80); },
                                 PatchState::Differs, 1, 0x100},
                    ClassifyCase{"PatchedButShorterThanABlock", [] { return cut(target(), 0x101); },
                                 PatchState::Differs, 3, 0x10},
                    ClassifyCase{"Empty", [] { return Bytes(); }, PatchState::Differs, 3, 0x10}),
    [](const testing::TestParamInfo<ClassifyCase>& info) { return info.param.name; });

// A comparison with a longer target puts zeros into the backup where the source had no bytes;
// applying grows the BIN with the same zeros, so its own source is no mismatch.
struct GrowingCase {
  const char* name;
  bool undo;            // the backup is applied, checked against the DIF
  std::size_t binSize;  // of the source, or 0 for the target
  PatchState state;
  std::int32_t firstDifference;
};

class GrowingPatchTest : public testing::TestWithParam<GrowingCase> {};

TEST_P(GrowingPatchTest, ZerosPastTheSourceEndAreWhatApplyingAdds) {
  const GrowingCase& c = GetParam();
  const Bytes grown = [] {
    Bytes bytes = source();
    bytes[0xFE] ^= 0xFF;
    bytes.insert(bytes.end(), {1, 2, 3, 4});
    return bytes;
  }();
  const Bytes backupImage = [] {
    Bytes bytes = source();
    bytes.resize(0x204);
    return bytes;
  }();
  // One block ending at the source's end, one beginning right there and running into the tail.
  const std::vector<Block> blocks = {{0xFE, 1}, {0x1FF, 1}, {0x200, 4}};
  const Bytes bin = c.binSize ? cut(source(), c.binSize) : grown;
  const Bytes patch = difOf(grown, blocks);
  const Bytes backup = difOf(backupImage, blocks);
  const PatchCheck check =
      c.undo ? classifyBin(backup, patch, bin) : classifyBin(patch, backup, bin);
  EXPECT_EQ(check.state, c.state);
  EXPECT_EQ(check.firstDifference, c.firstDifference);
}

INSTANTIATE_TEST_SUITE_P(
    Bins, GrowingPatchTest,
    testing::Values(GrowingCase{"ItsSource", false, 0x200, PatchState::Source, 0},
                    GrowingCase{"ItsTarget", false, 0, PatchState::Applied, 0xFE},
                    // The source's last byte, not zero, is missing, and the tail now begins
                    // past the end: the gap before it was never the source's.
                    GrowingCase{"SourceOneByteShort", false, 0x1FF, PatchState::Differs, 0x1FF},
                    GrowingCase{"SourceTwoBytesShort", false, 0x1FE, PatchState::Differs, 0x1FF},
                    GrowingCase{"UndoOnItsTarget", true, 0, PatchState::Source, 0},
                    GrowingCase{"UndoOnItsSource", true, 0x200, PatchState::Applied, 0xFE}),
    [](const testing::TestParamInfo<GrowingCase>& info) { return info.param.name; });

struct DiffersTextCase {
  std::int32_t differing;
  std::int32_t blocks;
  std::int32_t first;
  const char* text;
};

class DiffersTextTest : public testing::TestWithParam<DiffersTextCase> {};

TEST_P(DiffersTextTest, CountsInRussian) {
  const DiffersTextCase& c = GetParam();
  PatchCheck check{PatchState::Differs, c.blocks, c.differing, c.first};
  EXPECT_EQ(differsText(check), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, DiffersTextTest,
    testing::Values(
        DiffersTextCase{3, 120, 0x01A2F0,
                        "BIN не совпадает с исходным: отличаются 3 блока из 120, первый по адресу "
                        "01A2F0."},
        DiffersTextCase{1, 1, 0,
                        "BIN не совпадает с исходным: отличается 1 блок из 1, первый по адресу "
                        "000000."},
        DiffersTextCase{5, 9, 0xFFFFFF,
                        "BIN не совпадает с исходным: отличаются 5 блоков из 9, первый по адресу "
                        "FFFFFF."},
        DiffersTextCase{11, 11, 1,
                        "BIN не совпадает с исходным: отличаются 11 блоков из 11, первый по адресу "
                        "000001."},
        DiffersTextCase{21, 30, 1,
                        "BIN не совпадает с исходным: отличается 21 блок из 30, первый по адресу "
                        "000001."},
        DiffersTextCase{112, 200, 1,
                        "BIN не совпадает с исходным: отличаются 112 блоков из 200, первый по "
                        "адресу 000001."}));

struct CounterpartCase {
  const char* name;
  std::optional<Bytes> backup;  // nothing: there is none
  const char* error;            // null: it fits
};

class CounterpartTest : public testing::TestWithParam<CounterpartCase> {};

TEST_P(CounterpartTest, FitsOnlyWithTheSameBlocksInTheSameOrder) {
  const CounterpartCase& c = GetParam();
  test::MemoryFileSystem files;
  test::FaultFileSystem fs(files);
  const Bytes dif = DifBuilder(2).record(0x10, {1, 2}).record(0x20, {3}).bytes();
  if (c.backup) files.files["/p.dif_bak.dif"] = *c.backup;
  if (c.backup && c.backup->empty()) fs.unreadable.insert("/p.dif_bak.dif");
  Result<ByteImage> read = readCounterpart(fs, "/p.dif", dif);
  if (!c.error) {
    EXPECT_TRUE(read.ok()) << read.error().message;
    return;
  }
  ASSERT_FALSE(read.ok());
  EXPECT_EQ(read.error().message, c.error);
}

INSTANTIATE_TEST_SUITE_P(
    Backups, CounterpartTest,
    testing::Values(
        CounterpartCase{"SameBlocksOtherBytes",
                        DifBuilder(2).record(0x10, {7, 7}).record(0x20, {7}).bytes(), nullptr},
        CounterpartCase{"None", std::nullopt, "Нет DIF для проверки: /p.dif_bak.dif"},
        CounterpartCase{"Unreadable", Bytes(), "Ошибка открытия файла! /p.dif_bak.dif"},
        CounterpartCase{
            "Invalid",
            DifBuilder(2).record(0x10, {7, 7}).rawRecord("XBLKNORD", 5, 0x20, {7}).bytes(),
            "Неверный DIF файл!!! /p.dif_bak.dif"},
        CounterpartCase{"OtherAddress",
                        DifBuilder(2).record(0x10, {7, 7}).record(0x21, {7}).bytes(),
                        "DIF для проверки не подходит, в нём другие блоки: /p.dif_bak.dif"},
        CounterpartCase{"OtherLength", DifBuilder(2).record(0x10, {7}).record(0x20, {7}).bytes(),
                        "DIF для проверки не подходит, в нём другие блоки: /p.dif_bak.dif"},
        CounterpartCase{"OtherOrder", DifBuilder(2).record(0x20, {7}).record(0x10, {7, 7}).bytes(),
                        "DIF для проверки не подходит, в нём другие блоки: /p.dif_bak.dif"},
        CounterpartCase{"OneBlockLess", DifBuilder(1).record(0x10, {7, 7}).bytes(),
                        "DIF для проверки не подходит, в нём другие блоки: /p.dif_bak.dif"}),
    [](const testing::TestParamInfo<CounterpartCase>& info) { return info.param.name; });

TEST(CounterpartPathTest, BackupAndDifPointAtEachOther) {
  EXPECT_EQ(counterpartPath("/w/p.dif"), "/w/p.dif_bak.dif");
  EXPECT_EQ(counterpartPath("/w/p.dif_bak.dif"), "/w/p.dif");
  EXPECT_EQ(counterpartPath("/w/p.DIF_bak.dif"), "/w/p.DIF");
  // Only the suffix written exactly so marks a backup.
  EXPECT_EQ(counterpartPath("/w/p.dif_BAK.DIF"), "/w/p.dif_BAK.DIF_bak.dif");
}

// Undoing is verified the other way round: the patched BIN is the backup's source.
TEST(VerifyPatchTest, UndoIsVerifiedAgainstTheDifItWasWrittenWith) {
  test::MemoryFileSystem fs;
  const Bytes patch = difOf(target(), kBlocks);
  const Bytes backup = difOf(source(), kBlocks);
  fs.files["/p.dif"] = patch;
  fs.files["/p.dif_bak.dif"] = backup;
  Result<PatchCheck> onPatched = verifyPatch(fs, "/p.dif_bak.dif", backup, target());
  ASSERT_TRUE(onPatched.ok());
  EXPECT_EQ(onPatched->state, PatchState::Source);
  Result<PatchCheck> onSource = verifyPatch(fs, "/p.dif_bak.dif", backup, source());
  ASSERT_TRUE(onSource.ok());
  EXPECT_EQ(onSource->state, PatchState::Applied);
}

}  // namespace
}  // namespace hm
