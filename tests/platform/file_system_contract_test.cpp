#include "platform/file_system.h"
#include "support/fault_file_system.h"
#include "support/memory_file_system.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// What every FileSystem does, run against the real one and against each stand-in the tests use
// for it: a test that passes on a stand-in has to mean the same on disk.
namespace hm {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes pattern(std::size_t size, std::uint8_t seed = 1) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + seed);
  return bytes;
}

Bytes bytesOf(std::span<const std::uint8_t> bytes) {
  return Bytes(bytes.begin(), bytes.end());
}

// Each place the contract runs in offers an empty folder (root()) in a file system, and puts and
// lists files there without going through that file system, so a fault of it cannot hide itself.
struct OnDisk {
  static std::string name() { return "OnDisk"; }
  static constexpr bool kFilesNeedFolders = true;

  FileSystem& fs() { return realFileSystem(); }
  std::string root() const { return dir.path(); }
  void put(const std::string& path, const Bytes& bytes) { test::writeFile(path, bytes); }
  // Everything but folders under root(), a temporary left behind included.
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path())) {
      if (!entry.is_directory()) {
        out.push_back(std::filesystem::relative(entry.path(), dir.path()).string());
      }
    }
    std::sort(out.begin(), out.end());
    return out;
  }

  test::TempDir dir;
};

struct InMemory {
  static std::string name() { return "InMemory"; }
  // The one deliberate difference: tests put files anywhere without making their folders first.
  static constexpr bool kFilesNeedFolders = false;

  InMemory() { memory.folders.insert(root()); }
  FileSystem& fs() { return memory; }
  std::string root() const { return "/memory"; }
  void put(const std::string& path, const Bytes& bytes) { memory.files[path] = bytes; }
  std::vector<std::string> names() const {
    const std::string prefix = root() + "/";
    std::vector<std::string> out;
    for (const auto& [path, bytes] : memory.files) {
      if (path.starts_with(prefix)) out.push_back(path.substr(prefix.size()));
    }
    return out;
  }

  test::MemoryFileSystem memory;
};

// The fault file system with no fault set passes everything through to the one it wraps.
template <typename Inner>
struct WithFaults : Inner {
  static std::string name() { return "Faults" + Inner::name(); }

  FileSystem& fs() { return faults; }

  test::FaultFileSystem faults{Inner::fs()};
};

struct PlaceNames {
  template <typename Place>
  static std::string GetName(int) {
    return Place::name();
  }
};

template <typename Place>
class FileSystemContract : public testing::Test {
 protected:
  FileSystem& fs() { return place.fs(); }
  std::string at(const std::string& name) const { return place.root() + "/" + name; }
  std::optional<Bytes> readBack(const std::string& name) {
    std::optional<ByteImage> image = fs().read(at(name));
    if (!image) return std::nullopt;
    return bytesOf(image->bytes());
  }
  std::unique_ptr<OutputFile> writing(const std::string& name, const Bytes& bytes) {
    std::unique_ptr<OutputFile> out = fs().create(at(name));
    if (out && !out->write(bytes.data(), bytes.size())) return nullptr;
    return out;
  }

  Place place;
};

using Places = testing::Types<OnDisk, InMemory, WithFaults<OnDisk>, WithFaults<InMemory>>;
TYPED_TEST_SUITE(FileSystemContract, Places, PlaceNames);

using Names = std::vector<std::string>;

