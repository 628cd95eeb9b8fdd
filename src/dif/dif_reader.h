#pragma once

#include "blocks/block_list.h"
#include "platform/result.h"
#include "platform/user_texts.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
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

}  // namespace hm
