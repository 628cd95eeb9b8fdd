#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace hm {

// Where the groups of a forward scan go, each as it is passed: opened at its first differing
// byte, then its bytes in order, closed once it cannot grow any more.
class GroupSink {
 public:
  virtual ~GroupSink() = default;
  virtual void open(std::int32_t address) = 0;
  // The next bytes of the open group, the target's and the source's (equal lengths; zeros stand
  // for the source past its end).
  virtual void bytes(std::span<const std::uint8_t> target,
                     std::span<const std::uint8_t> source) = 0;
  virtual void close() = 0;
};

// Finds the same groups as scanDifferences followed by regroup, from the start to the end over
// pieces of the two images read one after another, so neither image is ever held whole: runs of
// differing bytes at most `minDistance` equal bytes apart make one group, and the target's bytes
// past the source's end count as changed. The equal bytes between two runs of a group may lie in
// an earlier piece; the few of them (never more than `minDistance`) are kept until the group
// takes them or closes.
class ForwardGrouping {
 public:
  ForwardGrouping(int minDistance, GroupSink& sink);

  // The next `length` bytes of each image. Only the first `common` of them lie within the
  // source; `source` holds zeros after them.
  void feed(const std::uint8_t* target, const std::uint8_t* source, std::size_t length,
            std::size_t common);
  // Closes the group still open at the end of the images.
  void finish();

  std::uint64_t differences() const { return differences_; }
  std::uint64_t groups() const { return groups_; }

 private:
  void scanCommon(std::size_t common);
  void walk(std::uint64_t diff, std::size_t base, std::size_t width);
  void run(std::size_t from, std::size_t to);
  void keepGap(std::size_t length);

  const std::int64_t minDistance_;
  GroupSink& sink_;
  // The piece being fed and its place in the images.
  const std::uint8_t* target_ = nullptr;
  const std::uint8_t* source_ = nullptr;
  std::int64_t base_ = 0;
  // A run found in the piece and not yet passed on.
  bool inRun_ = false;
  std::size_t runStart_ = 0;
  // The open group: the offset after its last differing byte, and the first of its bytes not
  // yet passed on, which lie in `gap_` when they precede the piece.
  bool open_ = false;
  std::int64_t groupEnd_ = 0;
  std::int64_t passedTo_ = 0;
  std::vector<std::uint8_t> gap_;
  std::uint64_t differences_ = 0;
  std::uint64_t groups_ = 0;
};

}  // namespace hm
