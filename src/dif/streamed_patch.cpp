#include "dif/streamed_patch.h"

#include "dif/dif_format.h"
#include "platform/user_texts.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace hm {

namespace {

// The output one buffer at a time: the BIN's bytes (zeros past its end) read into the buffer,
// the records' bytes copied over them, the buffer written. A record longer than the buffer goes
// to the output straight from the DIF, and the BIN's bytes under it are passed over unread.
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
      if (address < end()) {
        const auto at = static_cast<std::size_t>(address - start_);
        const std::size_t n = std::min(bytes.size(), length_ - at);
        std::memcpy(buffer_.get() + at, bytes.data(), n);
        bytes = bytes.subspan(n);
        address += n;
        continue;
      }
      write();
      if (address == start_ && bytes.size() >= capacity_) {
        if (!out_.write(bytes.data(), bytes.size())) writeFailed_ = true;
        start_ += bytes.size();
        return;
      }
      load();
    }
  }

  void finish() {
    while (ok() && end() < outputLength_) {
      write();
      load();
    }
    write();
  }

  bool readFailed() const { return readFailed_; }
  bool writeFailed() const { return writeFailed_; }

 private:
  bool ok() const { return !readFailed_ && !writeFailed_; }
  std::uint64_t end() const { return start_ + length_; }

  // Writes the buffer; what follows it in the output starts where it ended.
  void write() {
    if (ok() && length_ > 0 && !out_.write(buffer_.get(), length_)) writeFailed_ = true;
    start_ += length_;
    length_ = 0;
  }

  // Reads the BIN's bytes from start_ on into the buffer, zeros past its end.
  void load() {
    length_ = static_cast<std::size_t>(std::min<std::uint64_t>(capacity_, outputLength_ - start_));
    const std::uint64_t from = std::min(start_, binLength_);
    const auto fromBin =
        static_cast<std::size_t>(std::min<std::uint64_t>(length_, binLength_ - from));
    // Nothing left to read and a record still to place cannot happen for a checked DIF; it
    // stops rather than loops.
    const bool passed = read_ >= from || bin_.skip(from - read_);
    if (length_ == 0 || !passed || !readExactly(bin_, buffer_.get(), fromBin)) {
      readFailed_ = true;
      return;
    }
    read_ = from + fromBin;
    std::memset(buffer_.get() + fromBin, 0, length_ - fromBin);
  }

  FileStream& bin_;
  OutputFile& out_;
  const std::uint64_t binLength_;
  const std::uint64_t outputLength_;
  const std::size_t capacity_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::uint64_t start_ = 0;  // where the buffer's bytes go in the output
  std::size_t length_ = 0;
  std::uint64_t read_ = 0;  // how far the BIN has been read or passed over
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
