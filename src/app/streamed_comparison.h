#pragma once

#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "platform/result.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace hm {

// The two files of a comparison, opened, and how much of each counts: the target up to
// `targetLength`, the source up to the target's length.
struct ComparedFiles {
  FileStream& source;
  FileStream& target;
  std::uint64_t targetLength;
};

struct StreamedComparisonOptions {
  int minDistance = 8;
  bool backup = false;  // the backup beside the DIF (backupDifName), with the source's bytes
  // How many bytes of each file are read at a time, and collected for each output before it is
  // written: small enough that what was read is still in the processor's cache when it is
  // compared and written, which measured faster here than larger buffers.
  std::size_t bufferBytes = 64 * 1024;
  // Told the running count of differing bytes after each buffer; may be empty.
  std::function<void(std::uint64_t differences)> progress = {};
};

// Writes the DIF that searching the two files and regrouping by `minDistance` would give, with
// its backup when asked, in one pass over both files: each block's records are written as the
// block is passed, so no more than a few buffers are held whatever the files hold. The outputs
// take their names together as writeDifWithBackup's pair does. Errors: OpenFailed "Ошибка
// открытия файла!" for a read that fails or a file that ends before its length (nothing is
// written then), WriteFailed "Ошибка записи DIF файла" for the outputs.
Status writeComparedDif(FileSystem& fs, const ComparedFiles& files, const std::string& difPath,
                        const StreamedComparisonOptions& options);

}  // namespace hm
