// A BIN checked against a DIF and its counterpart, both read from any bytes: the counterpart has
// the DIF's blocks with other bytes, so it always fits a valid DIF; the classification agrees
// with a byte-by-byte reading of the same rules and never reads outside the three images.
//
// Input: one byte n, n mask bytes, two bytes (little-endian) m, m DIF bytes, then the BIN. The
// counterpart's data is the DIF's xor the mask, repeated.

#include "dif/patch_verification.h"
#include "dif_model.h"
#include "fuzz_check.h"
#include "platform/file_reader.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace {

struct Expected {
  std::int32_t differing = 0;
  std::int64_t first = -1;
  bool allApplied = true;
};

// What the BIN holds at `address` for a block starting at `start`: its byte, a zero applying
// would append when the block begins inside the BIN or at its end, or nothing.
std::optional<std::uint8_t> binByte(std::span<const std::uint8_t> bin, std::int64_t start,
                                    std::int64_t address) {
  const auto size = static_cast<std::int64_t>(bin.size());
  if (address < size) return bin[static_cast<std::size_t>(address)];
  if (start <= size) return std::uint8_t{0};
  return std::nullopt;
}

Expected expect(std::span<const std::uint8_t> dif, std::span<const std::uint8_t> before,
                const hm::fuzz::ModelDif& model, std::span<const std::uint8_t> bin) {
  Expected e;
  for (const hm::fuzz::ModelRecord& r : model.records) {
    bool differs = false;
    for (std::int64_t j = 0; j < r.length; ++j) {
      const std::size_t at = r.dataOffset + static_cast<std::size_t>(j);
      const std::optional<std::uint8_t> held = binByte(bin, r.address, r.address + j);
      if (!held || *held != dif[at]) e.allApplied = false;
      if (held && *held == before[at]) continue;
      if (!differs) e.first = e.first < 0 ? r.address + j : std::min(e.first, r.address + j);
      differs = true;
    }
    if (differs) ++e.differing;
  }
  return e;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> input(data, size);
  if (input.empty()) return 0;
  const std::size_t maskLength = input[0];
  if (input.size() < 1 + maskLength + 2) return 0;
  const std::span<const std::uint8_t> mask = input.subspan(1, maskLength);
  const std::size_t at = 1 + maskLength;
  const std::size_t difLength = std::min<std::size_t>(
      input[at] | static_cast<std::size_t>(input[at + 1]) << 8, input.size() - at - 2);
  const std::span<const std::uint8_t> dif = input.subspan(at + 2, difLength);
  const std::span<const std::uint8_t> bin = input.subspan(at + 2 + difLength);

  const hm::fuzz::ModelDif model = hm::fuzz::readModel(dif);
  if (!model.ok) return 0;
  std::vector<std::uint8_t> before(dif.begin(), dif.end());
  std::size_t k = 0;
  for (const hm::fuzz::ModelRecord& r : model.records) {
    for (std::int64_t j = 0; j < r.length && !mask.empty(); ++j, ++k) {
      before[r.dataOffset + static_cast<std::size_t>(j)] ^= mask[k % mask.size()];
    }
  }
  HM_FUZZ_CHECK(hm::sameBlocks(dif, before));
  HM_FUZZ_CHECK(hm::sameBlocks(before, dif));

  const hm::PatchCheck check = hm::classifyBin(dif, before, bin);
  hm::ImageReader pieces(bin);
  const std::optional<hm::PatchCheck> read = hm::classifyBin(dif, before, pieces);
  HM_FUZZ_CHECK(read && read->state == check.state && read->differing == check.differing &&
                read->firstDifference == check.firstDifference);

  const Expected e = expect(dif, before, model, bin);
  HM_FUZZ_CHECK(check.blocks == model.count);
  HM_FUZZ_CHECK(check.differing == e.differing);
  if (e.differing > 0) HM_FUZZ_CHECK(check.firstDifference == e.first);
  const hm::PatchState state = e.differing == 0 ? hm::PatchState::Source
                               : e.allApplied   ? hm::PatchState::Applied
                                                : hm::PatchState::Differs;
  HM_FUZZ_CHECK(check.state == state);
  return 0;
}
