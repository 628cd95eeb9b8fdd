#pragma once

#include <cstddef>
#include <cstdint>
#include <emmintrin.h>

namespace hm {

// Comparing two images 64 bytes at a time: both scans (the search's backwards one and the
// comparison form's forwards one) look for differing bytes through these masks.

inline constexpr std::uint64_t kAllDiffer = ~std::uint64_t{0};

inline std::uint64_t equalMask16(const std::uint8_t* s, const std::uint8_t* t) {
  __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
  __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t));
  return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, b)));
}

// Bit j is set where the bytes at offset j of the two 64-byte windows differ.
inline std::uint64_t diffMask64(const std::uint8_t* s, const std::uint8_t* t) {
  std::uint64_t equal = equalMask16(s, t) | equalMask16(s + 16, t + 16) << 16 |
                        equalMask16(s + 32, t + 32) << 32 | equalMask16(s + 48, t + 48) << 48;
  return ~equal;
}

// The same for the last `n` (under 64) bytes.
inline std::uint64_t diffMaskShort(const std::uint8_t* s, const std::uint8_t* t, std::size_t n) {
  std::uint64_t diff = 0;
  for (std::size_t j = 0; j < n; ++j) diff |= std::uint64_t{s[j] != t[j]} << j;
  return diff;
}

}  // namespace hm
