#pragma once

#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/result.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

namespace hm {

// One run of differing bytes; `distance` is the count of equal bytes up to the block found
// before it (the next higher one), 0 for the first block found.
struct RawBlock {
  std::int32_t start;
  std::int32_t end;  // inclusive
  std::int32_t distance;
};

// In the order the scan finds them: descending addresses, the block nearest the end first.
// Each distance follows from the block found before, so only the addresses are kept: a window
// keeps millions of these beside its list for as long as it shows a search.
class RawBlocks {
 public:
  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = RawBlock;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = RawBlock;

    const_iterator() = default;
    const_iterator(const RawBlocks* blocks, std::size_t k) : blocks_(blocks), k_(k) {}
    RawBlock operator*() const { return (*blocks_)[k_]; }
    const_iterator& operator++() {
      ++k_;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator was = *this;
      ++k_;
      return was;
    }
    friend bool operator==(const const_iterator& a, const const_iterator& b) {
      return a.k_ == b.k_;
    }

   private:
    const RawBlocks* blocks_ = nullptr;
    std::size_t k_ = 0;
  };
  using value_type = RawBlock;
  using iterator = const_iterator;

  RawBlocks() = default;
  // The distances given are not kept: they are those of the addresses.
  RawBlocks(std::initializer_list<RawBlock> blocks);

  std::size_t size() const { return runs_.size(); }
  bool empty() const { return runs_.empty(); }
  RawBlock operator[](std::size_t k) const {
    const Run& run = runs_[k];
    return {run.start, run.end, k == 0 ? 0 : runs_[k - 1].start - run.end - 1};
  }
  RawBlock back() const { return (*this)[size() - 1]; }
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }

  void push_back(const RawBlock& block) { runs_.push_back({block.start, block.end}); }
  void reserve(std::size_t n) { runs_.reserve(n); }
  void clear() { runs_.clear(); }
  void shrink_to_fit() { runs_.shrink_to_fit(); }
  void swap(RawBlocks& other) noexcept { runs_.swap(other.runs_); }

  friend bool operator==(const RawBlocks&, const RawBlocks&) = default;

 private:
  struct Run {
    std::int32_t start;
    std::int32_t end;
    friend bool operator==(const Run&, const Run&) = default;
  };
  std::vector<Run> runs_;
};

// Called about every 100 ms with the running count of differing bytes; false cancels.
using ScanProgress = std::function<bool(std::uint64_t differences)>;

inline constexpr std::uint32_t kProgressIntervalMs = 100;

// Compares from the end to the start. `source` must hold min(sourceLength, targetLength)
// bytes; the target's bytes past the source's end count as changed whatever they are.
// Returns false when cancelled, with `blocks` empty.
bool scanDifferences(const std::uint8_t* source, std::size_t sourceLength,
                     const std::uint8_t* target, std::size_t targetLength, RawBlocks& blocks,
                     Clock& clock, const ScanProgress& progress);

struct SearchOutcome {
  FileView source;  // target length bytes; zero past the source's end
  FileView target;
  RawBlocks blocks;
  std::int32_t targetLength = 0;
};

// How a search holds the two files. A window keeps them after the search, while the files may
// change on disk, so it takes copies; a job that writes its DIF and ends sees them in place, and
// must take a file found cut short before its DIF is committed as a failed read
// (FileView::intact()).
enum class FileHolding { Copies, Views };

// Reads both files whole and scans them. Errors: OpenFailed "Ошибка открытия файла!" (also for
// a file cut short during the scan), TooLarge "Too Large File! (Max 16Mb)", Cancelled (message
// empty).
Result<SearchOutcome> runSearch(FileSystem& fs, const std::string& sourcePath,
                                const std::string& targetPath, Clock& clock,
                                const ScanProgress& progress,
                                FileHolding holding = FileHolding::Copies);

}  // namespace hm
