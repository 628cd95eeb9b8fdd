#pragma once

#include "platform/file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace hm::test {

// Files held in a map: fast enough for tests that write thousands of files. It answers as the
// real file system does (tests/platform/file_system_contract_test.cpp holds both to the same
// rules), except that a file needs no folder to sit in: tests may put files anywhere at once.
class MemoryFileSystem : public FileSystem {
 public:
  std::map<std::string, std::vector<std::uint8_t>> files;
  // The folders makeFolders() made. The folders of the files, and the folders above any of
  // these, exist too without being listed.
  std::set<std::string> folders;

  std::optional<FileInfo> stat(const std::string& path) override {
    if (path.empty()) return std::nullopt;
    auto it = files.find(path);
    if (it != files.end()) return FileInfo{.regular = true, .size = it->second.size()};
    if (isFolder(path)) return FileInfo{.folder = true};
    return std::nullopt;
  }

  std::optional<ByteImage> read(const std::string& path, std::size_t maxBytes = SIZE_MAX) override {
    auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    std::size_t size = std::min(it->second.size(), maxBytes);
    ByteImage image = ByteImage::uninitialized(size);
    std::copy_n(it->second.begin(), size, image.data());
    return image;
  }

  // Only a regular file or a missing name is replaced, as on disk.
  std::unique_ptr<OutputFile> create(const std::string& path) override {
    if (path.empty() || isFolder(path)) {
      errno = EISDIR;
      return nullptr;
    }
    return std::make_unique<Output>(*this, path);
  }

  bool makeFolders(const std::string& path) override {
    if (path.empty()) return false;
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
      if (files.count(path.substr(0, slash))) return false;
    }
    if (files.count(path)) return false;
    folders.insert(path);
    return true;
  }

  bool remove(const std::string& path) override {
    if (isFolder(path)) return false;
    files.erase(path);
    return true;
  }

 private:
  static const std::string& nameOf(const std::string& folder) { return folder; }
  template <typename Bytes>
  static const std::string& nameOf(const std::pair<const std::string, Bytes>& file) {
    return file.first;
  }

  template <typename Names>
  static bool holdsNameUnder(const Names& names, const std::string& folder) {
    const std::string prefix = folder + "/";
    auto it = names.lower_bound(prefix);
    return it != names.end() && nameOf(*it).starts_with(prefix);
  }

  bool isFolder(const std::string& path) const {
    return folders.count(path) || holdsNameUnder(files, path) || holdsNameUnder(folders, path);
  }

  class Output : public OutputFile {
   public:
    Output(MemoryFileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {}
    bool write(const void* data, std::size_t size) override {
      auto* p = static_cast<const std::uint8_t*>(data);
      bytes_.insert(bytes_.end(), p, p + size);
      return true;
    }
    bool writeAt(std::uint64_t offset, const void* data, std::size_t size) override {
      if (offset > bytes_.size() || bytes_.size() - offset < size) return false;
      auto* p = static_cast<const std::uint8_t*>(data);
      std::copy(p, p + size, bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
      return true;
    }
    bool prepare() override {
      prepared_ = true;
      return true;
    }
    // Like the real output it takes its name once, only once prepared, and never over a folder
    // that appeared meanwhile: code that skips a step fails here as it would on disk.
    bool publish(bool keepPrevious) override {
      if (!prepared_ || published_ || fs_.isFolder(path_)) return false;
      if (keepPrevious) {
        auto old = fs_.files.find(path_);
        previous_ = old == fs_.files.end() ? std::nullopt : std::optional(old->second);
        kept_ = true;
      }
      fs_.files[path_] = std::move(bytes_);
      published_ = true;
      return true;
    }
    bool withdraw() override {
      if (!kept_) return false;
      if (previous_) {
        fs_.files[path_] = std::move(*previous_);
      } else {
        fs_.files.erase(path_);
      }
      kept_ = false;
      return true;
    }
    void settle() override {
      kept_ = false;
      previous_.reset();
    }

   private:
    MemoryFileSystem& fs_;
    std::string path_;
    std::vector<std::uint8_t> bytes_;
    std::optional<std::vector<std::uint8_t>> previous_;
    bool kept_ = false;
    bool prepared_ = false;
    bool published_ = false;
  };
};

}  // namespace hm::test
