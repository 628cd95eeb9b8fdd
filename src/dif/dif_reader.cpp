#include "dif/dif_reader.h"

#include "blocks/block_line.h"
#include "dif/dif_format.h"

#include <algorithm>
#include <string>

namespace hm {

Result<std::vector<DifBlock>> readDifBlocks(std::span<const std::uint8_t> dif) {
  std::vector<DifBlock> blocks;
  DifWalk walk = walkDif(dif, [&](const DifRecord& record) {
    blocks.push_back({record.address, record.address + record.length - 1});
  });
  if (!walk.ok()) return Error{ErrorCode::InvalidDif, kInvalidDifEditText};
  return blocks;
}

void listDifBlocks(std::vector<DifBlock> blocks, BlockList& list) {
  // Six-digit fields sort as their numbers do, so the lines' text order is (start, end).
  std::sort(blocks.begin(), blocks.end(), [](const DifBlock& a, const DifBlock& b) {
    return a.start != b.start ? a.start < b.start : a.end < b.end;
  });
  BlockList::Batch batch(list);
  list.reserve(blocks.size());
  BlockLine line;
  line.form = LineForm::Addresses;
  for (const DifBlock& b : blocks) {
    line.start = b.start;
    line.end = b.end;
    list.add(line);
  }
}

}  // namespace hm
