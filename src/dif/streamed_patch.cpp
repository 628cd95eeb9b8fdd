#include "dif/streamed_patch.h"

#include "dif/dif_format.h"
#include "platform/user_texts.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace hm {

namespace {

// The output one buffer at a time: the BIN's bytes (zeros past its end) read into the buffer,
// the records' bytes copied over them, the buffer written.
class PatchedCopy {
 public:
  PatchedCopy(FileStream& bin, OutputFile& out, std::uint64_t outputLength, std::size_t bufferBytes)
      : bin_(bin),
        out_(out),
        binLength_(bin.size()),
        outputLength_(outputLength),
        capacity_(std::max<std::size_t>(bufferBytes, 1)),
        buffer_(new std::uint8_t[capacity_]) {}

  void patch(std::uint64_t address, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty() && ok()) {
      if (address >= chunkStart_ + chunkLength_) {
        next();
        continue;
      }
      const auto at = static_cast<std::size_t>(address - chunkStart_);
      const std::size_t n = std::min(bytes.size(), chunkLength_ - at);
      std::memcpy(buffer_.get() + at, bytes.data(), n);
      bytes = bytes.subspan(n);
      address += n;
    }
  }

  void finish() {
    while (ok() && chunkStart_ + chunkLength_ < outputLength_) next();
    write();
  }

  bool readFailed() const { return readFailed_; }
  bool writeFailed() const { return writeFailed_; }

 private:
  bool ok() const { return !readFailed_ && !writeFailed_; }

  void write() {
    if (ok() && chunkLength_ > 0 && !out_.write(buffer_.get(), chunkLength_)) writeFailed_ = true;
  }

  // Writes the buffer and reads the next piece of the BIN into it.
  void next() {
    write();
    chunkStart_ += chunkLength_;
    chunkLength_ =
        static_cast<std::size_t>(std::min<std::uint64_t>(capacity_, outputLength_ - chunkStart_));
    const auto fromBin = static_cast<std::size_t>(
        chunkStart_ < binLength_ ? std::min<std::uint64_t>(chunkLength_, binLength_ - chunkStart_)
                                 : 0);
    // Nothing left to read and a record still to place cannot happen for a checked DIF; it
    // stops rather than loops.
    if (chunkLength_ == 0 || !readExactly(bin_, buffer_.get(), fromBin)) {
      readFailed_ = true;
      return;
    }
    std::memset(buffer_.get() + fromBin, 0, chunkLength_ - fromBin);
  }

  FileStream& bin_;
  OutputFile& out_;
  const std::uint64_t binLength_;
  const std::uint64_t outputLength_;
  const std::size_t capacity_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::uint64_t chunkStart_ = 0;
  std::size_t chunkLength_ = 0;
  bool readFailed_ = false;
  bool writeFailed_ = false;
};

}  // namespace

Status writeStreamedPatch(FileSystem& fs, const std::string& outPath,
                          std::span<const std::uint8_t> dif, FileStream& bin,
                          std::size_t bufferBytes) {
  std::uint64_t outputLength = bin.size();
  walkDif(dif, [&](const DifRecord& record) {
    outputLength = std::max<std::uint64_t>(
        outputLength, std::uint64_t(record.address) + std::uint64_t(record.length));
  });
  std::unique_ptr<OutputFile> out = fs.create(outPath);
  if (!out) return Error{ErrorCode::WriteFailed, kBinWriteErrorText};
  PatchedCopy copy(bin, *out, outputLength, bufferBytes);
  walkDif(dif, [&](const DifRecord& record) {
    copy.patch(static_cast<std::uint64_t>(record.address),
               dif.subspan(record.dataOffset, static_cast<std::size_t>(record.length)));
  });
  copy.finish();
  // Zeros the BIN never held must not reach the output.
  if (copy.readFailed()) return Error{ErrorCode::OpenFailed, kBinWriteErrorText};
  if (copy.writeFailed() || !out->commit()) {
    return Error{ErrorCode::WriteFailed, kBinWriteErrorText};
  }
  return success();
}

}  // namespace hm
