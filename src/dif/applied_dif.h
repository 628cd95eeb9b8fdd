#pragma once

#include "platform/file_system.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace hm {

// What applying a DIF leaves over the addresses its records cover: the records walkDif accepts,
// copied in file order so a later record's bytes win where records overlap. Only covered bytes
// are held, one run of them for each stretch of addresses the records cover without a gap, so
// the memory is at most what the records' bytes take (16 MiB at the most) however far apart
// they lie.
class AppliedDif {
 public:
  explicit AppliedDif(std::span<const std::uint8_t> dif);

  // The `length` bytes from address `start` on, as applying leaves them; nothing unless records
  // cover every one of them.
  std::optional<std::span<const std::uint8_t>> bytes(std::int32_t start, std::int32_t length) const;

 private:
  // Addresses [begin, end) covered without a gap; their bytes start at `at` in image_.
  struct Run {
    std::int64_t begin;
    std::int64_t end;
    std::size_t at;
  };

  const Run* runHolding(std::int64_t address) const;

  std::vector<Run> runs_;  // ascending, never touching
  ByteImage image_;
};

}  // namespace hm
