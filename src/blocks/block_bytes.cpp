#include "blocks/block_bytes.h"

#include "blocks/hex_format.h"
#include "platform/russian_plural.h"
#include "platform/user_texts.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace hm {

namespace {

std::int64_t floorRow(std::int64_t address) {
  return address >= 0 ? address / BlockBytes::kRowBytes
                      : -((-address + BlockBytes::kRowBytes - 1) / BlockBytes::kRowBytes);
}

// Bytes that differ between two runs of equal length, sixteen at a time where the processor
// compares them so (every x86-64 does), else eight: a 16 MiB block is counted in the time its
// bytes take to read.
std::int64_t countDiffering(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
  std::int64_t count = 0;
  std::size_t i = 0;
#if defined(__SSE2__)
  for (; i + 16 <= n; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    const auto same = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y)));
    count += 16 - std::popcount(same);
  }
#endif
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t x, y;
    std::memcpy(&x, a + i, 8);
    std::memcpy(&y, b + i, 8);
    const std::uint64_t d = x ^ y;
    // The high bit of each byte of `nonzero` is set where that byte of d is not zero.
    const std::uint64_t nonzero = ((d & kLow7) + kLow7) | d;
    count += std::popcount(nonzero & ~kLow7);
  }
  for (; i < n; ++i) count += a[i] != b[i];
  return count;
}

// The lane's bytes within [first, last], as a pointer and a count.
std::span<const std::uint8_t> within(const BlockBytes::Lane& lane, std::int64_t first,
                                     std::int64_t last) {
  const std::int64_t size = static_cast<std::int64_t>(lane.bytes.size());
  const std::int64_t from = std::max<std::int64_t>(first - lane.base, 0);
  const std::int64_t to = std::min<std::int64_t>(last - lane.base, size - 1);
  if (from > to) return {};
  return lane.bytes.subspan(static_cast<std::size_t>(from),
                            static_cast<std::size_t>(to - from + 1));
}

std::int64_t countChanged(const BlockBytes::Lane& source, const BlockBytes::Lane& target,
                          BlockSpan block) {
  const std::int64_t length = std::int64_t{block.end} - block.start + 1;
  const std::span<const std::uint8_t> old = within(source, block.start, block.end);
  const std::span<const std::uint8_t> now = within(target, block.start, block.end);
  // The usual case: the target holds the block and the source its first bytes, or all of it.
  if (static_cast<std::int64_t>(now.size()) == length && source.base <= block.start) {
    return countDiffering(old.data(), now.data(), old.size()) +
           (length - static_cast<std::int64_t>(old.size()));
  }
  std::int64_t count = 0;
  for (std::int64_t a = block.start; a <= block.end; ++a) count += source.at(a) != target.at(a);
  return count;
}

}  // namespace

std::optional<std::uint8_t> BlockBytes::Lane::at(std::int64_t address) const {
  const std::int64_t i = address - base;
  if (i < 0 || i >= static_cast<std::int64_t>(bytes.size())) return std::nullopt;
  return bytes[static_cast<std::size_t>(i)];
}

BlockBytes BlockBytes::compare(Lane source, Lane target, BlockSpan block) {
  BlockBytes b;
  b.block_ = block;
  b.changed_ = countChanged(source, target, block);
  const std::int64_t end =
      std::max<std::int64_t>(source.base + static_cast<std::int64_t>(source.bytes.size()),
                             target.base + static_cast<std::int64_t>(target.bytes.size()));
  const std::int64_t begin = std::min(source.base, target.base);
  b.lanes_ = {std::move(source), std::move(target)};
  b.placeRows(begin, end);
  return b;
}

BlockBytes BlockBytes::single(Lane lane, BlockSpan block) {
  BlockBytes b;
  b.block_ = block;
  const std::int64_t begin = lane.base;
  const std::int64_t end = lane.base + static_cast<std::int64_t>(lane.bytes.size());
  b.lanes_ = {std::move(lane)};
  b.placeRows(begin, end);
  return b;
}

BlockBytes BlockBytes::unavailable(std::string reason) {
  BlockBytes b;
  b.reason_ = std::move(reason);
  return b;
}

// Two rows either side of the block, as far as the lanes reach, never before address 0 nor past
// the last address a block may have.
void BlockBytes::placeRows(std::int64_t extentBegin, std::int64_t extentEnd) {
  const std::int64_t blockFirst = floorRow(block_.start);
  const std::int64_t blockLast = floorRow(block_.end);
  firstRow_ = std::max({blockFirst - kContextRows, floorRow(extentBegin), std::int64_t{0}});
  lastRow_ = std::min({blockLast + kContextRows, floorRow(extentEnd - 1),
                       std::int64_t{kLastImageOffset} / kRowBytes});
  firstRow_ = std::min(firstRow_, blockFirst);
  lastRow_ = std::max(lastRow_, blockLast);
}

std::int64_t BlockBytes::rowOf(std::int64_t address) const {
  return std::clamp<std::int64_t>(floorRow(address) - firstRow_, 0,
                                  std::max<std::int64_t>(rowCount() - 1, 0));
}

BlockBytes::Row BlockBytes::laneRow(int lane, std::int64_t row) const {
  Row cells{};
  const std::int64_t first = rowAddress(row);
  for (int i = 0; i < kRowBytes; ++i) {
    const std::int64_t address = first + i;
    Cell& cell = cells[static_cast<std::size_t>(i)];
    if (std::optional<std::uint8_t> v = lanes_[static_cast<std::size_t>(lane)].at(address)) {
      cell.value = *v;
    }
    cell.inBlock = address >= block_.start && address <= block_.end;
  }
  return cells;
}

BlockBytes::Row BlockBytes::row(int lane, std::int64_t row) const {
  if (lane < 0 || lane >= lanes() || row < 0 || row >= rowCount()) return {};
  Row cells = laneRow(lane, row);
  if (lanes() == 2) {
    const Row other = laneRow(1 - lane, row);
    for (std::size_t i = 0; i < cells.size(); ++i) {
      cells[i].differs = cells[i].inBlock && cells[i].value != other[i].value;
    }
  }
  return cells;
}

std::string BlockBytes::hexText(int lane, std::int64_t first, std::int64_t last) const {
  std::string text;
  if (lane < 0 || lane >= lanes()) return text;
  const std::span<const std::uint8_t> bytes =
      within(lanes_[static_cast<std::size_t>(lane)], std::min(first, last), std::max(first, last));
  if (bytes.empty()) return text;
  std::int64_t address =
      std::max(std::min(first, last), lanes_[static_cast<std::size_t>(lane)].base);
  text.reserve(bytes.size() * 3);
  for (std::uint8_t v : bytes) {
    if (!text.empty()) text += address % kRowBytes == 0 ? '\n' : ' ';
    text += kHexDigits[v >> 4];
    text += kHexDigits[v & 0xF];
    ++address;
  }
  return text;
}

std::string byteCountText(std::int64_t count) {
  return std::to_string(count) + " " + russianPlural(count, kBytesWord);
}

std::string blockBytesSummary(const BlockBytes& bytes) {
  if (!bytes.shown()) return bytes.reason();
  std::string text = HexPad(bytes.block().start, 6) + "–" + HexPad(bytes.block().end, 6) + ", " +
                     byteCountText(bytes.length());
  if (bytes.lanes() == 2) text += kChangedText + std::to_string(bytes.changed());
  return text;
}

}  // namespace hm
