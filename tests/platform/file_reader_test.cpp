#include "platform/file_reader.h"

#include "support/memory_file_system.h"
#include "support/temp_dir.h"

#include <functional>
#include <memory>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace hm {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes pattern(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 13 + 5);
  return bytes;
}

struct ReaderCase {
  const char* name;
  std::size_t fileSize;
  // Opens a reader on `bytes` as the case's file system holds them.
  std::function<std::unique_ptr<FileReader>(const Bytes& bytes, test::TempDir& dir)> open;
};

class FileReaderTest : public testing::TestWithParam<ReaderCase> {};

// Each piece is what the file holds there, cut short at its end, and stays valid until the
// next one is read.
TEST_P(FileReaderTest, ReadsPiecesUpToTheEnd) {
  const ReaderCase& c = GetParam();
  test::TempDir dir;
  const Bytes bytes = pattern(c.fileSize);
  std::unique_ptr<FileReader> reader = c.open(bytes, dir);
  ASSERT_TRUE(reader);
  EXPECT_EQ(reader->size(), c.fileSize);
  const std::size_t n = c.fileSize;
  std::vector<std::pair<std::uint64_t, std::size_t>> pieces = {{0, 3},        {n / 2, 100}, {n, 1},
                                                               {n + 4096, 8}, {0, n},       {1, 0}};
  if (n >= 2) pieces.push_back({n - 2, 5});
  for (auto [offset, count] : pieces) {
    std::optional<std::span<const std::uint8_t>> piece = reader->readAt(offset, count);
    ASSERT_TRUE(piece);
    const std::size_t from = std::min<std::size_t>(offset, n);
    const std::size_t to = std::min<std::size_t>(offset + count, n);
    EXPECT_EQ(Bytes(piece->begin(), piece->end()), Bytes(bytes.begin() + from, bytes.begin() + to))
        << offset << "+" << count;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Readers, FileReaderTest,
    testing::Values(ReaderCase{"RealFile", 3 * 4096 + 17,
                               [](const Bytes& bytes, test::TempDir& dir) {
                                 test::writeFile(dir.file("f.bin"), bytes);
                                 return realFileSystem().openReader(dir.file("f.bin"));
                               }},
                    ReaderCase{"RealEmptyFile", 0,
                               [](const Bytes& bytes, test::TempDir& dir) {
                                 test::writeFile(dir.file("f.bin"), bytes);
                                 return realFileSystem().openReader(dir.file("f.bin"));
                               }},
                    ReaderCase{"FileSystemThatReadsWholeFiles", 5000,
                               [](const Bytes& bytes, test::TempDir&) {
                                 static test::MemoryFileSystem fs;
                                 fs.files["/f.bin"] = bytes;
                                 return static_cast<FileSystem&>(fs).openReader("/f.bin");
                               }}),
    [](const testing::TestParamInfo<ReaderCase>& info) { return info.param.name; });

// The real reader serves pieces from a window read ahead of them, and copies long ones from a
// mapping: whatever the order and length of the pieces, each is what the file holds there.
TEST(FileReaderTest, PiecesInAnyOrderAndOfAnyLengthAreTheFilesBytes) {
  test::TempDir dir;
  constexpr std::size_t kSize = 3 * 1024 * 1024 + 77;
  const Bytes bytes = pattern(kSize);
  test::writeFile(dir.file("f.bin"), bytes);
  std::unique_ptr<FileReader> reader = realFileSystem().openReader(dir.file("f.bin"));
  ASSERT_TRUE(reader);
  const std::pair<std::uint64_t, std::size_t> pieces[] = {
      {0, 1},
      {2, 10},
      {300000, 5},
      {262140, 8},  // behind and beyond a window
      {2000000, 3},
      {100, 1 << 20},
      {150, 4},
      {kSize - 1, 1},  // long, then short again
      {kSize - 5, 2 << 20},
      {7, 2 << 20},
      {8, 2},
      {1 << 20, 300000}};
  for (auto [offset, count] : pieces) {
    std::optional<std::span<const std::uint8_t>> piece = reader->readAt(offset, count);
    ASSERT_TRUE(piece);
    const std::size_t to = std::min<std::size_t>(offset + count, kSize);
    ASSERT_EQ(Bytes(piece->begin(), piece->end()),
              Bytes(bytes.begin() + offset, bytes.begin() + to))
        << offset << "+" << count;
  }
}

TEST(FileReaderTest, NoReaderForWhatIsNoReadableFile) {
  test::TempDir dir;
  EXPECT_FALSE(realFileSystem().openReader(dir.file("missing.bin")));
  EXPECT_FALSE(realFileSystem().openReader(dir.path()));
}

// Another program cuts the file short while it is read in place: the piece past the new end
// fails instead of ending the process with SIGBUS, and what is left still reads.
TEST(FileReaderTest, FileCutShortUnderTheReaderFailsThePieceNotTheProcess) {
  test::TempDir dir;
  const std::string path = dir.file("f.bin");
  test::writeFile(path, pattern(4 * 4096));
  std::unique_ptr<FileReader> reader = realFileSystem().openReader(path);
  ASSERT_TRUE(reader);
  ASSERT_EQ(::truncate(path.c_str(), 100), 0);
  EXPECT_FALSE(reader->readAt(3 * 4096, 16));
  std::optional<std::span<const std::uint8_t>> kept = reader->readAt(10, 4);
  ASSERT_TRUE(kept);
  const Bytes head = pattern(14);
  EXPECT_EQ(Bytes(kept->begin(), kept->end()), Bytes(head.begin() + 10, head.end()));
}

// The same for a piece long enough to be copied from a mapping of the file.
TEST(FileReaderTest, FileCutShortUnderALongPieceFailsIt) {
  test::TempDir dir;
  const std::string path = dir.file("f.bin");
  test::writeFile(path, pattern(2 << 20));
  std::unique_ptr<FileReader> reader = realFileSystem().openReader(path);
  ASSERT_TRUE(reader);
  ASSERT_EQ(::truncate(path.c_str(), 100), 0);
  EXPECT_FALSE(reader->readAt(0, 2 << 20));
  EXPECT_TRUE(reader->readAt(10, 4));
}

// A reader and a mapped view both meet files cut under them, in either order: one guard serves
// every mapping, so handling one cut never leaves the next unguarded.
TEST(FileReaderTest, CutsUnderReadersAndViewsAreAllSurvived) {
  test::TempDir dir;
  const std::string first = dir.file("a.bin");
  const std::string second = dir.file("b.bin");
  test::writeFile(first, pattern(4 * 4096));
  test::writeFile(second, pattern(4 * 4096));
  std::unique_ptr<FileReader> reader = realFileSystem().openReader(first);
  std::optional<FileView> view = realFileSystem().view(second);
  ASSERT_TRUE(reader && view);

  ASSERT_EQ(::truncate(first.c_str(), 100), 0);
  EXPECT_FALSE(reader->readAt(3 * 4096, 16));
  ASSERT_EQ(::truncate(second.c_str(), 100), 0);
  unsigned sum = 0;
  for (std::size_t i = 0; i < view->size(); i += 4096) sum += view->data()[i];
  EXPECT_EQ(sum, pattern(1)[0]);  // the cut pages read as zero
  EXPECT_FALSE(view->intact());
}

}  // namespace
}  // namespace hm
