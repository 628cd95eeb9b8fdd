#include "dif/streamed_patch.h"

#include "dif/dif_applier.h"
#include "dif/patch_verification.h"
#include "support/byte_images.h"
#include "support/dif_builder.h"
#include "support/fault_file_system.h"
#include "support/memory_file_system.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace hm {
namespace {

using test::Bytes;
using test::bytesOf;
using test::DifBuilder;
using test::FaultFileSystem;
using test::imageOf;
using test::MemoryFileSystem;

Bytes numbered(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
  return bytes;
}

Bytes filled(std::size_t size, std::uint8_t value) {
  return Bytes(size, value);
}

// A BIN and ascending records, laid out around a buffer of `buffer` bytes.
struct PatchCase {
  const char* name;
  std::size_t buffer;
  std::size_t binLength;
  std::vector<std::pair<std::int32_t, std::size_t>> records;  // address, length
};

void PrintTo(const PatchCase& c, std::ostream* os) {
  *os << c.name;
}

class StreamedPatchTest : public testing::TestWithParam<PatchCase> {};

// The in-memory apply is the reference: the same DIF over the same BIN gives the same bytes.
TEST_P(StreamedPatchTest, WritesWhatTheInMemoryApplyMakes) {
  const PatchCase& c = GetParam();
  DifBuilder dif(static_cast<std::int32_t>(c.records.size()));
  std::uint8_t value = 0x80;
  for (auto [address, length] : c.records) dif.record(address, filled(length, value++));
  const Bytes bin = numbered(c.binLength);
  ByteImage expected = imageOf(bin);
  applyDif(dif.bytes(), expected);

  MemoryFileSystem fs;
  ImageStream stream(imageOf(bin));
  Status status = writeStreamedPatch(fs, "/out.bin", dif.bytes(), stream, c.buffer);
  ASSERT_TRUE(status.ok()) << status.error().message;
  EXPECT_EQ(fs.files["/out.bin"], bytesOf(expected));

  // And with the DIF read as it comes, its records meeting the buffer's edges elsewhere.
  ImageStream difStream(imageOf(dif.bytes()));
  ImageStream binAgain(imageOf(bin));
  Result<CheckedPatch> streamed =
      writeStreamedDifPatch(fs, "/again.bin", difStream, nullptr, binAgain, c.buffer);
  ASSERT_TRUE(streamed && streamed->written && streamed->out->commit());
  EXPECT_EQ(fs.files["/again.bin"], bytesOf(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, StreamedPatchTest,
    testing::Values(
        PatchCase{"NoRecords", 16, 40, {}}, PatchCase{"EmptyBin", 16, 0, {}},
        PatchCase{"RecordAcrossABoundary", 16, 64, {{14, 4}}},
        PatchCase{"RecordEndingAtABoundary", 16, 64, {{12, 4}}},
        PatchCase{"RecordStartingAtABoundary", 16, 64, {{16, 4}}},
        PatchCase{"RecordOverSeveralBuffers", 16, 100, {{5, 70}}},
        PatchCase{"AdjacentRecords", 16, 64, {{10, 3}, {13, 5}, {18, 1}}},
        PatchCase{"OneByteBuffers", 1, 20, {{0, 1}, {3, 4}, {19, 1}}},
        PatchCase{"LengthOfTheBufferExactly", 16, 32, {{31, 1}}},
        PatchCase{"LengthOneOverTheBuffer", 16, 33, {{32, 1}}},
        PatchCase{"RecordReachingPastTheEnd", 16, 40, {{36, 10}}},
        PatchCase{"RecordFarPastTheEnd", 16, 20, {{70, 3}}},
        PatchCase{"RecordsOnAnEmptyBin", 16, 0, {{3, 2}, {40, 5}}},
        PatchCase{"EveryOtherByte", 16, 64, {{1, 1}, {3, 1}, {5, 1}, {15, 1}, {17, 1}, {63, 1}}}),
    [](const auto& info) { return std::string(info.param.name); });

// Verifying on the way: the BIN as the DIF's source, already patched, and differing in one
// block, each classified as classifyBin does from the whole image, and patched all the same.
TEST_P(StreamedPatchTest, ClassifiesAsTheWholeImageCheckDoes) {
  const PatchCase& c = GetParam();
  DifBuilder dif(static_cast<std::int32_t>(c.records.size()));
  DifBuilder backup(static_cast<std::int32_t>(c.records.size()));
  const Bytes base = numbered(c.binLength);
  Bytes source = base;  // what the DIF was made from: the backup's bytes in its blocks
  std::uint8_t value = 0x80;
  for (auto [address, length] : c.records) {
    dif.record(address, filled(length, value++));
    Bytes original(length, 0);
    for (std::size_t i = 0; i < length; ++i) {
      const std::size_t at = static_cast<std::size_t>(address) + i;
      original[i] = at < base.size() ? base[at] : 0;
    }
    backup.record(address, original);
  }
  ByteImage patchedImage = imageOf(source);
  applyDif(dif.bytes(), patchedImage);
  Bytes differing = source;
  if (!differing.empty()) differing[differing.size() / 2] ^= 0xFF;
  for (const Bytes& bin : {source, bytesOf(patchedImage), differing}) {
    const PatchCheck expected = classifyBin(dif.bytes(), backup.bytes(), bin);
    ByteImage applied = imageOf(bin);
    applyDif(dif.bytes(), applied);

    MemoryFileSystem fs;
    ImageStream stream(imageOf(bin));
    Result<CheckedPatch> got =
        writeCheckedPatch(fs, "/out.bin", dif.bytes(), backup.bytes(), stream, c.buffer);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->check.state, expected.state);
    EXPECT_EQ(got->check.blocks, expected.blocks);
    EXPECT_EQ(got->check.differing, expected.differing);
    EXPECT_EQ(got->check.firstDifference, expected.firstDifference);
    ASSERT_TRUE(got->written && got->out->commit());
    EXPECT_EQ(fs.files["/out.bin"], bytesOf(applied));

    ImageStream difStream(imageOf(dif.bytes()));
    ImageStream backupStream(imageOf(backup.bytes()));
    ImageStream binAgain(imageOf(bin));
    Result<CheckedPatch> streamed =
        writeStreamedDifPatch(fs, "/again.bin", difStream, &backupStream, binAgain, c.buffer);
    ASSERT_TRUE(streamed);
    EXPECT_EQ(streamed->check.state, expected.state);
    EXPECT_EQ(streamed->check.differing, expected.differing);
    EXPECT_EQ(streamed->check.firstDifference, expected.firstDifference);
    ASSERT_TRUE(streamed->written && streamed->out->commit());
    EXPECT_EQ(fs.files["/again.bin"], bytesOf(applied));
  }
}

// The DIFs the streamed pass leaves to the path that reads them whole, which tells what is
// wrong, even where the BIN is cut short too; a BIN cut short under good DIFs ends it. Nothing
// of the output is left behind.
TEST(StreamedDifPatchTest, LeavesWhatItCannotTakeToTheWholeRead) {
  const Bytes good = DifBuilder(2).record(2, {1, 2}).record(8, {3}).bytes();
  const Bytes goodBackup = DifBuilder(2).record(2, {5, 5}).record(8, {5}).bytes();
  struct Case {
    const char* name;
    Bytes dif, backup;
    std::size_t binLength;
    ErrorCode code;
  } cases[] = {
      {"RecordsOutOfOrder",
       DifBuilder(2).record(8, {3}).record(2, {1, 2}).bytes(),
       {},
       20,
       ErrorCode::InvalidDif},
      {"OverlappingRecords",
       DifBuilder(2).record(2, {1, 2}).record(3, {3}).bytes(),
       {},
       20,
       ErrorCode::InvalidDif},
      {"DamagedRecord",
       DifBuilder(2).record(2, {1, 2}).rawRecord("FBLKNORD", 3, 8, {}).bytes(),
       {},
       0,
       ErrorCode::InvalidDif},
      {"Ips", {'P', 'A', 'T', 'C', 'H', 'E', 'O', 'F'}, {}, 20, ErrorCode::InvalidDif},
      {"BackupWithOtherBlocks", good, DifBuilder(2).record(2, {5, 5}).record(9, {5}).bytes(), 20,
       ErrorCode::InvalidDif},
      {"BackupWithFewerBlocks", good, DifBuilder(1).record(2, {5, 5}).bytes(), 20,
       ErrorCode::InvalidDif},
      {"DamagedBackup", good, DifBuilder(2).record(2, {5, 5}).bytes(), 0, ErrorCode::InvalidDif},
      {"BinCutShort", good, goodBackup, 3, ErrorCode::OpenFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryFileSystem fs;
    ImageStream dif(imageOf(c.dif));
    ImageStream backup(imageOf(c.backup));
    // A stream that says it holds more than it gives is a BIN cut short while it is read.
    struct Short : ImageStream {
      using ImageStream::ImageStream;
      std::uint64_t size() const override { return 20; }
    } bin(imageOf(numbered(c.binLength)));
    Result<CheckedPatch> got =
        writeStreamedDifPatch(fs, "/out.bin", dif, c.backup.empty() ? nullptr : &backup, bin, 4);
    ASSERT_FALSE(got);
    EXPECT_EQ(got.error().code, c.code);
    EXPECT_TRUE(fs.files.empty());
  }
}

// ---- Faults: the output is not written ----

struct PatchFault {
  const char* name;
  std::function<void(FaultFileSystem&)> fault;
  ErrorCode code;
};

void PrintTo(const PatchFault& c, std::ostream* os) {
  *os << c.name;
}

class StreamedPatchFaultTest : public testing::TestWithParam<PatchFault> {};

TEST_P(StreamedPatchFaultTest, EndsWithTheWriteErrorAndKeepsTheOutput) {
  MemoryFileSystem memory;
  memory.files["/in.bin"] = numbered(100);
  memory.files["/out.bin"] = {9, 9};
  FaultFileSystem fs(memory);
  GetParam().fault(fs);
  const auto before = memory.files;
  std::unique_ptr<FileStream> bin = fs.openStream("/in.bin");
  ASSERT_TRUE(bin);
  // A record longer than the buffer, whose BIN bytes are passed over unread.
  const Bytes dif =
      DifBuilder(3).record(10, {1, 2}).record(20, filled(40, 5)).record(90, {3}).bytes();
  Status status = writeStreamedPatch(fs, "/out.bin", dif, *bin, 16);
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.error().code, GetParam().code);
  EXPECT_EQ(status.error().message, "Ошибка записи BIN файла!");
  EXPECT_EQ(memory.files, before);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, StreamedPatchFaultTest,
    testing::Values(PatchFault{"CutBetweenTwoReads",
                               [](FaultFileSystem& fs) { fs.cutWhileRead["/in.bin"] = 40; },
                               ErrorCode::OpenFailed},
                    PatchFault{"CutUnderALongRecord",
                               [](FaultFileSystem& fs) { fs.cutWhileRead["/in.bin"] = 50; },
                               ErrorCode::OpenFailed},
                    PatchFault{"CutBeforeTheLastByte",
                               [](FaultFileSystem& fs) { fs.cutWhileRead["/in.bin"] = 99; },
                               ErrorCode::OpenFailed},
                    PatchFault{"DiskFullMidway", [](FaultFileSystem& fs) { fs.writeLimit = 50; },
                               ErrorCode::WriteFailed},
                    PatchFault{"CreateFails", [](FaultFileSystem& fs) { fs.failCreate = true; },
                               ErrorCode::WriteFailed},
                    PatchFault{"CommitFails", [](FaultFileSystem& fs) { fs.failCommit = true; },
                               ErrorCode::WriteFailed}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace hm
