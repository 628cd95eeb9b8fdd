#include "dif/dif_writer.h"

#include "blocks/block_line.h"
#include "blocks/hex_format.h"
#include "dif/dif_format.h"
#include "dif/dif_record_index.h"
#include "platform/ascii_text.h"
#include "platform/atomic_output_file.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <thread>
#include <unordered_map>
#include <vector>

namespace hm {

namespace {

Error writeFailed() {
  return {ErrorCode::WriteFailed, kDifWriteErrorText};
}

// The write error and why: a user who sees only "Ошибка записи DIF файла" for a block past the
// target's end would look for a disk fault.
std::string because(std::string_view why) {
  return withWhy(kDifWriteErrorText, why);
}

Error unreadable(const std::string& path) {
  return {ErrorCode::OpenFailed, because(kDataFileUnreadableText + path)};
}

// Six digits as in the list; an address that six cannot hold is shown whole, never cut.
std::string addressText(std::int32_t address) {
  return HexPad(address, address >= 0 && address <= kLastImageOffset ? 6 : 0);
}

std::string rangeText(const BlockSpan& range) {
  return addressText(range.start) + "–" + addressText(range.end);
}

// `why` names the block where it says "%1"; `after` follows it.
Error refused(std::string_view why, const BlockSpan& range, std::string_view after = {}) {
  std::string reason(why);
  const std::size_t at = reason.find("%1");
  if (at != std::string::npos) reason.replace(at, 2, rangeText(range));
  return {ErrorCode::BadBlock, because(reason + std::string(after))};
}

// From the addresses: the line's own length field is not trusted.
std::int32_t lengthOf(const BlockSpan& range) {
  return range.end - range.start + 1;
}

// A block the DIF format can carry: at least one byte, ending at FFFFFF at the latest.
bool carriable(const BlockSpan& range) {
  return range.start >= 0 && range.end >= range.start && range.end <= kLastImageOffset;
}

bool fitsIn(std::int64_t offset, std::int32_t length, std::uint64_t size) {
  return offset >= 0 &&
         static_cast<std::uint64_t>(offset) + static_cast<std::uint64_t>(length) <= size;
}

void writeHeader(BufferedWriter& writer, int count) {
  std::uint8_t header[kDifHeaderSize];
  storeDifHeader(header, count);
  writer.write(header, sizeof header);
}

// A DIF larger than any the program opens could be written but never applied.
class DifSize {
 public:
  void add(const BlockSpan& range) {
    bytes_ += kRecordHeadSize + static_cast<std::uint64_t>(lengthOf(range));
  }
  Status check() const {
    if (bytes_ > kMaxDifSize) return Error{ErrorCode::TooLarge, kDifTooLargeText};
    return success();
  }

