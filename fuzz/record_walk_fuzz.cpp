// The index that finds a block's bytes in a DIF being edited, on any bytes: where the record heads
// ascend without overlapping, the answer is the one record holding the whole block, read in place
// inside the file; otherwise it is what applying the records the format accepts leaves, wherever
// they cover every byte of the block.

#include "dif/dif_record_index.h"
#include "dif_model.h"
#include "fuzz_check.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

struct Head {
  std::int64_t address;
  std::int64_t dataLength;  // L - 4
  std::size_t dataOffset;
};

// From the first record's length field on, record after record, reading only length and address,
// until fewer than 8 bytes remain or a length cannot hold a byte.
std::vector<Head> walkHeads(std::span<const std::uint8_t> dif) {
  std::vector<Head> heads;
  const auto size = static_cast<std::int64_t>(dif.size());
  for (std::int64_t p = 40; p + 8 <= size;) {
    std::int64_t length = hm::fuzz::int32At(dif, static_cast<std::size_t>(p));
    if (length < 5) break;
    heads.push_back({hm::fuzz::int32At(dif, static_cast<std::size_t>(p + 4)), length - 4,
                     static_cast<std::size_t>(p + 8)});
    p += length + 12;
  }
  return heads;
}

bool ascending(const std::vector<Head>& heads) {
  for (std::size_t i = 1; i < heads.size(); ++i) {
    if (heads[i].address < heads[i - 1].address + heads[i - 1].dataLength) return false;
  }
  return true;
}

std::optional<std::size_t> expectedInRecord(std::span<const std::uint8_t> dif,
                                            const std::vector<Head>& heads, std::int64_t start,
                                            std::int64_t length) {
  for (const Head& h : heads) {
    if (start < h.address || start >= h.address + h.dataLength) continue;
    if (length <= 0 || start + length > h.address + h.dataLength) return std::nullopt;
    auto offset = static_cast<std::int64_t>(h.dataOffset) + (start - h.address);
    if (offset + length > static_cast<std::int64_t>(dif.size())) return std::nullopt;
    return static_cast<std::size_t>(offset);
  }
  return std::nullopt;
}

using Applied = std::unordered_map<std::int64_t, std::uint8_t>;

Applied applyModel(std::span<const std::uint8_t> dif) {
  Applied applied;
  for (const hm::fuzz::ModelRecord& r : hm::fuzz::readModel(dif).records) {
    for (std::int64_t i = 0; i < r.length; ++i) {
      applied[r.address + i] = dif[r.dataOffset + static_cast<std::size_t>(i)];
    }
  }
  return applied;
}

// Stops at the first byte no record covers, so a huge block costs no more than the covered bytes.
std::optional<std::vector<std::uint8_t>> expectedApplied(const Applied& applied, std::int64_t start,
                                                         std::int64_t length) {
  if (length <= 0) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  for (std::int64_t a = start; a < start + length; ++a) {
    auto it = applied.find(a);
    if (it == applied.end()) return std::nullopt;
    bytes.push_back(it->second);
  }
  return bytes;
}

struct Expectation {
  std::span<const std::uint8_t> dif;
  const std::vector<Head>& heads;
  bool inPlace;            // the heads ascend: answers lie in the DIF
  const Applied& applied;  // otherwise what the accepted records leave
};

bool fitsInt32(std::int64_t v) {
  return v >= std::numeric_limits<std::int32_t>::min() &&
         v <= std::numeric_limits<std::int32_t>::max();
}

void checkQuery(const Expectation& e, const hm::DifRecordIndex& index, std::int64_t start,
                std::int64_t length) {
  if (!fitsInt32(start) || !fitsInt32(length)) return;
  std::optional<std::span<const std::uint8_t>> found =
      index.find(static_cast<std::int32_t>(start), static_cast<std::int32_t>(length));
  if (!e.inPlace) {
    std::optional<std::vector<std::uint8_t>> expected = expectedApplied(e.applied, start, length);
    HM_FUZZ_CHECK(found.has_value() == expected.has_value());
    if (found)
      HM_FUZZ_CHECK(std::equal(found->begin(), found->end(), expected->begin(), expected->end()));
    return;
  }
  std::optional<std::size_t> expected = expectedInRecord(e.dif, e.heads, start, length);
  HM_FUZZ_CHECK(found.has_value() == expected.has_value());
  if (!found) return;
  HM_FUZZ_CHECK(found->data() == e.dif.data() + *expected);
  HM_FUZZ_CHECK(found->size() == static_cast<std::size_t>(length));
}

}  // namespace

// The last 8 bytes are the block asked for (start, length); everything before them is the DIF.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return 0;
  std::span<const std::uint8_t> input(data, size);
  std::span<const std::uint8_t> dif = input.first(size - 8);
  std::int64_t start = hm::fuzz::int32At(input, size - 8);
  std::int64_t length = hm::fuzz::int32At(input, size - 4);

  std::vector<Head> heads = walkHeads(dif);
  std::size_t visited = 0;
  hm::walkRecordHeads(dif, [&](const hm::RecordHead& head) {
    HM_FUZZ_CHECK(visited < heads.size());
    const Head& h = heads[visited++];
    HM_FUZZ_CHECK(head.address == h.address && head.length - 4 == h.dataLength &&
                  head.dataOffset == h.dataOffset);
    return true;
  });
  HM_FUZZ_CHECK(visited == heads.size());

  const bool inPlace = ascending(heads);
  const Applied applied = inPlace ? Applied{} : applyModel(dif);
  const Expectation e{dif, heads, inPlace, applied};
  hm::DifRecordIndex index(dif);
  checkQuery(e, index, start, length);
  checkQuery(e, index, start, 1);
  checkQuery(e, index, start - 1, length + 1);
  // Each record's edges, where an off-by-one would show.
  for (std::size_t i = 0; i < heads.size() && i < 8; ++i) {
    const Head& h = heads[i];
    checkQuery(e, index, h.address, h.dataLength);
    checkQuery(e, index, h.address, h.dataLength + 1);
    checkQuery(e, index, h.address + h.dataLength - 1, 1);
    checkQuery(e, index, h.address + h.dataLength - 1, 2);
    checkQuery(e, index, h.address + h.dataLength, 1);
    checkQuery(e, index, h.address + h.dataLength / 2, length);
  }
  return 0;
}
