#include "dif/dif_applier.h"

#include "support/byte_images.h"
#include "support/dif_builder.h"
#include "support/fault_file_system.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

namespace hm {
namespace {

using test::Bytes;
using test::bytesOf;
using test::DifBuilder;
using test::FaultFileSystem;
using test::imageOf;

struct ApplyCase {
  const char* name;
  Bytes bin;
  Bytes dif;
  Bytes patched;
};

class ApplyDifTest : public testing::TestWithParam<ApplyCase> {};

TEST_P(ApplyDifTest, PatchesTheImage) {
  const ApplyCase& c = GetParam();
  ASSERT_TRUE(checkDif(c.dif).ok());
  ByteImage bin = imageOf(c.bin);
  applyDif(c.dif, bin);
  EXPECT_EQ(bytesOf(bin), c.patched);
}

// The same cases from files: records that ascend are copied with the BIN seen in place, others
// are applied in memory.
TEST_P(ApplyDifTest, PatchesTheFile) {
  const ApplyCase& c = GetParam();
  test::TempDir dir;
  test::writeFile(dir.file("p.dif"), c.dif);
  test::writeFile(dir.file("in.bin"), c.bin);
  ASSERT_TRUE(
      applyDifFile(realFileSystem(), dir.file("p.dif"), dir.file("in.bin"), dir.file("out.bin")));
  EXPECT_EQ(test::readFile(dir.file("out.bin")), c.patched);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ApplyDifTest,
    testing::Values(
        ApplyCase{"NoBlocksLeavesItUnchanged", {1, 2, 3}, DifBuilder(0).bytes(), {1, 2, 3}},
        ApplyCase{
            "BlockInside", {1, 2, 3, 4}, DifBuilder(1).record(1, {8, 9}).bytes(), {1, 8, 9, 4}},
        ApplyCase{"BlockEndingAtTheOldEnd",
                  {1, 2, 3},
                  DifBuilder(1).record(1, {8, 9}).bytes(),
                  {1, 8, 9}},
        ApplyCase{
            "BlockOverTheEnd", {1, 2, 3}, DifBuilder(1).record(2, {8, 9}).bytes(), {1, 2, 8, 9}},
        ApplyCase{"GapBeyondTheEndIsZero",
                  {1, 2},
                  DifBuilder(1).record(5, {9}).bytes(),
                  {1, 2, 0, 0, 0, 9}},
        ApplyCase{"EmptyBinGrows", {}, DifBuilder(1).record(2, {7}).bytes(), {0, 0, 7}},
        ApplyCase{"LongGapBeyondTheEnd",
                  {1},
                  DifBuilder(1).record(200000, {9}).bytes(),
                  [] {
                    Bytes b(200001, 0);
                    b.front() = 1;
                    b.back() = 9;
                    return b;
                  }()},
        ApplyCase{"AdjacentRecords",
                  {1, 2, 3, 4, 5},
                  DifBuilder(3).record(0, {7}).record(1, {8}).record(3, {9}).bytes(),
                  {7, 8, 3, 9, 5}},
        ApplyCase{"LaterRecordWins",
                  {0, 0, 0, 0},
                  DifBuilder(3).record(0, {1, 1, 1}).record(1, {2}).record(2, {3, 3}).bytes(),
                  {1, 2, 3, 3}},
        ApplyCase{"RecordsInAnyOrder",
                  {0, 0, 0, 0},
                  DifBuilder(2).record(3, {4}).record(0, {1}).bytes(),
                  {1, 0, 0, 4}}),
    [](const testing::TestParamInfo<ApplyCase>& info) { return info.param.name; });

class ApplyDifFileTest : public testing::Test {
 protected:
  std::string put(const std::string& name, const Bytes& bytes) {
    std::string path = dir_.file(name);
    test::writeFile(path, bytes);
    return path;
  }

