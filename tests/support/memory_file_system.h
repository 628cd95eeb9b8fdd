#pragma once

#include "platform/file_system.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hm::test {

// Files held in a map: fast enough for tests that write thousands of files. An output appears
// only when committed, as with the real file system.
class MemoryFileSystem : public FileSystem {
 public:
  std::map<std::string, std::vector<std::uint8_t>> files;

  std::optional<FileInfo> stat(const std::string& path) override {
    auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    return FileInfo{.regular = true, .size = it->second.size()};
  }

  std::optional<ByteImage> read(const std::string& path, std::size_t maxBytes = SIZE_MAX) override {
    auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    std::size_t size = std::min(it->second.size(), maxBytes);
    ByteImage image = ByteImage::uninitialized(size);
    std::copy_n(it->second.begin(), size, image.data());
    return image;
  }

  std::unique_ptr<OutputFile> create(const std::string& path) override {
    return std::make_unique<Output>(*this, path);
  }

  // Files here need no folders to sit in.
  bool makeFolders(const std::string&) override { return true; }
  bool remove(const std::string& path) override {
    files.erase(path);
    return true;
  }

 private:
  class Output : public OutputFile {
   public:
    Output(MemoryFileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {}
    bool write(const void* data, std::size_t size) override {
      auto* p = static_cast<const std::uint8_t*>(data);
      bytes_.insert(bytes_.end(), p, p + size);
      return true;
    }
    bool publish(bool keepPrevious) override {
      if (keepPrevious) {
        auto old = fs_.files.find(path_);
        previous_ = old == fs_.files.end() ? std::nullopt : std::optional(old->second);
        kept_ = true;
      }
      fs_.files[path_] = std::move(bytes_);
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
  };
};

}  // namespace hm::test
