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
// to the output straight from the DIF, and the BIN's bytes under it are passed over unread,
// unless a classifier is to see them first: it is given each record's bytes as the BIN held them,
// before the record is put over them.
class PatchedCopy {
 public:
  PatchedCopy(FileStream& bin, OutputFile& out, std::size_t bufferBytes, BinClassifier* classifier)
      : bin_(bin),
        out_(out),
        binLength_(bin.size()),
        reach_(binLength_),
        capacity_(std::max<std::size_t>(bufferBytes, 1)),
        buffer_(new std::uint8_t[capacity_]),
        classifier_(classifier) {}

  void patch(std::uint64_t address, std::span<const std::uint8_t> bytes) {
    reach_ = std::max<std::uint64_t>(reach_, address + bytes.size());
    if (classifier_) classify(address, bytes.size());
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
    while (ok() && end() < reach_) {
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

  // Hands the classifier what the BIN holds under the record about to be put at `address`: from
  // the buffer, or, where the record reaches past it, read on from the BIN beside it.
  void classify(std::uint64_t address, std::size_t length) {
    while (ok() && address >= end() && address < binLength_) {
      write();
      load();
    }
    if (!ok()) return;
    const auto present = static_cast<std::size_t>(
        address < binLength_ ? std::min<std::uint64_t>(length, binLength_ - address) : 0);
    if (present == 0) return classifier_->record({});
    const auto inBuffer = static_cast<std::size_t>(
        address < end() ? std::min<std::uint64_t>(present, end() - address) : 0);
    const std::uint8_t* here = buffer_.get() + (address - start_);
    if (inBuffer == present) return classifier_->record({here, present});
    // Not cleared first: the reads fill it, and clearing megabytes costs as much again.
    if (beyondCapacity_ < present) {
      beyond_.reset(new std::uint8_t[present]);
      beyondCapacity_ = present;
    }
    if (inBuffer > 0) std::memcpy(beyond_.get(), here, inBuffer);
    // A buffer at a time: one read of many megabytes measured slower here than its pieces.
    for (std::size_t at = inBuffer; at < present; at += capacity_) {
      if (!readExactly(bin_, beyond_.get() + at, std::min(capacity_, present - at))) {
        readFailed_ = true;
        return;
      }
    }
    read_ = address + present;
    classifier_->record({beyond_.get(), present});
  }

  // Writes the buffer; what follows it in the output starts where it ended.
  void write() {
    if (ok() && length_ > 0 && !out_.write(buffer_.get(), length_)) writeFailed_ = true;
    start_ += length_;
    length_ = 0;
  }

  // Fills the buffer from start_ on: the BIN's bytes, zeros past its end up to where the records
  // seen so far reach. Bytes read already lie under the record being put, which covers them.
  void load() {
    length_ = static_cast<std::size_t>(std::min<std::uint64_t>(capacity_, reach_ - start_));
    const std::uint64_t binEnd = std::min(end(), binLength_);
    const std::uint64_t from = std::min(start_, binLength_);
    // Nothing left to read and a record still to place cannot happen for a checked DIF; it
    // stops rather than loops.
    if (length_ == 0 || (read_ < from && !bin_.skip(from - read_))) {
      readFailed_ = true;
      return;
    }
    read_ = std::max(read_, from);
    if (read_ < binEnd) {
      const auto count = static_cast<std::size_t>(binEnd - read_);
      if (!readExactly(bin_, buffer_.get() + (read_ - start_), count)) {
        readFailed_ = true;
        return;
      }
      read_ = binEnd;
    }
    if (binEnd < end()) {
      const auto zerosFrom = static_cast<std::size_t>(std::max(binEnd, start_) - start_);
      std::memset(buffer_.get() + zerosFrom, 0, length_ - zerosFrom);
    }
  }

  FileStream& bin_;
  OutputFile& out_;
  const std::uint64_t binLength_;
  std::uint64_t reach_;  // the output's length as far as the records seen so far tell
  const std::size_t capacity_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  BinClassifier* classifier_;
  // A record's BIN bytes where they reach past the buffer.
  std::unique_ptr<std::uint8_t[]> beyond_;
  std::size_t beyondCapacity_ = 0;
  std::uint64_t start_ = 0;  // where the buffer's bytes go in the output
  std::size_t length_ = 0;
  std::uint64_t read_ = 0;  // how far the BIN has been read or passed over
  bool readFailed_ = false;
  bool writeFailed_ = false;
};

// Takes the bytes of an output that could not be created, so the BIN is still classified.
class NoOutput : public OutputFile {
 public:
  bool write(const void*, std::size_t) override { return true; }
  bool publish(bool) override { return false; }
};

// Passes the BIN to `out` with every record of `dif` put over it; false when the BIN could not
// be read to its end.
bool copyPatched(PatchedCopy& copy, std::span<const std::uint8_t> dif) {
  RecordSteps records(dif);
  DifRecord record{};
  while (records.next(record)) {
    copy.patch(static_cast<std::uint64_t>(record.address),
               dif.subspan(record.dataOffset, static_cast<std::size_t>(record.length)));
  }
  copy.finish();
  return !copy.readFailed();
}

}  // namespace

Status writeStreamedPatch(FileSystem& fs, const std::string& outPath,
                          std::span<const std::uint8_t> dif, FileStream& bin,
                          std::size_t bufferBytes) {
  std::unique_ptr<OutputFile> out = fs.create(outPath);
  if (!out) return Error{ErrorCode::WriteFailed, kBinWriteErrorText};
  PatchedCopy copy(bin, *out, bufferBytes, nullptr);
  // Zeros the BIN never held must not reach the output.
  if (!copyPatched(copy, dif)) return Error{ErrorCode::OpenFailed, kBinWriteErrorText};
  if (copy.writeFailed() || !out->commit()) {
    return Error{ErrorCode::WriteFailed, kBinWriteErrorText};
  }
  return success();
}

Result<CheckedPatch> writeCheckedPatch(FileSystem& fs, const std::string& outPath,
                                       std::span<const std::uint8_t> dif,
                                       std::span<const std::uint8_t> before, FileStream& bin,
                                       std::size_t bufferBytes) {
  CheckedPatch patched;
  patched.out = fs.create(outPath);
  NoOutput nowhere;
  BinClassifier classifier(dif, before, bin.size());
  PatchedCopy copy(bin, patched.out ? *patched.out : nowhere, bufferBytes, &classifier);
  if (!copyPatched(copy, dif)) return Error{ErrorCode::OpenFailed, kBinWriteErrorText};
  patched.written = patched.out && !copy.writeFailed();
  patched.check = classifier.result();
  return patched;
}

}  // namespace hm
