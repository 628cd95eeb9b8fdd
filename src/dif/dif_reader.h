#pragma once

#include "blocks/block_list.h"
#include "blocks/block_rows.h"
#include "platform/byte_image.h"
#include "platform/file_fingerprint.h"
#include "platform/file_system.h"
#include "platform/result.h"
#include "platform/user_texts.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace hm {

struct DifBlock {
  std::int32_t start;
  std::int32_t end;  // inclusive
};

// The blocks of a DIF opened for editing, one per record in file order.
// Error: InvalidDif "Неверный DIF файл!" for anything walkDif refuses.
Result<std::vector<DifBlock>> readDifBlocks(std::span<const std::uint8_t> dif);

// Told the lines listed so far and how many there are to list, now and then and at the end.
using ListingProgress = std::function<void(std::size_t listed, std::size_t count)>;

// Adds one two-field line (start and end) per block, taking the blocks. They are sorted before
// they go in, so a file of millions of records in any order fills the list in linear time.
// False when `keepGoing` said stop, with the list part-filled.
bool listDifBlocks(std::vector<DifBlock> blocks, BlockList& list,
                   const std::function<bool()>& keepGoing = {},
                   const ListingProgress& progress = {});

// A patch file read to be edited.
struct DifToEdit {
  ByteImage image;                             // the DIF; for an IPS, the DIF made of it
  std::optional<FileFingerprint> fingerprint;  // of the file as read
  PerRow<BlockSpan> blocks;                    // one per record, in file order
};

// Reads the file at `path` a piece at a time, walking a DIF's records and hashing the bytes as
// they come, so that a stop from `keepGoing` is seen within milliseconds at any point of the
// largest file: the error is then Cancelled. `progress` is told the records walked now and then
// (while the file can hold as many as its header counts) and all of them at the end.
// Errors: OpenFailed "Ошибка открытия файла!" when it cannot be read, those of difFromIps, and
// those of readDifBlocks.
Result<DifToEdit> readDifToEdit(FileSystem& fs, const std::string& path,
                                const std::function<bool()>& keepGoing,
                                const ListingProgress& progress = {});

}  // namespace hm
