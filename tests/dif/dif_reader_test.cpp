#include "dif/dif_reader.h"

#include "dif/dif_format.h"
#include "support/dif_builder.h"
#include "support/fault_file_system.h"
#include "support/ips_builder.h"
#include "support/memory_file_system.h"
#include "support/temp_dir.h"

#include <sys/stat.h>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace hm {
namespace {

using test::DifBuilder;

std::vector<std::pair<std::int32_t, std::int32_t>> ranges(const std::vector<DifBlock>& blocks) {
  std::vector<std::pair<std::int32_t, std::int32_t>> out;
  for (const DifBlock& b : blocks) out.emplace_back(b.start, b.end);
  return out;
}

TEST(ReadDifBlocksTest, OneBlockPerRecordInFileOrder) {
  auto dif =
      DifBuilder(3).record(0x200, {1, 2, 3, 4}).record(0x10, {5}).record(0x11, {6, 7}).bytes();
  Result<std::vector<DifBlock>> blocks = readDifBlocks(dif);
  ASSERT_TRUE(blocks.ok());
  EXPECT_EQ(ranges(*blocks),
            (decltype(ranges(*blocks)){{0x200, 0x203}, {0x10, 0x10}, {0x11, 0x12}}));
}

TEST(ReadDifBlocksTest, NoRecordsGiveNoBlocks) {
  Result<std::vector<DifBlock>> blocks = readDifBlocks(DifBuilder(0).bytes());
  ASSERT_TRUE(blocks.ok());
  EXPECT_TRUE(blocks->empty());
}

TEST(ReadDifBlocksTest, WrongMarkerInTheThirdRecordRejectsTheFile) {
  auto dif = DifBuilder(3).record(0, {1}).record(1, {2}).rawRecord("XBLKNORD", 5, 2, {3}).bytes();
  Result<std::vector<DifBlock>> blocks = readDifBlocks(dif);
  ASSERT_FALSE(blocks.ok());
  EXPECT_EQ(blocks.error().code, ErrorCode::InvalidDif);
  EXPECT_EQ(blocks.error().message, "Неверный DIF файл!");
}

using Bytes = std::vector<std::uint8_t>;
using Spans = std::vector<std::pair<std::int32_t, std::int32_t>>;

Spans spansOf(const PerRow<BlockSpan>& blocks) {
  Spans out;
  for (const BlockSpan& b : blocks) out.emplace_back(b.start, b.end);
  return out;
}

struct OpenCase {
  const char* name;
  Bytes file;             // at "p.dif"; nothing there when empty
  Spans blocks;           // when read
  const char* error;      // the message when refused
  bool cutShort = false;  // the file loses its last byte while it is read
};

void PrintTo(const OpenCase& c, std::ostream* os) {
  *os << c.name;
}

class ReadDifToEditTest : public testing::TestWithParam<OpenCase> {};

TEST_P(ReadDifToEditTest, ReadsTheBlocksOrSaysWhyNot) {
  const OpenCase& c = GetParam();
  test::MemoryFileSystem memory;
  if (!c.file.empty()) memory.files["p.dif"] = c.file;
  test::FaultFileSystem fs(memory);
  if (c.cutShort) fs.cutWhileRead["p.dif"] = c.file.size() - 1;
  Result<DifToEdit> read = readDifToEdit(fs, "p.dif", {});
  if (c.error) {
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().message, c.error);
    return;
  }
  ASSERT_TRUE(read.ok()) << read.error().message;
  EXPECT_EQ(spansOf(read->blocks), c.blocks);
  EXPECT_TRUE(walkDif(read->image.bytes()).ok());
  EXPECT_EQ(read->fingerprint, fingerprintFile(memory, "p.dif"));
}

const Bytes kDif =
    DifBuilder(3).record(0x200, {1, 2, 3, 4}).record(0x10, {5}).record(0x11, {6, 7}).bytes();

INSTANTIATE_TEST_SUITE_P(
    Files, ReadDifToEditTest,
    testing::Values(
        OpenCase{"Dif", kDif, {{0x200, 0x203}, {0x10, 0x10}, {0x11, 0x12}}, nullptr},
        OpenCase{"NoRecords", DifBuilder(0).bytes(), {}, nullptr},
        // An IPS is read as its DIF: a record going on where the one before ended joins it.
        OpenCase{
            "Ips",
            test::IpsBuilder().record(0x10, {1, 2}).record(0x12, {3}).run(0x40, 3, 9).end().bytes(),
            {{0x10, 0x12}, {0x40, 0x42}},
            nullptr},
        OpenCase{"DamagedDif",
                 DifBuilder(2).record(0, {1}).rawRecord("XBLKNORD", 5, 2, {3}).bytes(),
                 {},
                 "Неверный DIF файл!"},
        OpenCase{"DamagedIps",
                 test::IpsBuilder().record(0x10, {1, 2}).bytes(),
                 {},
                 "Неверный IPS файл!"},
        OpenCase{"CutWhileRead", kDif, {}, "Неверный DIF файл!", true},
        OpenCase{"Missing", {}, {}, "Ошибка открытия файла!"}),
    [](const testing::TestParamInfo<OpenCase>& info) { return info.param.name; });

// A file of many pieces: the blocks are walked as the pieces come, and "Отмена" is seen at any
// of them.
TEST(ReadDifToEditTest, ALargeFileIsReadInPiecesAndStopsWhenTold) {
  constexpr std::int32_t kRecords = 1'100'000;
  DifBuilder dif(kRecords);
  for (std::int32_t i = 0; i < kRecords; ++i) dif.record((kRecords - i) * 2, {7});
  test::MemoryFileSystem fs;
  fs.files["big.dif"] = dif.bytes();
  std::vector<std::pair<std::size_t, std::size_t>> told;
  Result<DifToEdit> read = readDifToEdit(
      fs, "big.dif", [] { return true; },
      [&](std::size_t n, std::size_t count) { told.emplace_back(n, count); });
  ASSERT_TRUE(read.ok());
  EXPECT_TRUE(spansOf(read->blocks) == ranges(readDifBlocks(dif.bytes()).value()));
  // Hashed a piece at a time, as when read whole.
  EXPECT_EQ(read->fingerprint, fingerprintFile(fs, "big.dif"));
  EXPECT_EQ(told, (decltype(told){{1u << 20, kRecords}, {kRecords, kRecords}}));

  for (int looks : {0, 1, 5, 15}) {
    int asked = 0;
    Result<DifToEdit> stopped = readDifToEdit(fs, "big.dif", [&] { return asked++ < looks; });
    ASSERT_FALSE(stopped.ok()) << looks;
    EXPECT_EQ(stopped.error().code, ErrorCode::Cancelled);
  }
}

// A FIFO would keep the opening waiting for a writer that may never come.
TEST(ReadDifToEditTest, AFifoIsRefusedAtOnce) {
  test::TempDir dir;
  const std::string fifo = dir.file("p.dif");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  Result<DifToEdit> read = readDifToEdit(realFileSystem(), fifo, {});
  ASSERT_FALSE(read.ok());
  EXPECT_EQ(read.error().code, ErrorCode::OpenFailed);
}

}  // namespace
}  // namespace hm