  test::TempDir dir_;
  FaultFileSystem fs_;
};

TEST_F(ApplyDifFileTest, WritesThePatchedBin) {
  std::string dif = put("p.dif", DifBuilder(1).record(4, {9, 9}).bytes());
  std::string bin = put("in.bin", {1, 2, 3});
  ASSERT_TRUE(applyDifFile(fs_, dif, bin, dir_.file("out.bin")).ok());
  EXPECT_EQ(test::readFile(dir_.file("out.bin")), (Bytes{1, 2, 3, 0, 9, 9}));
  EXPECT_EQ(test::readFile(bin), (Bytes{1, 2, 3}));
}

// The largest BIN the program reads has 16,777,215 bytes; a block may still end at FFFFFF, so
// the patched BIN is one byte longer than any input.
TEST_F(ApplyDifFileTest, BlockEndingAtFFFFFFGrowsTheLargestBinByOneByte) {
  Bytes last = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  std::string dif = put("p.dif", DifBuilder(1).record(0xFFFFF0, last).bytes());
  Bytes image(0xFFFFFF, 0xAB);
  std::string bin = put("in.bin", image);
  ASSERT_TRUE(applyDifFile(fs_, dif, bin, dir_.file("out.bin")).ok());
  Bytes out = test::readFile(dir_.file("out.bin"));
  ASSERT_EQ(out.size(), 16777216u);
  EXPECT_EQ(Bytes(out.end() - 16, out.end()), last);
  EXPECT_TRUE(std::all_of(out.begin(), out.end() - 16, [](std::uint8_t b) { return b == 0xAB; }));
}

// Thousands of records, small and large, adjacent and apart: the file comes out as the image
// patched in memory.
TEST_F(ApplyDifFileTest, ManyRecordsComeOutAsPatchedInMemory) {
  Bytes image(1 << 20);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 13);
  DifBuilder builder(3000);
  std::int32_t address = 0;
  for (int i = 0; i < 3000; ++i) {
    const std::size_t length = i % 7 == 0 ? 700 : 1 + i % 40;
    builder.record(address, Bytes(length, static_cast<std::uint8_t>(i)));
    address += static_cast<std::int32_t>(length) + (i % 3 == 0 ? 0 : 1 + i % 300);
  }
  std::string dif = put("p.dif", builder.bytes());
  std::string bin = put("in.bin", image);
  ByteImage expected = imageOf(image);
  applyDif(builder.bytes(), expected);
  ASSERT_TRUE(applyDifFile(realFileSystem(), dif, bin, dir_.file("out.bin")).ok());
  EXPECT_EQ(test::readFile(dir_.file("out.bin")), bytesOf(expected));
}

TEST_F(ApplyDifFileTest, PatchesInPlace) {
  std::string dif = put("p.dif", DifBuilder(1).record(0, {7}).bytes());
  std::string bin = put("in.bin", {1, 2, 3});
  ASSERT_TRUE(applyDifFile(fs_, dif, bin, bin).ok());
  EXPECT_EQ(test::readFile(bin), (Bytes{7, 2, 3}));
}

TEST_F(ApplyDifFileTest, InvalidDifIsRejectedBeforeTheBinIsRead) {
  std::string dif =
      put("p.dif", DifBuilder(2).record(0, {7}).rawRecord("FBLKNOR_", 5, 1, {8}).bytes());
  std::string bin = put("in.bin", {1, 2, 3});
  Status status = applyDifFile(fs_, dif, bin, dir_.file("out.bin"));
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.error().code, ErrorCode::InvalidDif);
  EXPECT_EQ(status.error().message, "Неверный DIF файл!!!");
  EXPECT_EQ(fs_.readCount(bin), 0);
  EXPECT_FALSE(test::fileExists(dir_.file("out.bin")));
}

TEST_F(ApplyDifFileTest, UnreadableInputsWriteNothing) {
  std::string dif = put("p.dif", DifBuilder(1).record(0, {7}).bytes());
  std::string bin = put("in.bin", {1, 2, 3});
  std::string missing = dir_.file("missing");
  std::string damaged = put("damaged.bin", {1});
  fs_.unreadable = {damaged};
  const std::pair<std::string, std::string> inputs[] = {
      {missing, bin}, {dif, missing}, {dif, damaged}};
  for (const auto& [difPath, binPath] : inputs) {
    SCOPED_TRACE(difPath + " " + binPath);
    Status status = applyDifFile(fs_, difPath, binPath, dir_.file("out.bin"));
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().code, ErrorCode::OpenFailed);
    EXPECT_EQ(status.error().message, "Ошибка записи BIN файла!");
  }
  EXPECT_EQ(fs_.creates(), 0);
}

TEST_F(ApplyDifFileTest, FailedWriteKeepsTheEarlierOutput) {
  std::string dif = put("p.dif", DifBuilder(1).record(0, {7}).bytes());
  std::string bin = put("in.bin", {1, 2, 3});
  std::string out = put("out.bin", {5, 5, 5, 5, 5});
  fs_.failCommit = true;
  Status status = applyDifFile(fs_, dif, bin, out);
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.error().code, ErrorCode::WriteFailed);
  EXPECT_EQ(status.error().message, "Ошибка записи BIN файла!");
  EXPECT_EQ(test::readFile(out), (Bytes{5, 5, 5, 5, 5}));
}

TEST_F(ApplyDifFileTest, WriteBinIntoAFolderFails) {
  Status status = writeBin(fs_, dir_.path(), Bytes{1});
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.error().code, ErrorCode::WriteFailed);
  EXPECT_EQ(status.error().message, "Ошибка записи BIN файла!");
}

}  // namespace
}  // namespace hm
