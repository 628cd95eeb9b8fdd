#include "dif/pattern_finder.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace hm {

namespace {

constexpr std::size_t kLongKey = 8;
constexpr unsigned kBitmapBits = 22;

std::uint64_t keyAt(const std::uint8_t* at, std::size_t length) {
  std::uint64_t key = 0;
  std::memcpy(&key, at, length);
  return key;
}

std::size_t slot(std::uint64_t key, unsigned bits) {
  return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - bits));
}

}  // namespace

int PatternFinder::add(std::span<const std::uint8_t> pattern) {
  patterns_.push_back({pattern});
  return static_cast<int>(patterns_.size() - 1);
}

void PatternFinder::search(std::span<const std::uint8_t> image) {
  for (std::size_t length = 1; length <= kLongKey; ++length) searchKeyLength(image, length);
}

// The strings whose first `keyLength` bytes are their key: those of that length, or for the
// longest key every string at least that long.
void PatternFinder::searchKeyLength(std::span<const std::uint8_t> image, std::size_t keyLength) {
  std::vector<int> ids;
  for (std::size_t id = 0; id < patterns_.size(); ++id) {
    const std::size_t size = patterns_[id].bytes.size();
    if (keyLength == kLongKey ? size >= kLongKey : size == keyLength) {
      ids.push_back(static_cast<int>(id));
    }
  }
  if (ids.empty() || image.size() < keyLength) return;
  // A small image needs no more bits than it has positions.
  unsigned bits = 12;
  while (bits < kBitmapBits && (std::size_t{1} << bits) < image.size()) ++bits;
  std::unordered_map<std::uint64_t, std::vector<int>> byKey;
  std::vector<std::uint64_t> bitmap((std::size_t{1} << bits) / 64);
  // The first two bytes first: a table small enough to stay in the nearest cache turns most
  // positions away before the key is hashed.
  std::vector<std::uint64_t> pairs(65536 / 64);
  for (int id : ids) {
    const std::uint64_t key =
        keyAt(patterns_[static_cast<std::size_t>(id)].bytes.data(), keyLength);
    byKey[key].push_back(id);
    const std::size_t s = slot(key, bits);
    bitmap[s / 64] |= std::uint64_t{1} << (s % 64);
    const unsigned two = static_cast<unsigned>(key & 0xFFFF);
    pairs[two / 64] |= std::uint64_t{1} << (two % 64);
  }
  const std::uint8_t* data = image.data();
  const std::size_t last = image.size() - keyLength;
  const bool byPairs = keyLength >= 2;
  for (std::size_t at = 0; at <= last; ++at) {
    if (byPairs) {
      const unsigned two = data[at] | unsigned{data[at + 1]} << 8;
      if (!(pairs[two / 64] >> (two % 64) & 1)) continue;
    }
    const std::uint64_t key = keyAt(data + at, keyLength);
    const std::size_t s = slot(key, bits);
    if (!(bitmap[s / 64] >> (s % 64) & 1)) continue;
    auto found = byKey.find(key);
    if (found == byKey.end()) continue;
    for (int id : found->second) {
      Pattern& p = patterns_[static_cast<std::size_t>(id)];
      if (at + p.bytes.size() > image.size() ||
          !std::equal(p.bytes.begin(), p.bytes.end(), data + at)) {
        continue;
      }
      if (p.count++ == 0) p.first = static_cast<std::int64_t>(at);
    }
  }
}

}  // namespace hm