TYPED_TEST(FileSystemContract, StatTellsFilesFromFoldersAndMissingNames) {
  this->place.put(this->at("five.bin"), pattern(5));
  this->place.put(this->at("empty.bin"), {});
  ASSERT_TRUE(this->fs().makeFolders(this->at("sub")));
  struct Case {
    std::string path;
    std::optional<FileInfo> info;  // only `regular`, `folder` and a file's `size` are compared
  };
  const Case cases[] = {
      {this->at("five.bin"), FileInfo{.regular = true, .size = 5}},
      {this->at("empty.bin"), FileInfo{.regular = true, .size = 0}},
      {this->at("sub"), FileInfo{.folder = true}},
      {this->place.root(), FileInfo{.folder = true}},
      {this->at("missing.bin"), std::nullopt},
      {this->at("missing/five.bin"), std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::optional<FileInfo> info = this->fs().stat(c.path);
    ASSERT_EQ(info.has_value(), c.info.has_value());
    if (!info) continue;
    EXPECT_EQ(info->regular, c.info->regular);
    EXPECT_EQ(info->folder, c.info->folder);
    if (info->regular) {
      EXPECT_EQ(info->size, c.info->size);
    }
  }
}

// A read, and a view of the same bytes, are cut at maxBytes and never lengthened by it.
TYPED_TEST(FileSystemContract, ReadAndViewGiveTheFirstMaxBytes) {
  const Bytes bytes = pattern(3 * 4096 + 5);
  this->place.put(this->at("f.bin"), bytes);
  this->place.put(this->at("empty.bin"), {});
  for (const std::size_t maxBytes :
       {SIZE_MAX, std::size_t{0}, std::size_t{1}, 4096 + std::size_t{1}, bytes.size() - 1,
        bytes.size(), bytes.size() + 1}) {
    SCOPED_TRACE(maxBytes);
    const Bytes expected(
        bytes.begin(),
        bytes.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(maxBytes, bytes.size())));
    std::optional<ByteImage> read = this->fs().read(this->at("f.bin"), maxBytes);
    ASSERT_TRUE(read);
    EXPECT_EQ(bytesOf(read->bytes()), expected);
    std::optional<FileView> view = this->fs().view(this->at("f.bin"), maxBytes);
    ASSERT_TRUE(view);
    EXPECT_EQ(bytesOf(view->bytes()), expected);
    EXPECT_TRUE(view->intact());
  }
  std::optional<ByteImage> empty = this->fs().read(this->at("empty.bin"));
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->empty());
  std::optional<FileView> emptyView = this->fs().view(this->at("empty.bin"));
  ASSERT_TRUE(emptyView);
  EXPECT_TRUE(emptyView->empty());
}

TYPED_TEST(FileSystemContract, NeitherReadNorViewOfAMissingFileOrAFolder) {
  ASSERT_TRUE(this->fs().makeFolders(this->at("sub")));
  for (const std::string& path : {this->at("missing.bin"), this->at("sub"), std::string()}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(this->fs().read(path));
    EXPECT_FALSE(this->fs().view(path));
  }
}

// The file holds what was written, whatever it held before: nothing of a longer old file is
// left at its end.
TYPED_TEST(FileSystemContract, ACommittedOutputHoldsExactlyItsBytes) {
  struct Case {
    const char* name;
    std::optional<Bytes> old;
    Bytes written;
  };
  const Case cases[] = {
      {"NewName", std::nullopt, pattern(100)},
      {"OverAShorterFile", pattern(10, 5), pattern(100)},
      {"OverALongerFile", pattern(1000, 5), pattern(100)},
      {"NothingOverAFile", pattern(10, 5), {}},
      {"NothingUnderANewName", std::nullopt, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string name = std::string(c.name) + ".bin";
    if (c.old) this->place.put(this->at(name), *c.old);
    std::unique_ptr<OutputFile> out = this->writing(name, c.written);
    ASSERT_TRUE(out);
    ASSERT_TRUE(out->commit());
    out.reset();
    EXPECT_EQ(this->readBack(name), c.written);
    std::optional<FileInfo> info = this->fs().stat(this->at(name));
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->regular);
    EXPECT_EQ(info->size, c.written.size());
  }
  Names expected;
  for (const Case& c : cases) expected.push_back(std::string(c.name) + ".bin");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(this->place.names(), expected);
}

// However far an output got, dropping it uncommitted leaves the file it would have replaced,
// and no temporary, behind.
TYPED_TEST(FileSystemContract, ADroppedOutputLeavesTheOldFileAndNothingNew) {
  enum class Reached { Created, Written, Prepared };
  for (const bool oldExists : {true, false}) {
    for (const Reached reached : {Reached::Created, Reached::Written, Reached::Prepared}) {
      SCOPED_TRACE(testing::Message()
                   << "old file " << oldExists << ", step " << static_cast<int>(reached));
      const Bytes old = pattern(50, 9);
      if (oldExists) this->place.put(this->at("f.bin"), old);
      const Names before = this->place.names();
      std::unique_ptr<OutputFile> out = this->fs().create(this->at("f.bin"));
      ASSERT_TRUE(out);
      if (reached != Reached::Created) {
        ASSERT_TRUE(out->write("new", 3));
      }
      if (reached == Reached::Prepared) {
        ASSERT_TRUE(out->prepare());
      }
      out.reset();
      EXPECT_EQ(this->readBack("f.bin"), oldExists ? std::optional(old) : std::nullopt);
      EXPECT_EQ(this->place.names(), before);
      ASSERT_TRUE(this->fs().remove(this->at("f.bin")));
    }
  }
}

