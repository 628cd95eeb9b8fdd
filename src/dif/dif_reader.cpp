#include "dif/dif_reader.h"

#include "dif/dif_format.h"

#include <algorithm>
#include <string>

#include "blocks/hex_format.h"

namespace hm {

Result<std::vector<DifBlock>> readDifBlocks(std::span<const std::uint8_t> dif) {
  std::vector<DifBlock> blocks;
  DifWalk walk = walkDif(dif, [&](const DifRecord& record) {
    blocks.push_back({record.address, record.address + record.length - 1});
  });
  if (!walk.ok()) return Error{ErrorCode::InvalidDif, kInvalidDifEditText};
  return blocks;
}

void listDifBlocks(const std::vector<DifBlock>& blocks, BlockList& list) {
  std::vector<std::string> lines;
  lines.reserve(blocks.size());
  for (const DifBlock& b : blocks) {
    std::string line;
    appendHexField(line, b.start, 6);
    appendHexField(line, b.end, 6);
    lines.push_back(std::move(line));
  }
  std::sort(lines.begin(), lines.end());
  BlockList::Batch batch(list);
  for (const std::string& line : lines) list.add(line);
}

}  // namespace hm
