#include "dif/dif_applier.h"

#include "dif/dif_format.h"
#include "dif/ips_reader.h"

#include <array>
#include <cstring>
#include <memory>
#include <vector>

namespace hm {

namespace {

// Hands the patched BIN to the output as pieces - stretches of the BIN, the records' bytes,
// zeros where a block lies past the BIN's end - so the kernel copies each byte once, straight
// from the mapped BIN and the DIF, as a plain copy of the file would. Small pieces are copied
// side by side first, so a DIF of many tiny adjacent records does not cost a piece each.
class PatchedBinWriter {
 public:
  explicit PatchedBinWriter(OutputFile& out) : out_(out), staging_(new std::uint8_t[kStaging]) {
    pieces_.reserve(kBatch);
  }

  void add(std::span<const std::uint8_t> piece) {
    if (piece.empty()) return;
    if (piece.size() > kCopiedPiece) return push(piece);
    if (staged_ + piece.size() > kStaging || pieces_.size() == kBatch) flush();
    std::uint8_t* at = staging_.get() + staged_;
    std::memcpy(at, piece.data(), piece.size());
    staged_ += piece.size();
    if (!pieces_.empty() && pieces_.back().data() + pieces_.back().size() == at) {
      pieces_.back() = {pieces_.back().data(), pieces_.back().size() + piece.size()};
    } else {
      pieces_.push_back({at, piece.size()});
    }
  }

  void addZeros(std::size_t count) {
    static const std::array<std::uint8_t, 64 * 1024> zeros{};
    while (count > 0) {
      std::size_t n = std::min(count, zeros.size());
      push({zeros.data(), n});
      count -= n;
    }
  }

  // False if any write failed.
  bool finish() {
    flush();
    return !failed_;
  }

 private:
  static constexpr std::size_t kBatch = 1024;
  static constexpr std::size_t kStaging = 64 * 1024;
  static constexpr std::size_t kCopiedPiece = 256;

  void push(std::span<const std::uint8_t> piece) {
    if (pieces_.size() == kBatch) flush();
    pieces_.push_back(piece);
  }

  void flush() {
    if (!pieces_.empty() && !failed_ && !out_.writePieces(pieces_)) failed_ = true;
    pieces_.clear();
    staged_ = 0;
  }

  OutputFile& out_;
  std::vector<std::span<const std::uint8_t>> pieces_;
  std::unique_ptr<std::uint8_t[]> staging_;
  std::size_t staged_ = 0;
  bool failed_ = false;
};

// Records in ascending order of address, none overlapping the one before: the patched BIN
// can then be written front to back.
Status writePatchedBin(FileSystem& fs, const std::string& path, std::span<const std::uint8_t> dif,
                       const FileView& bin) {
  std::unique_ptr<OutputFile> out = fs.create(path);
  if (!out) return Error{ErrorCode::WriteFailed, kBinWriteErrorText};
  PatchedBinWriter writer(*out);
  const std::span<const std::uint8_t> source = bin.bytes();
  std::size_t at = 0;
  walkDif(dif, [&](const DifRecord& record) {
    auto start = static_cast<std::size_t>(record.address);
    if (start > at && at < source.size()) {
      std::size_t end = std::min(start, source.size());
      writer.add(source.subspan(at, end - at));
      at = end;
    }
    if (start > at) writer.addZeros(start - at);
    writer.add(dif.subspan(record.dataOffset, static_cast<std::size_t>(record.length)));
    at = start + static_cast<std::size_t>(record.length);
  });
  if (at < source.size()) writer.add(source.subspan(at));
  const bool written = writer.finish();
  // Zeros the BIN never held must not reach the output.
  if (!bin.intact()) return Error{ErrorCode::OpenFailed, kBinWriteErrorText};
  if (!written || !out->commit()) return Error{ErrorCode::WriteFailed, kBinWriteErrorText};
  return success();
}

}  // namespace

Status checkDif(std::span<const std::uint8_t> dif) {
  if (!walkDif(dif).ok()) return Error{ErrorCode::InvalidDif, kInvalidDifApplyText};
  return success();
}

void applyDif(std::span<const std::uint8_t> dif, ByteImage& bin) {
  walkDif(dif, [&](const DifRecord& record) {
    auto start = static_cast<std::size_t>(record.address);
    auto length = static_cast<std::size_t>(record.length);
    if (bin.size() < start + length) bin.resize(start + length);
    std::memcpy(bin.data() + start, dif.data() + record.dataOffset, length);
  });
}

Status writeBin(FileSystem& fs, const std::string& path, std::span<const std::uint8_t> image) {
  std::unique_ptr<OutputFile> out = fs.create(path);
  if (!out) return Error{ErrorCode::WriteFailed, kBinWriteErrorText};
  BufferedWriter writer(*out);
  if (!image.empty()) writer.write(image.data(), image.size());
  if (!writer.finish()) return Error{ErrorCode::WriteFailed, kBinWriteErrorText};
  return success();
}

Status applyDifFile(FileSystem& fs, const std::string& difPath, const std::string& binPath,
                    const std::string& outPath) {
  std::optional<ByteImage> dif = fs.read(difPath);
  if (!dif) return Error{ErrorCode::OpenFailed, kBinWriteErrorText};
  if (Status ips = difFromIps(*dif); !ips) return ips.error();
  bool ascending = true;
  std::size_t end = 0;
  DifWalk walk = walkDif(dif->bytes(), [&](const DifRecord& record) {
    auto start = static_cast<std::size_t>(record.address);
    ascending = ascending && start >= end;
    end = std::max(end, start + static_cast<std::size_t>(record.length));
  });
  if (!walk.ok()) return Error{ErrorCode::InvalidDif, kInvalidDifApplyText};

  if (ascending) {
    std::optional<FileView> bin = fs.view(binPath);
    if (!bin) return Error{ErrorCode::OpenFailed, kBinWriteErrorText};
    return writePatchedBin(fs, outPath, dif->bytes(), *bin);
  }
  // Later records overwrite earlier ones, so the whole image is patched in memory first.
  std::optional<ByteImage> bin = fs.read(binPath);
  if (!bin) return Error{ErrorCode::OpenFailed, kBinWriteErrorText};
  applyDif(dif->bytes(), *bin);
  dif->release();
  return writeBin(fs, outPath, bin->bytes());
}

}  // namespace hm
