#pragma once

#include "platform/result.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace hm {

// Where a DIF's block lands in another version of the image it was made for.
enum class CarryOutcome {
  InPlace,       // "на месте": its source bytes at the same address
  Moved,         // "перенесён": its source bytes found elsewhere, at one place only
  AlreadyThere,  // "уже установлен": the DIF's own bytes there
  NotFound,      // "не найден"
  Ambiguous,     // "неоднозначно: N мест"
};

struct CarriedBlock {
  std::int32_t start = 0;  // the block's range in the DIF
  std::int32_t end = 0;
  std::size_t dataOffset = 0;  // its bytes in the DIF
  CarryOutcome outcome = CarryOutcome::NotFound;
  std::int32_t address = -1;  // where it goes in the new BIN, when placed
  std::uint64_t places = 0;   // Ambiguous: how many places its source bytes match

  bool placed() const {
    return outcome == CarryOutcome::InPlace || outcome == CarryOutcome::Moved ||
           outcome == CarryOutcome::AlreadyThere;
  }
  std::int64_t shift() const { return placed() ? std::int64_t{address} - start : 0; }
  std::int32_t length() const { return end - start + 1; }
};

struct CarryInput {
  std::span<const std::uint8_t> dif;
  std::span<const std::uint8_t> newBin;
  // The BIN the DIF was made from: its bytes and the bytes around every block. Without it the
  // backup's bytes are looked for alone.
  std::optional<std::span<const std::uint8_t>> original;
  std::optional<std::span<const std::uint8_t>> backup;
};

// How many bytes of the original around a block must come along with it.
inline constexpr std::int32_t kCarryContext = 16;

// Places every block of the DIF in the new BIN, in the DIF's order. A block is placed only where
// its source bytes, with the original's bytes around them, stand at exactly one place; a block
// too common to be unique takes the shift of the placed blocks on both sides of it when the
// original's bytes between them moved together with them. A block is never placed where its
// source bytes differ (or, "уже установлен", the DIF's own bytes).
// Errors: InvalidDif for a DIF walkDif refuses; BadInput (kCarryNothingText) when there is
// neither an original nor a backup that matches the DIF block for block.
Result<std::vector<CarriedBlock>> carryPatch(const CarryInput& input);

}  // namespace hm
