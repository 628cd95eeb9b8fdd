#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace hm {

// Counts where each of many byte strings stands in one image: one pass over the image for all
// strings of eight bytes or more, and one for each shorter length in use. A pass looks up the
// bytes at each position in a bitmap first, so a position no string starts like costs a few
// instructions.
class PatternFinder {
 public:
  // The bytes must outlive the search. Returns the string's number.
  int add(std::span<const std::uint8_t> pattern);
  void search(std::span<const std::uint8_t> image);

  std::uint64_t count(int id) const { return patterns_[static_cast<std::size_t>(id)].count; }
  // Where it first stands, or -1.
  std::int64_t first(int id) const { return patterns_[static_cast<std::size_t>(id)].first; }

 private:
  struct Pattern {
    std::span<const std::uint8_t> bytes;
    std::uint64_t count = 0;
    std::int64_t first = -1;
  };

  void searchKeyLength(std::span<const std::uint8_t> image, std::size_t keyLength);

  std::vector<Pattern> patterns_;
};

}  // namespace hm
