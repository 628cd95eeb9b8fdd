#include "dif/patch_carry.h"

#include "dif/dif_format.h"
#include "dif/pattern_finder.h"
#include "platform/user_texts.h"

#include <algorithm>
#include <memory>
#include <numeric>

namespace hm {

namespace {

using Bytes = std::vector<std::uint8_t>;
using View = std::span<const std::uint8_t>;

// One block with what it is looked for by: its source bytes and the DIF's, each with the
// original's bytes around them, and where the block begins inside those.
struct Sought {
  View source;
  View dif;
  View withSource;
  View withDif;
  std::int32_t before = 0;
  int sourceId = -1;
  int difId = -1;
};

bool sameBytes(View image, std::int64_t at, View bytes) {
  return at >= 0 && static_cast<std::uint64_t>(at) + bytes.size() <= image.size() &&
         std::equal(bytes.begin(), bytes.end(), image.begin() + at);
}

class Carrier {
 public:
  explicit Carrier(const CarryInput& input) : in_(input) {}

  Result<std::vector<CarriedBlock>> run();

 private:
  bool readBlocks();
  bool readBackupSources();
  void describe(std::size_t k);
  View own(Bytes bytes);
  void placeUnique();
  bool placeByNeighbours();
  bool tryShift(std::size_t k, std::int64_t shift, std::size_t left, std::size_t right);
  bool gapsMoved(std::size_t left, std::size_t right, std::int64_t shift) const;
  bool gapMoved(std::int64_t from, std::int64_t to, std::int64_t shift) const;

