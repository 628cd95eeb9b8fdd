#include "dif/dif_reader.h"

#include "blocks/block_line.h"
#include "dif/dif_format.h"

#include <algorithm>
#include <string>

namespace hm {

Result<std::vector<DifBlock>> readDifBlocks(std::span<const std::uint8_t> dif) {
  std::vector<DifBlock> blocks;
  // As many as the file can hold, at most: growing a vector of millions copies it each time.
  blocks.reserve((dif.size() - std::min(dif.size(), kDifHeaderSize)) / (kRecordHeadSize + 1));
  DifWalk walk = walkDif(dif, [&](const DifRecord& record) {
    blocks.push_back({record.address, record.address + record.length - 1});
  });
  if (!walk.ok()) return Error{ErrorCode::InvalidDif, kInvalidDifEditText};
  return blocks;
}

bool listDifBlocks(std::vector<DifBlock> blocks, BlockList& list,
                   const std::function<bool()>& keepGoing, const ListingProgress& progress) {
  // Six-digit fields sort as their numbers do, so the lines' text order is (start, end).
  auto before = [](const DifBlock& a, const DifBlock& b) {
    return a.start != b.start ? a.start < b.start : a.end < b.end;
  };
  // The program writes its blocks in order: a check costs a fraction of a sort.
  if (!std::is_sorted(blocks.begin(), blocks.end(), before)) {
    std::sort(blocks.begin(), blocks.end(), before);
  }
  BlockList::Batch batch(list);
  list.reserve(blocks.size());
  BlockLine line;
  line.form = LineForm::Addresses;
  // A look every so many lines answers "Отмена" within milliseconds at no cost per line.
  constexpr std::size_t kLook = 1 << 16;
  constexpr std::size_t kReport = 1 << 20;
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    if (i % kLook == 0 && i > 0) {
      if (keepGoing && !keepGoing()) return false;
      if (progress && i % kReport == 0) progress(i, blocks.size());
    }
    line.start = blocks[i].start;
    line.end = blocks[i].end;
    // In order already: each line goes where add() would put it.
    list.append(line);
  }
  if (progress) progress(blocks.size(), blocks.size());
  return true;
}

}  // namespace hm
