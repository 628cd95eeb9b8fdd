#include "search/forward_grouping.h"

#include "blocks/block_line.h"
#include "blocks/block_list.h"
#include "platform/clock.h"
#include "search/diff_search.h"
#include "search/regroup.h"

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace hm {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Group {
  std::int32_t start = 0, end = 0;
  Bytes target, source;
  bool operator==(const Group&) const = default;
};

class Recorder : public GroupSink {
 public:
  std::vector<Group> groups;
  bool open_ = false;

  void open(std::int32_t address) override {
    EXPECT_FALSE(open_);
    open_ = true;
    groups.push_back({address, address - 1, {}, {}});
  }
  void bytes(std::span<const std::uint8_t> target, std::span<const std::uint8_t> source) override {
    ASSERT_TRUE(open_);
    ASSERT_EQ(target.size(), source.size());
    Group& g = groups.back();
    g.target.insert(g.target.end(), target.begin(), target.end());
    g.source.insert(g.source.end(), source.begin(), source.end());
    g.end += static_cast<std::int32_t>(target.size());
  }
  void close() override {
    EXPECT_TRUE(open_);
    open_ = false;
  }
};

// The groups the window's search and regrouping make of the same pair, with their bytes.
std::vector<Group> searched(const Bytes& source, const Bytes& target, int minDistance) {
  const std::size_t common = std::min(source.size(), target.size());
  RawBlocks raw;
  ManualClock clock;
  scanDifferences(source.data(), common, target.data(), target.size(), raw, clock, nullptr);
  BlockList list;
  regroup(raw, minDistance, list);
  std::vector<Group> groups;
  for (int i = 0; i < list.count(); ++i) {
    const BlockSpan span = readBlockSpan(list.text(i));
    Group g{span.start, span.end, {}, {}};
    for (std::int32_t a = span.start; a <= span.end; ++a) {
      const auto at = static_cast<std::size_t>(a);
      g.target.push_back(target[at]);
      g.source.push_back(at < source.size() ? source[at] : 0);
    }
    groups.push_back(std::move(g));
  }
  return groups;
}

// Pieces of any length, as a reader may deliver them, give the same groups as the whole scan.
TEST(ForwardGroupingTest, PiecesOfAnyLengthGiveTheSearchsGroups) {
  std::mt19937 random(5);
  for (int round = 0; round < 300; ++round) {
    const std::size_t targetLength = random() % 700;
    const std::size_t sourceLength = round % 3 == 0 ? random() % 700 : targetLength;
    Bytes source(sourceLength);
    for (std::uint8_t& b : source) b = static_cast<std::uint8_t>(random() % 4);
    Bytes target(targetLength);
    for (std::size_t i = 0; i < targetLength; ++i) {
      // Mostly equal, in runs, so both gaps and runs of every length occur.
      const bool changed = i < sourceLength && random() % 8 == 0;
      target[i] = i < sourceLength ? static_cast<std::uint8_t>(source[i] ^ changed)
                                   : static_cast<std::uint8_t>(random());
    }
    const int minDistance = static_cast<int>(random() % 12);

    Recorder recorder;
    ForwardGrouping grouping(minDistance, recorder);
    std::size_t at = 0;
    while (at < targetLength) {
      const std::size_t length = std::min<std::size_t>(1 + random() % 150, targetLength - at);
      const std::size_t common = at < sourceLength ? std::min(length, sourceLength - at) : 0;
      Bytes s(length, 0);
      std::copy_n(source.begin() + static_cast<std::ptrdiff_t>(at), common, s.begin());
      grouping.feed(target.data() + at, s.data(), length, common);
      at += length;
    }
    grouping.finish();
    ASSERT_FALSE(recorder.open_);
    ASSERT_EQ(recorder.groups, searched(source, target, minDistance)) << "round " << round;
  }
}

}  // namespace
}  // namespace hm
