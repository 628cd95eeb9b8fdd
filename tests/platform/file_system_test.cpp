#include "platform/file_system.h"

#include "support/memory_file_system.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <numeric>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace hm {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::TempDir;

Bytes pattern(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
  return bytes;
}

Bytes bytesOf(const FileView& view) {
  return Bytes(view.data(), view.data() + view.size());
}

// ---- A view holds what a read would, whether the file maps or not ----

struct ViewCase {
  const char* name;
  // The file to view, made in `dir`; empty when the system lacks it.
  std::function<std::string(const TempDir& dir)> make;
  std::size_t maxBytes;
  bool readable;  // false: neither a view nor a read is had
};

class ViewTest : public testing::TestWithParam<ViewCase> {};

TEST_P(ViewTest, HoldsTheSameBytesAsARead) {
  const ViewCase& c = GetParam();
  TempDir dir;
  const std::string path = c.make(dir);
  if (path.empty()) GTEST_SKIP() << "no such file on this system";
  std::optional<FileView> view = realFileSystem().view(path, c.maxBytes);
  ASSERT_EQ(view.has_value(), c.readable);
  if (!c.readable) return;
  std::optional<ByteImage> read = realFileSystem().read(path, c.maxBytes);
  ASSERT_TRUE(read);
  EXPECT_EQ(bytesOf(*view), Bytes(read->data(), read->data() + read->size()));
  EXPECT_TRUE(view->intact());
}

std::string regularFile(const TempDir& dir, std::size_t size) {
  const std::string path = dir.file("f.bin");
  test::writeFile(path, pattern(size));
  return path;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ViewTest,
    testing::Values(
        ViewCase{"Mapped", [](const TempDir& d) { return regularFile(d, 3 * 4096 + 5); }, SIZE_MAX,
                 true},
        ViewCase{"CappedAtMaxBytes", [](const TempDir& d) { return regularFile(d, 10000); }, 4097,
                 true},
        ViewCase{"Empty", [](const TempDir& d) { return regularFile(d, 0); }, SIZE_MAX, true},
        // Claims a page in its size, refuses to be mapped, and reads as a short text.
        ViewCase{"KernelAttributeIsRead",
                 [](const TempDir&) {
                   std::string path = "/sys/kernel/mm/transparent_hugepage/enabled";
                   return std::filesystem::exists(path) ? path : std::string();
                 },
                 SIZE_MAX, true},
        // Refused as a read refuses it, without waiting for a writer to open the other end.
        ViewCase{"FifoIsRefused",
                 [](const TempDir& d) {
                   std::string path = d.file("fifo");
                   return ::mkfifo(path.c_str(), 0600) == 0 ? path : std::string();
                 },
                 SIZE_MAX, false},
        ViewCase{"FolderIsRefused", [](const TempDir& d) { return d.path(); }, SIZE_MAX, false},
        ViewCase{"MissingIsRefused", [](const TempDir& d) { return d.file("none"); }, SIZE_MAX,
                 false}),
    [](const testing::TestParamInfo<ViewCase>& info) { return info.param.name; });

// ---- A file cut short under its view ----

struct CutCase {
  const char* name;
  std::size_t cutTo;
};

class CutShortTest : public testing::TestWithParam<CutCase> {};

// Another program truncates the file while it is mapped: every byte can still be read, those
// past the cut read as zero, and the view no longer counts as intact.
TEST_P(CutShortTest, ReadsZerosPastTheCutInsteadOfEndingTheProcess) {
  constexpr std::size_t kSize = 5 * 4096 + 100;
  TempDir dir;
  const std::string path = regularFile(dir, kSize);
  std::optional<FileView> view = realFileSystem().view(path);
  ASSERT_TRUE(view);
  ASSERT_EQ(view->size(), kSize);
  ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(GetParam().cutTo)), 0);

  Bytes seen = bytesOf(*view);
  Bytes expected = pattern(kSize);
  std::fill(expected.begin() + static_cast<std::ptrdiff_t>(GetParam().cutTo), expected.end(), 0);
  EXPECT_EQ(seen, expected);
  EXPECT_FALSE(view->intact());
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, CutShortTest,
    testing::Values(CutCase{"ToNothing", 0}, CutCase{"InsideTheFirstPage", 100},
                    CutCase{"AtAPageEdge", 2 * 4096}, CutCase{"InsideTheLastPage", 5 * 4096 + 10}),
    [](const testing::TestParamInfo<CutCase>& info) { return info.param.name; });

TEST(FileViewTest, LengthensWithZerosAndShortens) {
  TempDir dir;
  const std::string path = regularFile(dir, 3);
  std::optional<FileView> view = realFileSystem().view(path);
  ASSERT_TRUE(view);
  view->resize(3 * 4096);
  Bytes expected = pattern(3);
  expected.resize(3 * 4096);
  EXPECT_EQ(bytesOf(*view), expected);
  view->resize(2);
  view->resize(5);
  EXPECT_EQ(bytesOf(*view), (Bytes{1, 8, 0, 0, 0}));
  EXPECT_TRUE(view->intact());
}

// More pieces than one call to the system takes, empty ones among them.
TEST(OutputFileTest, WritesPiecesInOrder) {
  TempDir dir;
  const std::string path = dir.file("out.bin");
  const Bytes bytes = pattern(5000);
  std::vector<std::span<const std::uint8_t>> pieces;
  for (std::size_t at = 0; at < bytes.size(); at += 2) {
    pieces.emplace_back(bytes.data() + at, 2);
    pieces.emplace_back(bytes.data() + at, 0);
  }
  std::unique_ptr<OutputFile> out = realFileSystem().create(path);
  ASSERT_TRUE(out);
  ASSERT_TRUE(out->writePieces(pieces));
  ASSERT_TRUE(out->commit());
  EXPECT_EQ(test::readFile(path), bytes);
}

// Pieces on both sides of each step the buffer grows by, one as large as the whole buffer, and
// small ones after a flush: every byte comes out once and in order.
TEST(BufferedWriterTest, KeepsEveryByteWhileItsBufferGrows) {
  test::MemoryFileSystem fs;
  const Bytes bytes = pattern(3 << 20);
  std::unique_ptr<OutputFile> out = fs.create("out.bin");
  BufferedWriter writer(*out);
  std::size_t at = 0;
  auto write = [&](std::size_t size) {
    writer.write(bytes.data() + at, size);
    at += size;
  };
  for (std::size_t size : {1, 7, 65535, 0, 3, 200000, 1 << 20, 5, 500000, 600000}) write(size);
  while (at < bytes.size()) write(std::min<std::size_t>(4099, bytes.size() - at));
  ASSERT_TRUE(writer.finish());
  EXPECT_EQ(fs.files["out.bin"], bytes);
}

}  // namespace
}  // namespace hm
