#pragma once

#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/result.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace hm {

// One run of differing bytes; `distance` is the count of equal bytes up to the block found
// before it (the next higher one), 0 for the first block found.
struct RawBlock {
  std::int32_t start;
  std::int32_t end;  // inclusive
  std::int32_t distance;
};

// In the order the scan finds them: descending addresses, the block nearest the end first.
using RawBlocks = std::vector<RawBlock>;

// Called about every 100 ms with the running count of differing bytes; false cancels.
using ScanProgress = std::function<bool(std::uint64_t differences)>;

inline constexpr std::uint32_t kProgressIntervalMs = 100;

// Compares from the end to the start. `source` must hold min(sourceLength, targetLength)
// bytes; the target's bytes past the source's end count as changed whatever they are.
// Returns false when cancelled, with `blocks` empty.
bool scanDifferences(const std::uint8_t* source, std::size_t sourceLength,
                     const std::uint8_t* target, std::size_t targetLength, RawBlocks& blocks,
                     Clock& clock, const ScanProgress& progress);

struct SearchOutcome {
  FileView source;  // target length bytes; zero past the source's end
  FileView target;
  RawBlocks blocks;
  std::int32_t targetLength = 0;
};

// How a search holds the two files. A window keeps them after the search, while the files may
// change on disk, so it takes copies; a job that writes its DIF and ends sees them in place, and
// must take a file found cut short before its DIF is committed as a failed read
// (FileView::intact()).
enum class FileHolding { Copies, Views };

// Reads both files whole and scans them. Errors: OpenFailed "Ошибка открытия файла!" (also for
// a file cut short during the scan), TooLarge "Too Large File! (Max 16Mb)", Cancelled (message
// empty).
Result<SearchOutcome> runSearch(FileSystem& fs, const std::string& sourcePath,
                                const std::string& targetPath, Clock& clock,
                                const ScanProgress& progress,
                                FileHolding holding = FileHolding::Copies);

}  // namespace hm
