#include "platform/watched_file_system.h"

namespace hm {

namespace {

class WatchedOutput : public OutputFile {
 public:
  WatchedOutput(std::unique_ptr<OutputFile> inner, WatchedFileSystem& fs)
      : inner_(std::move(inner)), fs_(fs) {}

  bool write(const void* data, std::size_t size) override {
    return fs_.mayWrite(size) && inner_->write(data, size);
  }
  bool writePieces(std::span<const std::span<const std::uint8_t>> pieces) override {
    std::size_t size = 0;
    for (const auto& piece : pieces) size += piece.size();
    return fs_.mayWrite(size) && inner_->writePieces(pieces);
  }
  bool writeAt(std::uint64_t offset, const void* data, std::size_t size) override {
    return !fs_.stopped() && inner_->writeAt(offset, data, size);
  }
  // Once everything is written the work is as good as done: the last steps are not stopped.
  bool writableAside() const override { return inner_->writableAside(); }
  bool prepare() override { return !fs_.stopped() && inner_->prepare(); }
  bool publish(bool keepPrevious) override { return inner_->publish(keepPrevious); }
  bool withdraw() override { return inner_->withdraw(); }
  void settle() override { inner_->settle(); }

 private:
  std::unique_ptr<OutputFile> inner_;
  WatchedFileSystem& fs_;
};

}  // namespace

bool WatchedFileSystem::mayWrite(std::size_t size) {
  if (!stopped_ && keepGoing_ && !keepGoing_()) stopped_ = true;
  if (stopped_) return false;
  const std::uint64_t written = written_ += size;
  if (std::this_thread::get_id() != owner_) return true;
  if (written >= nextReport_) {
    nextReport_ = written + kReportEvery;
    if (progress_) progress_(written);
  }
  return true;
}

std::unique_ptr<OutputFile> WatchedFileSystem::create(const std::string& path) {
  std::unique_ptr<OutputFile> out = inner_.create(path);
  if (!out) return out;
  return std::make_unique<WatchedOutput>(std::move(out), *this);
}

}  // namespace hm
