// A DIF carried to another version of its image, both made from any bytes: no block is ever
// placed where its source bytes (or, already there, the DIF's own) are not, nor outside the new
// image, with the original or with the backup alone.
//
// Input: one byte, the block count (up to 15); four bytes a block (16-bit offset, length 1 to
// 32, a byte the source is xor-ed with to make the target); two bytes, where the new version
// differs (16-bit offset), then how many bytes it inserts there and how many it removes; then
// the original image, at most 4 KiB.

#include "dif/dif_format.h"
#include "dif/patch_carry.h"
#include "fuzz_check.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void putInt32(Bytes& out, std::int32_t value) {
  auto v = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

struct Block {
  std::int32_t start;
  std::int32_t length;
};

// A DIF of the blocks with the bytes of `image` at their addresses.
Bytes difOf(const std::vector<Block>& blocks, const Bytes& image) {
  Bytes dif(hm::kDifMagic.begin(), hm::kDifMagic.end());
  putInt32(dif, 0);
  putInt32(dif, static_cast<std::int32_t>(blocks.size()));
  for (const Block& b : blocks) {
    dif.insert(dif.end(), hm::kRecordMarker.begin(), hm::kRecordMarker.end());
    putInt32(dif, b.length + hm::kRecordLengthExtra);
    putInt32(dif, b.start);
    dif.insert(dif.end(), image.begin() + b.start, image.begin() + b.start + b.length);
  }
  return dif;
}

void checkPlacements(const hm::CarryInput& input, const Bytes& original, const Bytes& dif) {
  hm::Result<std::vector<hm::CarriedBlock>> carried = hm::carryPatch(input);
  HM_FUZZ_CHECK(carried);
  for (const hm::CarriedBlock& b : *carried) {
    if (!b.placed()) continue;
    const auto length = static_cast<std::size_t>(b.length());
    HM_FUZZ_CHECK(b.address >= 0 && b.address + length <= input.newBin.size());
    const std::uint8_t* there = input.newBin.data() + b.address;
    const bool source = std::equal(there, there + length, original.begin() + b.start);
    const bool patched = std::equal(there, there + length, dif.begin() + b.dataOffset);
    HM_FUZZ_CHECK(b.outcome == hm::CarryOutcome::AlreadyThere ? patched : source);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> in(data, size);
  if (in.size() < 5) return 0;
  const std::size_t count = in[0] % 16;
  if (in.size() < 1 + count * 4 + 4) return 0;
  const std::span<const std::uint8_t> specs = in.subspan(1, count * 4);
  const std::span<const std::uint8_t> change = in.subspan(1 + count * 4, 4);
  const Bytes original(in.begin() + 1 + count * 4 + 4,
                       in.begin() + std::min<std::size_t>(in.size(), 5 + count * 4 + 4096));
  if (original.empty()) return 0;

  Bytes target = original;
  std::vector<Block> blocks;
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t start = (specs[k * 4] | std::size_t{specs[k * 4 + 1]} << 8) % original.size();
    const std::size_t length =
        std::min<std::size_t>(1 + specs[k * 4 + 2] % 32, original.size() - start);
    for (std::size_t a = start; a < start + length; ++a) target[a] ^= specs[k * 4 + 3] | 1;
    blocks.push_back({static_cast<std::int32_t>(start), static_cast<std::int32_t>(length)});
  }
  const Bytes dif = difOf(blocks, target);
  const Bytes backup = difOf(blocks, original);

  const std::size_t at = (change[0] | std::size_t{change[1]} << 8) % (original.size() + 1);
  const std::size_t removed = std::min<std::size_t>(change[3], original.size() - at);
  Bytes newBin(original.begin(), original.begin() + at);
  for (std::size_t k = 0; k < change[2]; ++k) newBin.push_back(original[k % original.size()]);
  newBin.insert(newBin.end(), original.begin() + at + removed, original.end());
  // Some blocks already patched in the new version.
  for (std::size_t k = 0; k < count; k += 3) {
    const Block& b = blocks[k];
    if (static_cast<std::size_t>(b.start) + b.length <= at) {
      std::copy(target.begin() + b.start, target.begin() + b.start + b.length,
                newBin.begin() + b.start);
    }
  }

  checkPlacements({dif, newBin, std::span<const std::uint8_t>(original), std::nullopt}, original,
                  dif);
  checkPlacements({dif, newBin, std::nullopt, std::span<const std::uint8_t>(backup)}, original,
                  dif);
  return 0;
}
