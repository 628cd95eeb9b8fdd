#include "dif/dif_applier.h"

#include "dif/dif_format.h"
#include "dif/ips_reader.h"
#include "dif/streamed_patch.h"
#include "platform/file_stream.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace hm {

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

bool recordsAscend(std::span<const std::uint8_t> dif) {
  RecordSteps records(dif);
  DifRecord record{};
  std::size_t end = 0;
  while (records.next(record)) {
    auto start = static_cast<std::size_t>(record.address);
    if (start < end) return false;
    end = start + static_cast<std::size_t>(record.length);
  }
  return true;
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
  if (!walkDif(dif->bytes()).ok()) return Error{ErrorCode::InvalidDif, kInvalidDifApplyText};
  if (recordsAscend(dif->bytes())) {
    std::unique_ptr<FileStream> bin = fs.openStream(binPath);
    if (!bin) return Error{ErrorCode::OpenFailed, kBinWriteErrorText};
    return writeStreamedPatch(fs, outPath, dif->bytes(), *bin);
  }
  // Later records overwrite earlier ones, so the whole image is patched in memory first.
  std::optional<ByteImage> bin = fs.read(binPath);
  if (!bin) return Error{ErrorCode::OpenFailed, kBinWriteErrorText};
  applyDif(dif->bytes(), *bin);
  dif->release();
  return writeBin(fs, outPath, bin->bytes());
}

}  // namespace hm
