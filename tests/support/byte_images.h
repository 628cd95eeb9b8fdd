#pragma once

#include "platform/file_system.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace hm::test {

using Bytes = std::vector<std::uint8_t>;

inline ByteImage imageOf(const Bytes& bytes) {
  ByteImage image(bytes.size());
  std::copy(bytes.begin(), bytes.end(), image.data());
  return image;
}

inline Bytes bytesOf(const ByteImage& image) {
  return Bytes(image.data(), image.data() + image.size());
}

}  // namespace hm::test