 private:
  std::uint64_t bytes_ = kDifHeaderSize;
};

// Short blocks, the bulk of a typical list, go to the writer with their head in one piece.
constexpr std::size_t kJoinedRecordLimit = 48;

void writeRecord(BufferedWriter& writer, const BlockSpan& range, const std::uint8_t* data) {
  auto length = static_cast<std::size_t>(lengthOf(range));
  if (length <= kJoinedRecordLimit) {
    std::uint8_t* record = writer.room(kRecordHeadSize + length);
    if (!record) return;
    storeRecordHead(record, range.start, lengthOf(range));
    std::memcpy(record + kRecordHeadSize, data, length);
    return;
  }
  std::uint8_t head[kRecordHeadSize];
  storeRecordHead(head, range.start, lengthOf(range));
  writer.write(head, kRecordHeadSize);
  writer.write(data, length);
}

Status finish(BufferedWriter& writer) {
  if (!writer.finish()) return writeFailed();
  return success();
}

// Every block is checked before anything is written, so a refused list leaves no file behind.
Status checkInside(const BlockList& list, std::size_t imageSize, const char* pastEnd) {
  DifSize size;
  for (int i = 0; i < list.count(); ++i) {
    BlockSpan range = list.span(i);
    if (!carriable(range)) return refused(kBlockBadAddressesText, range);
    if (!fitsIn(range.start, lengthOf(range), imageSize)) return refused(pastEnd, range);
    size.add(range);
  }
  return size.check();
}

// One output of a pass over the list: where its records go and the image their bytes come from.
struct DifOutput {
  std::unique_ptr<OutputFile> file;
  std::span<const std::uint8_t> image;
};

// Fills one output: the header, then a record per line with the bytes of the output's image.
bool fillOutput(const BlockList& list, DifOutput& output) {
  BufferedWriter writer(*output.file);
  writeHeader(writer, list.count());
  for (int i = 0; i < list.count(); ++i) {
    const BlockSpan range = list.span(i);
    writeRecord(writer, range, output.image.data() + range.start);
  }
  return writer.flush();
}

// Writes the list's records to every output, each with the bytes of its own image (the checked
// blocks lie within them all). Outputs that allow it are filled side by side, one on a thread of
// its own: with a DIF and its backup, each file's records are then built while the other's
// bytes go out.
Status writeRecords(FileSystem& fs, const BlockList& list, std::span<DifOutput> outputs,
                    std::span<const std::string> paths) {
  bool aside = outputs.size() == 2;
  for (std::size_t k = 0; k < outputs.size(); ++k) {
    outputs[k].file = fs.create(paths[k]);
    if (!outputs[k].file) return writeFailed();
    aside = aside && outputs[k].file->writableAside();
  }
  bool filled = true;
  if (aside) {
    bool first = false;
    std::thread other([&] {
      // Memory that runs out there fails the write here, as it would on the caller's thread.
      try {
        first = fillOutput(list, outputs[0]);
      } catch (const std::bad_alloc&) {
        first = false;
      }
    });
    filled = fillOutput(list, outputs[1]);
    other.join();
    filled = filled && first;
  } else {
    for (DifOutput& output : outputs) filled = fillOutput(list, output) && filled;
  }
  if (!filled) return writeFailed();
  return success();
}

// The lines of one data file, in list order, and how much of the file they need.
struct DataFile {
  std::string path;
  std::vector<int> lines;
  std::uint64_t needed = 0;
};

struct EditedPlan {
  // Built only when a line takes its bytes from the edited DIF. The writing pass asks it again
  // rather than keeping an answer per line: a DIF of millions of records stays within memory.
  std::optional<DifRecordIndex> index;
  std::vector<DataFile> files;  // in order of first appearance
};

// Checks every line that can be checked without reading a data file: its range, that the edited
// DIF holds its bytes, and that its data offset is not negative.
Status planEditedDif(const BlockList& list, std::span<const std::uint8_t> difBytes,
                     EditedPlan& plan) {
  std::unordered_map<std::string_view, std::size_t> fileOf;
  DifSize size;
  for (int i = 0; i < list.count(); ++i) {
    BlockSpan range = list.span(i);
    if (!carriable(range)) return refused(kBlockBadAddressesText, range);
    size.add(range);
    DataSource source = list.dataSource(i);
    if (source.path.empty()) {
      if (!plan.index) plan.index.emplace(difBytes);
      if (!plan.index->find(range.start, lengthOf(range))) {
        return refused(kBlockNotInDifText, range);
      }
      continue;
    }
    if (source.offset < 0) return refused(kBlockDataOffsetText, range);
    auto [entry, added] = fileOf.try_emplace(source.path, plan.files.size());
    if (added) plan.files.push_back({std::string(source.path), {}, 0});
    DataFile& file = plan.files[entry->second];
    file.lines.push_back(i);
    file.needed =
        std::max<std::uint64_t>(file.needed, std::uint64_t(source.offset) + lengthOf(range));
  }
  return size.check();
}

// The first of the file's lines that reaches past its `size` bytes.
Error shortDataFile(const BlockList& list, const DataFile& file, std::uint64_t size) {
  for (int i : file.lines) {
    const BlockSpan range = list.span(i);
    if (std::uint64_t(list.dataSource(i).offset) + lengthOf(range) > size) {
      return refused(kBlockDataShortText, range, file.path);
    }
  }
  return refused(kBlockDataShortText, list.span(file.lines.front()), file.path);
}

Status checkDataFiles(FileSystem& fs, const BlockList& list, const std::vector<DataFile>& files) {
  for (const DataFile& file : files) {
    std::optional<FileInfo> info = fs.stat(file.path);
    if (!info || !info->regular) return unreadable(file.path);
    if (info->size < file.needed) return shortDataFile(list, file, info->size);
  }
  return success();
}

// The file may have changed since it was checked; whatever was read is checked again.
Status writeDataFileRecords(FileSystem& fs, BufferedWriter& writer, const BlockList& list,
                            const DataFile& file) {
  std::optional<ByteImage> data = fs.read(file.path, static_cast<std::size_t>(file.needed));
  if (!data) return unreadable(file.path);
  if (data->size() < file.needed) return shortDataFile(list, file, data->size());
  for (int i : file.lines) {
    writeRecord(writer, list.span(i), data->data() + list.dataSource(i).offset);
  }
  return success();
}

}  // namespace

std::string difOutputName(const std::string& name) {
  const std::string trimmed = trimSpaces(name);
  const std::string_view tail =
      std::string_view(trimmed).substr(trimmed.size() - std::min<std::size_t>(trimmed.size(), 4));
  // The name keeps any spaces it came with: only the test looks past them.
  return equalsIgnoreCase(tail, ".dif") ? name : name + ".dif";
}

std::string backupDifName(const std::string& difName) {
  return difName + "_bak.dif";
}

Result<std::unique_ptr<OutputFile>> writtenDif(FileSystem& fs, const std::string& path,
                                               const BlockList& list,
                                               std::span<const std::uint8_t> image, DifImage from) {
  const char* pastEnd = from == DifImage::Target ? kBlockPastTargetText : kBlockPastSourceText;
  if (Status inside = checkInside(list, image.size(), pastEnd); !inside) return inside.error();
  DifOutput output{nullptr, image};
  if (Status written = writeRecords(fs, list, {&output, 1}, {&path, 1}); !written) {
    return written.error();
  }
  return std::move(output.file);
}

Status writeDif(FileSystem& fs, const std::string& path, const BlockList& list,
                std::span<const std::uint8_t> image) {
  Result<std::unique_ptr<OutputFile>> written = writtenDif(fs, path, list, image);
  if (!written) return written.error();
  if (!written.value()->commit()) return writeFailed();
  return success();
}

namespace {

Result<std::unique_ptr<OutputFile>> writtenPieces(FileSystem& fs, const std::string& path,
                                                  std::span<const DifPiece> pieces) {
  std::unique_ptr<OutputFile> out = fs.create(path);
  if (!out) return writeFailed();
  BufferedWriter writer(*out);
  writeHeader(writer, static_cast<int>(pieces.size()));
  for (const DifPiece& piece : pieces) {
    const auto length = static_cast<std::int32_t>(piece.bytes.size());
    writeRecord(writer, {piece.address, piece.address + length - 1}, piece.bytes.data());
  }
  if (!writer.flush()) return writeFailed();
  return out;
}

}  // namespace

Status commitDifOutputs(FileSystem& fs, const std::string& difPath,
                        std::vector<std::unique_ptr<OutputFile>>& outputs,
                        const std::function<bool()>& inputsIntact) {
  if (inputsIntact && !inputsIntact()) return Error{ErrorCode::OpenFailed, kOpenErrorText};
  // Two runs writing the same new names take turns here, so the pair left is one run's.
  Result<std::unique_ptr<FileLock>> folder = fs.lockFolder(folderOf(difPath), kFileLockWait);
  if (!folder) return folder.error();
  std::vector<OutputFile*> pair;
  for (const std::unique_ptr<OutputFile>& out : outputs) pair.push_back(out.get());
  if (!commitTogether(pair)) return writeFailed();
  return success();
}

Status writeDifWithBackup(FileSystem& fs, const std::string& difPath, const BlockList& list,
                          std::span<const std::uint8_t> target,
                          std::optional<std::span<const std::uint8_t>> source,
                          const std::function<bool()>& inputsIntact) {
  // The DIF's blocks are checked first, so a block neither image holds is named as the target's.
  if (Status inside = checkInside(list, target.size(), kBlockPastTargetText); !inside) {
    return inside;
  }
  if (source) {
    if (Status inside = checkInside(list, source->size(), kBlockPastSourceText); !inside) {
      return inside;
    }
  }
  // Both files are written in one pass over the list; the DIF takes its name last, so a new DIF
  // never appears before its backup.
  std::vector<DifOutput> outputs;
  std::vector<std::string> paths;
  if (source) {
    outputs.push_back({nullptr, *source});
    paths.push_back(backupDifName(difPath));
  }
  outputs.push_back({nullptr, target});
  paths.push_back(difPath);
  if (Status written = writeRecords(fs, list, outputs, paths); !written) return written;
  std::vector<std::unique_ptr<OutputFile>> files;
  for (DifOutput& output : outputs) files.push_back(std::move(output.file));
  return commitDifOutputs(fs, difPath, files, inputsIntact);
}

Status writeDifPieces(FileSystem& fs, const std::string& difPath, std::span<const DifPiece> pieces,
                      std::span<const DifPiece> backup, const std::function<bool()>& inputsIntact) {
  Result<std::unique_ptr<OutputFile>> dif = writtenPieces(fs, difPath, pieces);
  if (!dif) return dif.error();
  Result<std::unique_ptr<OutputFile>> undo = writtenPieces(fs, backupDifName(difPath), backup);
  if (!undo) return undo.error();
  std::vector<std::unique_ptr<OutputFile>> outputs;
  outputs.push_back(std::move(undo.value()));
  outputs.push_back(std::move(dif.value()));
  return commitDifOutputs(fs, difPath, outputs, inputsIntact);
}

bool namesDeviceOrPipe(FileSystem& fs, const std::string& name) {
  std::optional<FileInfo> info = fs.stat(name);
  return info && !info->regular && !info->folder;
}

Status writeEditedDif(FileSystem& fs, const std::string& path, const BlockList& list,
                      std::span<const std::uint8_t> difBytes) {
  EditedPlan plan;
  if (Status planned = planEditedDif(list, difBytes, plan); !planned) return planned;
  if (Status files = checkDataFiles(fs, list, plan.files); !files) return files;
  std::unique_ptr<OutputFile> out = fs.create(path);
  if (!out) return writeFailed();
  BufferedWriter writer(*out);
  writeHeader(writer, list.count());
  if (plan.index) {
    for (int i = 0; i < list.count(); ++i) {
      if (!list.dataSource(i).path.empty()) continue;
      BlockSpan range = list.span(i);
      writeRecord(writer, range, plan.index->find(range.start, lengthOf(range))->data());
    }
  }
  for (const DataFile& file : plan.files) {
    // Returning early drops the output uncommitted, so nothing replaces the old file.
    if (Status written = writeDataFileRecords(fs, writer, list, file); !written) return written;
  }
  return finish(writer);
}

}  // namespace hm