  const CarryInput& in_;
  std::vector<CarriedBlock> blocks_;
  std::vector<Sought> sought_;
  std::vector<std::size_t> order_;  // blocks by address
  std::vector<std::unique_ptr<Bytes>> owned_;
};

bool Carrier::readBlocks() {
  const DifWalk walk = walkDif(in_.dif, [this](const DifRecord& r) {
    CarriedBlock b;
    b.start = r.address;
    b.end = r.address + r.length - 1;
    b.dataOffset = r.dataOffset;
    blocks_.push_back(b);
  });
  return walk.ok();
}

// The backup serves only when it holds the DIF's blocks, one for one.
bool Carrier::readBackupSources() {
  if (!in_.backup) return false;
  std::vector<View> sources;
  std::size_t k = 0;
  bool same = true;
  const DifWalk walk = walkDif(*in_.backup, [&](const DifRecord& r) {
    if (k >= blocks_.size() || blocks_[k].start != r.address || blocks_[k].length() != r.length) {
      same = false;
    } else {
      sources.push_back(in_.backup->subspan(r.dataOffset, static_cast<std::size_t>(r.length)));
    }
    ++k;
  });
  if (!walk.ok() || !same || k != blocks_.size()) return false;
  for (std::size_t i = 0; i < blocks_.size(); ++i) sought_[i].source = sources[i];
  return true;
}

View Carrier::own(Bytes bytes) {
  owned_.push_back(std::make_unique<Bytes>(std::move(bytes)));
  return *owned_.back();
}

// With the original, a block is looked for with up to kCarryContext of its bytes on either
// side; bytes of a block past the original's end read as zero, as its backup holds them.
void Carrier::describe(std::size_t k) {
  const CarriedBlock& b = blocks_[k];
  Sought& s = sought_[k];
  s.dif = in_.dif.subspan(b.dataOffset, static_cast<std::size_t>(b.length()));
  if (!in_.original) {
    s.withSource = s.source;
    s.withDif = s.dif;
    return;
  }
  const View original = *in_.original;
  const auto size = static_cast<std::int64_t>(original.size());
  // A block that starts past the original's end has no bytes of it just before it.
  s.before = b.start <= size ? std::min<std::int32_t>(kCarryContext, b.start) : 0;
  const std::int64_t afterFrom = std::int64_t{b.end} + 1;
  const std::int64_t afterTo = std::min<std::int64_t>(afterFrom + kCarryContext, size);
  Bytes source(static_cast<std::size_t>(b.length()), 0);
  for (std::int64_t a = b.start; a <= b.end && a < size; ++a) {
    source[static_cast<std::size_t>(a - b.start)] = original[static_cast<std::size_t>(a)];
  }
  auto around = [&](View middle) {
    Bytes bytes(original.begin() + (b.start - s.before), original.begin() + b.start);
    bytes.insert(bytes.end(), middle.begin(), middle.end());
    if (afterFrom < afterTo) {
      bytes.insert(bytes.end(), original.begin() + afterFrom, original.begin() + afterTo);
    }
    return bytes;
  };
  s.source = own(std::move(source));
  s.withSource = own(around(s.source));
  s.withDif = own(around(s.dif));
}

// A block whose bytes, context and all, stand at one place only is placed there.
void Carrier::placeUnique() {
  PatternFinder finder;
  for (Sought& s : sought_) {
    s.sourceId = finder.add(s.withSource);
    s.difId = finder.add(s.withDif);
  }
  finder.search(in_.newBin);
  for (std::size_t k = 0; k < blocks_.size(); ++k) {
    CarriedBlock& b = blocks_[k];
    const Sought& s = sought_[k];
    const std::uint64_t sources = finder.count(s.sourceId);
    const std::uint64_t difs = finder.count(s.difId);
    if (sources == 1) {
      b.address = static_cast<std::int32_t>(finder.first(s.sourceId) + s.before);
      b.outcome = b.address == b.start ? CarryOutcome::InPlace : CarryOutcome::Moved;
    } else if (sources == 0 && difs == 1) {
      b.address = static_cast<std::int32_t>(finder.first(s.difId) + s.before);
      b.outcome = CarryOutcome::AlreadyThere;
    } else {
      b.places = sources > 0 ? sources : difs;
      b.outcome = b.places == 0 ? CarryOutcome::NotFound : CarryOutcome::Ambiguous;
    }
  }
}

// The original's bytes from `from` to `to` stand `shift` further on in the new BIN.
bool Carrier::gapMoved(std::int64_t from, std::int64_t to, std::int64_t shift) const {
  const View original = *in_.original;
  from = std::max<std::int64_t>(from, 0);
  to = std::min<std::int64_t>(to, static_cast<std::int64_t>(original.size()) - 1);
  if (from > to) return true;
  return sameBytes(
      in_.newBin, from + shift,
      original.subspan(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from + 1)));
}

// Every byte of the original between the blocks from order_[left] to order_[right] that no
// block changes moved by `shift`: the region moved as one.
bool Carrier::gapsMoved(std::size_t left, std::size_t right, std::int64_t shift) const {
  for (std::size_t m = left; m < right; ++m) {
    const CarriedBlock& a = blocks_[order_[m]];
    const CarriedBlock& b = blocks_[order_[m + 1]];
    if (!gapMoved(std::int64_t{a.end} + 1, std::int64_t{b.start} - 1, shift)) return false;
  }
  return true;
}

bool Carrier::tryShift(std::size_t k, std::int64_t shift, std::size_t left, std::size_t right) {
  CarriedBlock& b = blocks_[k];
  const Sought& s = sought_[k];
  const std::int64_t at = std::int64_t{b.start} + shift;
  const bool source = sameBytes(in_.newBin, at, s.source);
  if (!source && !sameBytes(in_.newBin, at, s.dif)) return false;
  // The original's bytes between the neighbours moved with them; at an end of the list, the
  // context on the open side too.
  if (in_.original) {
    if (!gapsMoved(left, right, shift)) return false;
    if (order_[left] == k &&
        !gapMoved(std::int64_t{b.start} - kCarryContext, std::int64_t{b.start} - 1, shift)) {
      return false;
    }
    if (order_[right] == k &&
        !gapMoved(std::int64_t{b.end} + 1, std::int64_t{b.end} + kCarryContext, shift)) {
      return false;
    }
  }
  b.address = static_cast<std::int32_t>(at);
  b.places = 0;
  b.outcome = source ? (shift == 0 ? CarryOutcome::InPlace : CarryOutcome::Moved)
                     : CarryOutcome::AlreadyThere;
  return true;
}

// A block not placed alone takes the shift of the placed blocks on both sides of it when they
// agree (one side at the ends of the list).
bool Carrier::placeByNeighbours() {
  bool any = false;
  const std::size_t n = order_.size();
  std::vector<std::ptrdiff_t> previous(n, -1), next(n, -1);
  for (std::size_t i = 0, last = SIZE_MAX; i < n; ++i) {
    if (last != SIZE_MAX) previous[i] = static_cast<std::ptrdiff_t>(last);
    if (blocks_[order_[i]].placed()) last = i;
  }
  for (std::size_t i = n, last = SIZE_MAX; i-- > 0;) {
    if (last != SIZE_MAX) next[i] = static_cast<std::ptrdiff_t>(last);
    if (blocks_[order_[i]].placed()) last = i;
  }
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t k = order_[i];
    if (blocks_[k].placed()) continue;
    const std::ptrdiff_t p = previous[i], q = next[i];
    if (p < 0 && q < 0) continue;
    const std::int64_t left = p >= 0 ? blocks_[order_[static_cast<std::size_t>(p)]].shift() : 0;
    const std::int64_t right = q >= 0 ? blocks_[order_[static_cast<std::size_t>(q)]].shift() : 0;
    if (p >= 0 && q >= 0 && left != right) continue;
    const std::int64_t shift = p >= 0 ? left : right;
    const std::size_t from = p >= 0 ? static_cast<std::size_t>(p) : i;
    const std::size_t to = q >= 0 ? static_cast<std::size_t>(q) : i;
    any |= tryShift(k, shift, from, to);
  }
  return any;
}

Result<std::vector<CarriedBlock>> Carrier::run() {
  if (!readBlocks()) return Error{ErrorCode::InvalidDif, kInvalidDifEditText};
  sought_.resize(blocks_.size());
  if (!in_.original && !readBackupSources()) return Error{ErrorCode::BadInput, kCarryNothingText};
  for (std::size_t k = 0; k < blocks_.size(); ++k) describe(k);
  order_.resize(blocks_.size());
  std::iota(order_.begin(), order_.end(), std::size_t{0});
  std::stable_sort(order_.begin(), order_.end(), [this](std::size_t a, std::size_t b) {
    return blocks_[a].start < blocks_[b].start;
  });
  placeUnique();
  while (placeByNeighbours()) {
  }
  return std::move(blocks_);
}

}  // namespace

Result<std::vector<CarriedBlock>> carryPatch(const CarryInput& input) {
  return Carrier(input).run();
}

}  // namespace hm
