#pragma once

#include "platform/file_reader.h"
#include "platform/file_stream.h"
#include "platform/file_system.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace hm {

// Passes everything to another file system and watches what is written, so that long work
// which writes through it can show its progress and be stopped without a word in the code that
// writes: every few megabytes `progress` hears how many bytes went out, and once `keepGoing`
// answers false every later write fails. The writer then drops its output uncommitted, and the
// files it was to replace stay as they were.
class WatchedFileSystem : public FileSystem {
 public:
  using KeepGoing = std::function<bool()>;
  using Progress = std::function<void(std::uint64_t written)>;
  static constexpr std::uint64_t kReportEvery = 8u << 20;

  WatchedFileSystem(FileSystem& inner, KeepGoing keepGoing, Progress progress = {})
      : inner_(inner), keepGoing_(std::move(keepGoing)), progress_(std::move(progress)) {}

  // Whether a write was refused because the work was stopped: a failure the user asked for.
  bool stopped() const { return stopped_; }
  // Called by the outputs before each write of `size` bytes; false refuses it.
  bool mayWrite(std::size_t size);

  std::optional<FileInfo> stat(const std::string& path) override { return inner_.stat(path); }
  std::optional<ByteImage> read(const std::string& path, std::size_t maxBytes) override {
    return inner_.read(path, maxBytes);
  }
  std::optional<FileView> view(const std::string& path, std::size_t maxBytes) override {
    return inner_.view(path, maxBytes);
  }
  std::unique_ptr<FileReader> openReader(const std::string& path) override {
    return inner_.openReader(path);
  }
  std::unique_ptr<FileStream> openStream(const std::string& path) override {
    return inner_.openStream(path);
  }
  std::unique_ptr<OutputFile> create(const std::string& path) override;
  bool makeFolders(const std::string& path) override { return inner_.makeFolders(path); }
  bool remove(const std::string& path) override { return inner_.remove(path); }
  Result<std::unique_ptr<FileLock>> lock(const std::string& path, std::chrono::milliseconds wait,
                                         MissingFile missing) override {
    return inner_.lock(path, wait, missing);
  }
  Result<std::unique_ptr<FileLock>> lockFolder(const std::string& folder,
                                               std::chrono::milliseconds wait) override {
    return inner_.lockFolder(folder, wait);
  }

 private:
  FileSystem& inner_;
  KeepGoing keepGoing_;
  Progress progress_;
  // Outputs written aside count here from their own threads.
  std::atomic<bool> stopped_{false};
  std::atomic<std::uint64_t> written_{0};
  std::atomic<std::uint64_t> nextReport_{kReportEvery};
  // Progress is told on the thread the work runs on, where `progress` may touch what it shows.
  std::thread::id owner_ = std::this_thread::get_id();
};

}  // namespace hm
