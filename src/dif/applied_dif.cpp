#include "dif/applied_dif.h"

#include "dif/dif_format.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace hm {

namespace {

constexpr std::size_t kWordBits = 64;

// Of the bits from `begin` to `end` (exclusive), those in the word holding bit `begin`.
std::uint64_t wordMask(std::size_t begin, std::size_t end) {
  const std::size_t low = begin % kWordBits;
  const std::size_t high = std::min(kWordBits, end - (begin - low));
  const std::uint64_t below =
      high == kWordBits ? ~std::uint64_t{0} : (std::uint64_t{1} << high) - 1;
  return below & ~std::uint64_t{0} << low;
}

std::size_t nextWord(std::size_t bit) {
  return (bit / kWordBits + 1) * kWordBits;
}

// Whole words at a time: a record of megabytes sets its coverage in a few thousand steps.
void setBits(std::vector<std::uint64_t>& bits, std::size_t begin, std::size_t end) {
  for (; begin < end; begin = nextWord(begin)) bits[begin / kWordBits] |= wordMask(begin, end);
}

bool allBitsSet(const std::vector<std::uint64_t>& bits, std::size_t begin, std::size_t end) {
  for (; begin < end; begin = nextWord(begin)) {
    const std::uint64_t mask = wordMask(begin, end);
    if ((bits[begin / kWordBits] & mask) != mask) return false;
  }
  return true;
}

}  // namespace

AppliedDif::AppliedDif(std::span<const std::uint8_t> dif) {
  std::int64_t begin = INT64_MAX;
  std::int64_t end = INT64_MIN;
  walkDif(dif, [&](const DifRecord& record) {
    begin = std::min<std::int64_t>(begin, record.address);
    end = std::max(end, std::int64_t{record.address} + record.length);
  });
  if (begin >= end) return;
  base_ = begin;
  const auto size = static_cast<std::size_t>(end - begin);
  // Only covered bytes are ever handed out, and those are all written first.
  image_ = ByteImage::uninitialized(size);
  covered_.assign((size + kWordBits - 1) / kWordBits, 0);
  paint(dif);
}

void AppliedDif::paint(std::span<const std::uint8_t> dif) {
  walkDif(dif, [&](const DifRecord& record) {
    const auto at = static_cast<std::size_t>(record.address - base_);
    const auto length = static_cast<std::size_t>(record.length);
    std::memcpy(image_.data() + at, dif.data() + record.dataOffset, length);
    setBits(covered_, at, at + length);
  });
}

std::optional<std::span<const std::uint8_t>> AppliedDif::bytes(std::int32_t start,
                                                               std::int32_t length) const {
  const std::int64_t begin = std::int64_t{start} - base_;
  const std::int64_t end = begin + length;
  if (length <= 0 || begin < 0 || end > static_cast<std::int64_t>(image_.size())) {
    return std::nullopt;
  }
  const auto from = static_cast<std::size_t>(begin);
  const auto to = static_cast<std::size_t>(end);
  if (!allBitsSet(covered_, from, to)) return std::nullopt;
  return image_.bytes().subspan(from, to - from);
}

}  // namespace hm
