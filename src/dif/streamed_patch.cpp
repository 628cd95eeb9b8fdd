#include "dif/streamed_patch.h"

#include "dif/dif_format.h"
#include "dif/dif_stream_reader.h"
#include "platform/user_texts.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

namespace hm {

namespace {

// The output one buffer at a time: the BIN's bytes (zeros past its end) read into the buffer,
// the records' bytes copied over them, the buffer written. A record longer than the buffer goes
// to the output straight from the DIF, and the BIN's bytes under it are passed over unread,
// unless a judge is to see them first: it is given each record's bytes as the BIN held them,
// before the record is put over them.
class PatchedCopy {
 public:
  PatchedCopy(FileStream& bin, OutputFile& out, std::size_t bufferBytes, BlockJudge* judge)
      : bin_(bin),
        out_(out),
        binLength_(bin.size()),
        reach_(binLength_),
        capacity_(std::max<std::size_t>(bufferBytes, 1)),
        buffer_(new std::uint8_t[capacity_]),
        judge_(judge) {}

  // Puts `bytes` at `address`; `source` is what the DIF's counterpart says the BIN held there.
  void patch(std::uint64_t address, std::span<const std::uint8_t> bytes,
             std::span<const std::uint8_t> source = {}) {
    reach_ = std::max<std::uint64_t>(reach_, address + bytes.size());
    if (judge_) judge(address, bytes, source);
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

  // Hands the judge what the BIN holds under the record about to be put at `address`: from the
  // buffer, or, where the record reaches past it, read on from the BIN beside it.
  void judge(std::uint64_t address, std::span<const std::uint8_t> bytes,
             std::span<const std::uint8_t> source) {
    const std::size_t length = bytes.size();
    while (ok() && address >= end() && address < binLength_) {
      write();
      load();
    }
    if (!ok()) return;
    const auto present = static_cast<std::size_t>(
        address < binLength_ ? std::min<std::uint64_t>(length, binLength_ - address) : 0);
    if (present == 0) return judge_->judge(address, {}, bytes, source);
    const auto inBuffer = static_cast<std::size_t>(
        address < end() ? std::min<std::uint64_t>(present, end() - address) : 0);
    const std::uint8_t* here = buffer_.get() + (address - start_);
    if (inBuffer == present) return judge_->judge(address, {here, present}, bytes, source);
    // Not cleared first: the reads fill it, and clearing megabytes costs as much again.
    if (beyond_.size() < present) beyond_ = ByteImage::uninitialized(present);
    if (inBuffer > 0) std::memcpy(beyond_.data(), here, inBuffer);
    // A buffer at a time: one read of many megabytes measured slower here than its pieces.
    for (std::size_t at = inBuffer; at < present; at += capacity_) {
      if (!readExactly(bin_, beyond_.data() + at, std::min(capacity_, present - at))) {
        readFailed_ = true;
        return;
      }
    }
    read_ = address + present;
    judge_->judge(address, {beyond_.data(), present}, bytes, source);
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
  BlockJudge* judge_;
  // A record's BIN bytes where they reach past the buffer.
  ByteImage beyond_;
  std::uint64_t start_ = 0;  // where the buffer's bytes go in the output
  std::size_t length_ = 0;
  std::uint64_t read_ = 0;  // how far the BIN has been read or passed over
  bool readFailed_ = false;
  bool writeFailed_ = false;
};

// Takes the bytes of an output that could not be created, so the BIN is still judged.
class NoOutput : public OutputFile {
 public:
  bool write(const void*, std::size_t) override { return true; }
  bool publish(bool) override { return false; }
};

// Passes the BIN to `out` with every record of `dif` put over it, each with its counterpart's
// bytes from `before` where there is one; false when the BIN could not be read to its end.
bool copyPatched(PatchedCopy& copy, std::span<const std::uint8_t> dif,
                 std::span<const std::uint8_t> before = {}) {
  RecordSteps records(dif);
  RecordSteps sources(before);
  DifRecord record{};
  DifRecord original{};
  while (records.next(record)) {
    const auto length = static_cast<std::size_t>(record.length);
    std::span<const std::uint8_t> source;
    if (sources.next(original)) source = before.subspan(original.dataOffset, length);
    copy.patch(static_cast<std::uint64_t>(record.address), dif.subspan(record.dataOffset, length),
               source);
  }
  copy.finish();
  return !copy.readFailed();
}

// The same from the two DIFs read as they come. Not taken (InvalidDif) when either is not one the
// pass takes, even where the BIN failed first, so that the whole read tells what is wrong with
// them; OpenFailed when the BIN could not be read to its end.
Status copyStreamed(PatchedCopy& copy, DifStreamReader& dif, DifStreamReader* before) {
  const Error notTaken{ErrorCode::InvalidDif, ""};
  DifRecord record{};
  DifRecord original{};
  std::span<const std::uint8_t> bytes;
  std::span<const std::uint8_t> source;
  std::uint64_t end = 0;
  while (dif.next(record, bytes)) {
    const auto address = static_cast<std::uint64_t>(record.address);
    if (address < end) return notTaken;
    end = address + bytes.size();
    if (before && (!before->next(original, source) || original.address != record.address ||
                   original.length != record.length)) {
      return notTaken;
    }
    copy.patch(address, bytes, source);
  }
  if (dif.failed()) return notTaken;
  copy.finish();
  if (copy.readFailed()) return Error{ErrorCode::OpenFailed, kBinWriteErrorText};
  return success();
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
  BlockJudge judge(RecordSteps(dif).count(), bin.size());
  PatchedCopy copy(bin, patched.out ? *patched.out : nowhere, bufferBytes, &judge);
  if (!copyPatched(copy, dif, before)) return Error{ErrorCode::OpenFailed, kBinWriteErrorText};
  patched.written = patched.out && !copy.writeFailed();
  patched.check = judge.result();
  return patched;
}

Result<CheckedPatch> writeStreamedDifPatch(FileSystem& fs, const std::string& outPath,
                                           FileStream& dif, FileStream* before, FileStream& bin,
                                           std::size_t bufferBytes) {
  // The DIFs' buffers are smaller than the BIN's: they are read far less, and every fresh page
  // counts in a job this short.
  const std::size_t difBuffer = std::min<std::size_t>(bufferBytes, 16 * 1024);
  DifStreamReader patches(dif, difBuffer);
  std::optional<DifStreamReader> sources;
  if (before) sources.emplace(*before, difBuffer);
  if (!patches.start() || (sources && (!sources->start() || sources->count() != patches.count()))) {
    return Error{ErrorCode::InvalidDif, ""};
  }
  CheckedPatch patched;
  patched.out = fs.create(outPath);
  NoOutput nowhere;
  BlockJudge judge(patches.count(), bin.size());
  PatchedCopy copy(bin, patched.out ? *patched.out : nowhere, bufferBytes,
                   sources ? &judge : nullptr);
  if (Status copied = copyStreamed(copy, patches, sources ? &*sources : nullptr); !copied) {
    return copied.error();
  }
  patched.written = patched.out && !copy.writeFailed();
  patched.check = judge.result();
  return patched;
}

}  // namespace hm