// More pieces than one call to the system takes, empty ones among them.
TYPED_TEST(FileSystemContract, WritePiecesKeepsTheirOrder) {
  const Bytes bytes = pattern(5000);
  std::vector<std::span<const std::uint8_t>> pieces;
  for (std::size_t at = 0; at < bytes.size(); at += 2) {
    pieces.emplace_back(bytes.data() + at, 2);
    pieces.emplace_back(bytes.data() + at, 0);
  }
  std::unique_ptr<OutputFile> out = this->fs().create(this->at("out.bin"));
  ASSERT_TRUE(out);
  ASSERT_TRUE(out->write("<", 1));
  ASSERT_TRUE(out->writePieces(pieces));
  ASSERT_TRUE(out->write(">", 1));
  ASSERT_TRUE(out->commit());
  Bytes expected = bytes;
  expected.insert(expected.begin(), '<');
  expected.push_back('>');
  EXPECT_EQ(this->readBack("out.bin"), expected);
}

// The steps commitTogether builds on: a name is taken once, only after prepare(), and what a
// publish(true) replaced comes back on withdraw() or goes for good on settle().
TYPED_TEST(FileSystemContract, APublishedOutputCanBeWithdrawnUntilSettled) {
  for (const bool oldExists : {true, false}) {
    for (const bool withdraw : {true, false}) {
      SCOPED_TRACE(testing::Message() << "old file " << oldExists << ", withdrawn " << withdraw);
      const Bytes old = pattern(50, 9);
      const Bytes written = pattern(70, 3);
      if (oldExists) this->place.put(this->at("f.bin"), old);
      std::unique_ptr<OutputFile> out = this->writing("f.bin", written);
      ASSERT_TRUE(out);
      EXPECT_FALSE(out->publish(true)) << "published before it was prepared";
      ASSERT_TRUE(out->prepare());
      ASSERT_TRUE(out->publish(true));
      EXPECT_FALSE(out->publish(true)) << "published twice";
      EXPECT_EQ(this->readBack("f.bin"), written);
      if (withdraw) {
        ASSERT_TRUE(out->withdraw());
      }
      out->settle();
      out.reset();
      const std::optional<Bytes> left =
          withdraw ? (oldExists ? std::optional(old) : std::nullopt) : std::optional(written);
      EXPECT_EQ(this->readBack("f.bin"), left);
      EXPECT_EQ(this->place.names(), left ? Names{"f.bin"} : Names{});
      ASSERT_TRUE(this->fs().remove(this->at("f.bin")));
    }
  }
}

TYPED_TEST(FileSystemContract, CommitTogetherPlacesEveryOutput) {
  this->place.put(this->at("a.dif"), pattern(500, 9));
  std::unique_ptr<OutputFile> a = this->writing("a.dif", pattern(40, 1));
  std::unique_ptr<OutputFile> b = this->writing("a.dif_bak.dif", pattern(60, 2));
  ASSERT_TRUE(a && b);
  OutputFile* outputs[] = {a.get(), b.get()};
  ASSERT_TRUE(commitTogether(outputs));
  a.reset();
  b.reset();
  EXPECT_EQ(this->readBack("a.dif"), pattern(40, 1));
  EXPECT_EQ(this->readBack("a.dif_bak.dif"), pattern(60, 2));
  EXPECT_EQ(this->place.names(), (Names{"a.dif", "a.dif_bak.dif"}));
}

TYPED_TEST(FileSystemContract, RemoveTakesAFileAwayButNoFolder) {
  this->place.put(this->at("f.bin"), pattern(5));
  ASSERT_TRUE(this->fs().makeFolders(this->at("sub")));
  EXPECT_TRUE(this->fs().remove(this->at("f.bin")));
  EXPECT_FALSE(this->fs().stat(this->at("f.bin")));
  EXPECT_TRUE(this->place.names().empty());
  EXPECT_TRUE(this->fs().remove(this->at("f.bin"))) << "a missing file counts as gone";
  EXPECT_FALSE(this->fs().remove(this->at("sub")));
  std::optional<FileInfo> sub = this->fs().stat(this->at("sub"));
  ASSERT_TRUE(sub);
  EXPECT_TRUE(sub->folder);
}

