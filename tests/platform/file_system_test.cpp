#include "platform/file_system.h"

#include "platform/file_reader.h"
#include "platform/file_stream.h"
#include "support/memory_file_system.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
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
  if (!c.readable) {
    // Every other way of reading refuses it too, and as soon.
    EXPECT_FALSE(realFileSystem().read(path, c.maxBytes));
    EXPECT_FALSE(realFileSystem().openReader(path));
    EXPECT_FALSE(realFileSystem().openStream(path));
    return;
  }
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

// ---- What an output may replace ----

struct TargetCase {
  const char* name;
  // Puts something at `path`; false when the system does not allow it here.
  std::function<bool(const std::string& path)> make;
  bool replaced;
};

class OutputTargetTest : public testing::TestWithParam<TargetCase> {};

std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A device or a FIFO in the output's place stays what it is, for every other program that
// uses it; nothing is left beside it either way.
TEST_P(OutputTargetTest, ReplacesOnlyARegularFileOrAMissingName) {
  TempDir dir;
  const std::string path = dir.file("out.bin");
  if (!GetParam().make(path)) GTEST_SKIP() << "not possible here";
  struct stat before;
  const bool existed = ::lstat(path.c_str(), &before) == 0;
  const Bytes bytes = pattern(100);
  std::unique_ptr<OutputFile> out = realFileSystem().create(path);
  const bool committed = out && out->write(bytes.data(), bytes.size()) && out->commit();
  out.reset();
  EXPECT_EQ(committed, GetParam().replaced);
  if (GetParam().replaced) {
    EXPECT_EQ(test::readFile(path), bytes);
  } else {
    struct stat after;
    ASSERT_EQ(::lstat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
  }
  EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"out.bin"}) << existed;
}

INSTANTIATE_TEST_SUITE_P(
    Targets, OutputTargetTest,
    testing::Values(
        TargetCase{"Missing", [](const std::string&) { return true; }, true},
        TargetCase{"Regular",
                   [](const std::string& p) {
                     test::writeFile(p, std::string("old"));
                     return true;
                   },
                   true},
        TargetCase{"LinkToNothing",
                   [](const std::string& p) { return ::symlink("nowhere", p.c_str()) == 0; }, true},
        TargetCase{"Fifo", [](const std::string& p) { return ::mkfifo(p.c_str(), 0600) == 0; },
                   false},
        TargetCase{"Folder", [](const std::string& p) { return ::mkdir(p.c_str(), 0700) == 0; },
                   false},
        TargetCase{"CharacterDevice",
                   [](const std::string& p) {
                     return ::mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
                   },
                   false}),
    [](const testing::TestParamInfo<TargetCase>& info) { return info.param.name; });

// A name as long as the file system allows leaves no room for a temporary named after it.
TEST(OutputFileTest, WritesANameOfTheLongestLength) {
  TempDir dir;
  const std::string path = dir.file(std::string(251, 'n') + ".dif");
  const Bytes bytes = pattern(10);
  std::unique_ptr<OutputFile> out = realFileSystem().create(path);
  ASSERT_TRUE(out);
  ASSERT_TRUE(out->write(bytes.data(), bytes.size()));
  ASSERT_TRUE(out->commit());
  EXPECT_EQ(test::readFile(path), bytes);
}

TEST(OutputFileTest, AReplacedFileKeepsItsModeAndOwner) {
  TempDir dir;
  const std::string path = dir.file("tool.bin");
  test::writeFile(path, std::string("old"));
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(path.c_str(), 4321, 4322), 0);
  }
  ASSERT_EQ(::chmod(path.c_str(), 04751), 0);
  std::unique_ptr<OutputFile> out = realFileSystem().create(path);
  ASSERT_TRUE(out && out->write("new", 3) && out->commit());
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 04751u);
  if (root) {
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 4322u);
  }
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
