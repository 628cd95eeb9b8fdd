#pragma once

#include "platform/file_system.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace hm {

// What applying a DIF leaves over the addresses its records cover: the records walkDif accepts,
// copied in file order so a later record's bytes win where records overlap, and which of those
// addresses a record covered at all. The image spans from the lowest record to the end of the
// highest, at most 16 MiB, and the coverage one bit an address beside it; the image's pages no
// record reaches are never touched.
class AppliedDif {
 public:
  explicit AppliedDif(std::span<const std::uint8_t> dif);

  // The `length` bytes from address `start` on, as applying leaves them; nothing unless records
  // cover every one of them.
  std::optional<std::span<const std::uint8_t>> bytes(std::int32_t start, std::int32_t length) const;

 private:
  void paint(std::span<const std::uint8_t> dif);

  std::int64_t base_ = 0;  // the address of image_[0]
  ByteImage image_;
  std::vector<std::uint64_t> covered_;  // bit i: a record covers base_ + i
};

}  // namespace hm
