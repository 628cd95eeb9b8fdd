#include "dif/dif_reader.h"

#include "dif/dif_format.h"

namespace hm {

Result<std::vector<DifBlock>> readDifBlocks(std::span<const std::uint8_t> dif) {
  std::vector<DifBlock> blocks;
  DifWalk walk = walkDif(dif, [&](const DifRecord& record) {
    blocks.push_back({record.address, record.address + record.length - 1});
  });
  if (!walk.ok()) return Error{ErrorCode::InvalidDif, kInvalidDifEditText};
  return blocks;
}

}  // namespace hm
