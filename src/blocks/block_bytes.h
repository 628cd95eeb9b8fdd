#pragma once

#include "blocks/block_line.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace hm {

// A block's bytes as the byte viewer shows them, in rows of 16 from an address that is a multiple
// of 16, with up to two rows of what lies around the block. One lane per pane: the source beside
// the target, or alone the bytes a line of a DIF being edited will write.
//
// Rows are read only when asked for, so a block of 16 MiB costs the rows on screen; the one pass
// over a whole block is the count of changed bytes, made once when the block is described.
class BlockBytes {
 public:
  static constexpr int kRowBytes = 16;
  static constexpr int kContextRows = 2;

  // bytes[i] is the byte at address base + i. `keep` holds what the bytes belong to, so they
  // stay readable as long as the lane does, whatever its owner lets go of meanwhile.
  struct Lane {
    std::span<const std::uint8_t> bytes;
    std::int64_t base = 0;
    std::shared_ptr<const void> keep;

    std::optional<std::uint8_t> at(std::int64_t address) const;
  };

  struct Cell {
    std::int16_t value = -1;  // -1: this lane has no byte there
    bool inBlock = false;
    bool differs = false;  // in the block, and the two lanes do not hold the same byte here
  };
  using Row = std::array<Cell, kRowBytes>;

  // No block: nothing to show, and no reason.
  BlockBytes() = default;
  // The source beside the target. The block must lie in the target, whose bytes it will write;
  // where the source is shorter, its missing bytes count as changed.
  static BlockBytes compare(Lane source, Lane target, BlockSpan block);
  // One lane: the bytes a DIF-editing line will write, and what lies around them in their file.
  static BlockBytes single(Lane lane, BlockSpan block);
  // A block whose bytes cannot be shown, and the one line that says why.
  static BlockBytes unavailable(std::string reason);

  int lanes() const { return static_cast<int>(lanes_.size()); }
  bool shown() const { return !lanes_.empty(); }
  const std::string& reason() const { return reason_; }
  BlockSpan block() const { return block_; }
  std::int64_t length() const { return std::int64_t{block_.end} - block_.start + 1; }
  // Compared blocks only: the bytes of the block the lanes do not agree on.
  std::int64_t changed() const { return changed_; }

  std::int64_t rowCount() const { return shown() ? lastRow_ - firstRow_ + 1 : 0; }
  std::int64_t rowAddress(std::int64_t row) const { return (firstRow_ + row) * kRowBytes; }
  // The row that holds `address`, clamped to the rows there are.
  std::int64_t rowOf(std::int64_t address) const;
  Row row(int lane, std::int64_t row) const;

  // The lane's bytes from address `first` to `last` as hexadecimal text: a space between bytes,
  // a line break where a row ends. Addresses where the lane has no byte are left out.
  std::string hexText(int lane, std::int64_t first, std::int64_t last) const;

 private:
  void placeRows(std::int64_t extentBegin, std::int64_t extentEnd);
  Row laneRow(int lane, std::int64_t row) const;

  std::vector<Lane> lanes_;
  BlockSpan block_{0, -1};
  std::string reason_;
  std::int64_t changed_ = 0;
  std::int64_t firstRow_ = 0;
  std::int64_t lastRow_ = -1;
};

// The line over the panes: "000100–00010A, 11 байт, изменено 7" (without the count for one lane),
// or the reason the bytes are not shown.
std::string blockBytesSummary(const BlockBytes& bytes);

// "1 байт", "2 байта", "11 байт".
std::string byteCountText(std::int64_t count);

}  // namespace hm
