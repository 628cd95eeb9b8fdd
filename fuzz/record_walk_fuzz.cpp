// The record walk that finds a block's bytes in a DIF being edited, on any bytes: the single
// search and the index built for many blocks give the same answer as a plain walk, and an answer
// always lies inside one record's data and inside the file.

#include "dif/dif_record_index.h"
#include "dif/dif_writer.h"
#include "dif_model.h"
#include "fuzz_check.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <span>
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

std::optional<std::size_t> expectedFind(std::span<const std::uint8_t> dif,
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

bool fitsInt32(std::int64_t v) {
  return v >= std::numeric_limits<std::int32_t>::min() &&
         v <= std::numeric_limits<std::int32_t>::max();
}

void checkQuery(std::span<const std::uint8_t> dif, const std::vector<Head>& heads,
                const hm::DifRecordIndex& index, std::int64_t start, std::int64_t length) {
  if (!fitsInt32(start) || !fitsInt32(length)) return;
  auto s = static_cast<std::int32_t>(start);
  auto n = static_cast<std::int32_t>(length);
  std::optional<std::size_t> expected = expectedFind(dif, heads, start, length);
  std::optional<std::size_t> found = hm::findBlockInDif(dif, s, n);
  HM_FUZZ_CHECK(found == expected);
  HM_FUZZ_CHECK(index.find(s, n) == expected);
  if (!found) return;
  HM_FUZZ_CHECK(*found + static_cast<std::size_t>(n) <= dif.size());
  bool inOneRecord = false;
  for (const Head& h : heads) {
    auto dataEnd = h.dataOffset + static_cast<std::size_t>(h.dataLength);
    if (*found >= h.dataOffset && *found + static_cast<std::size_t>(n) <= dataEnd &&
        h.address + static_cast<std::int64_t>(*found - h.dataOffset) == start) {
      inOneRecord = true;
    }
  }
  HM_FUZZ_CHECK(inOneRecord);
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

  hm::DifRecordIndex index(dif);
  checkQuery(dif, heads, index, start, length);
  checkQuery(dif, heads, index, start, 1);
  checkQuery(dif, heads, index, start - 1, length + 1);
  // Each record's edges, where an off-by-one would show.
  for (std::size_t i = 0; i < heads.size() && i < 8; ++i) {
    const Head& h = heads[i];
    checkQuery(dif, heads, index, h.address, h.dataLength);
    checkQuery(dif, heads, index, h.address, h.dataLength + 1);
    checkQuery(dif, heads, index, h.address + h.dataLength - 1, 1);
    checkQuery(dif, heads, index, h.address + h.dataLength - 1, 2);
    checkQuery(dif, heads, index, h.address + h.dataLength, 1);
    checkQuery(dif, heads, index, h.address + h.dataLength / 2, length);
  }
  return 0;
}