TYPED_TEST(FileSystemContract, MakeFoldersMakesTheMissingParentsAndNoFolderOverAFile) {
  ASSERT_TRUE(this->fs().makeFolders(this->at("a/b/c")));
  for (const char* folder : {"a", "a/b", "a/b/c"}) {
    std::optional<FileInfo> info = this->fs().stat(this->at(folder));
    ASSERT_TRUE(info) << folder;
    EXPECT_TRUE(info->folder) << folder;
    EXPECT_FALSE(info->regular) << folder;
  }
  EXPECT_TRUE(this->fs().makeFolders(this->at("a/b"))) << "a folder that exists is made";
  std::unique_ptr<OutputFile> out = this->writing("a/b/c/f.bin", pattern(3));
  ASSERT_TRUE(out && out->commit());
  out.reset();
  EXPECT_EQ(this->readBack("a/b/c/f.bin"), pattern(3));

  this->place.put(this->at("file"), pattern(3));
  EXPECT_FALSE(this->fs().makeFolders(this->at("file")));
  EXPECT_FALSE(this->fs().makeFolders(this->at("file/below")));
  EXPECT_EQ(this->readBack("file"), pattern(3));
}

// An output never replaces a folder, and never leaves anything beside it.
TYPED_TEST(FileSystemContract, AnOutputOverAFolderIsRefused) {
  ASSERT_TRUE(this->fs().makeFolders(this->at("sub")));
  std::unique_ptr<OutputFile> out = this->fs().create(this->at("sub"));
  const bool committed = out && out->write("x", 1) && out->commit();
  out.reset();
  EXPECT_FALSE(committed);
  std::optional<FileInfo> sub = this->fs().stat(this->at("sub"));
  ASSERT_TRUE(sub);
  EXPECT_TRUE(sub->folder);
  EXPECT_TRUE(this->place.names().empty());
}

// On disk a file's folder has to exist before the file; the file system in memory waives that
// (kFilesNeedFolders) and places it anyway.
TYPED_TEST(FileSystemContract, AFileNeedsItsFolderUnlessWaived) {
  std::unique_ptr<OutputFile> out = this->fs().create(this->at("missing/f.bin"));
  const bool committed = out && out->write("x", 1) && out->commit();
  out.reset();
  EXPECT_NE(committed, TypeParam::kFilesNeedFolders);
  EXPECT_EQ(this->place.names(), committed ? Names{"missing/f.bin"} : Names{});
}

// ---- Faults the stand-ins inject ----

template <typename Place>
class FileSystemWithFaults : public testing::Test {};

using PlacesWithFaults = testing::Types<WithFaults<OnDisk>, WithFaults<InMemory>>;
TYPED_TEST_SUITE(FileSystemWithFaults, PlacesWithFaults, PlaceNames);

// Two outputs that take their names together: when the second cannot, the first is put back,
// whether it replaced a file or took a new name, and the second's old file stays.
TYPED_TEST(FileSystemWithFaults, ASecondNameThatFailsPutsTheFirstBack) {
  for (const bool firstExisted : {true, false}) {
    for (const bool secondExisted : {true, false}) {
      SCOPED_TRACE(testing::Message()
                   << "first existed " << firstExisted << ", second existed " << secondExisted);
      TypeParam place;
      if (firstExisted) place.put(place.root() + "/a.dif_bak.dif", pattern(10, 1));
      if (secondExisted) place.put(place.root() + "/a.dif", pattern(20, 2));
      const Names before = place.names();
      place.faults.failPublish = [](int published) { return published == 1; };
      std::unique_ptr<OutputFile> a = place.fs().create(place.root() + "/a.dif_bak.dif");
      std::unique_ptr<OutputFile> b = place.fs().create(place.root() + "/a.dif");
      ASSERT_TRUE(a && a->write("new", 3) && b && b->write("new", 3));
      OutputFile* outputs[] = {a.get(), b.get()};
      EXPECT_FALSE(commitTogether(outputs));
      a.reset();
      b.reset();
      std::optional<ByteImage> first = place.fs().read(place.root() + "/a.dif_bak.dif");
      ASSERT_EQ(first.has_value(), firstExisted);
      if (first) {
        EXPECT_EQ(bytesOf(first->bytes()), pattern(10, 1));
      }
      std::optional<ByteImage> second = place.fs().read(place.root() + "/a.dif");
      ASSERT_EQ(second.has_value(), secondExisted);
      if (second) {
        EXPECT_EQ(bytesOf(second->bytes()), pattern(20, 2));
      }
      EXPECT_EQ(place.names(), before);
    }
  }
}

}  // namespace
}  // namespace hm
