#include "search/diff_search.h"

#include "platform/user_texts.h"
#include "search/byte_masks.h"

#include <algorithm>
#include <bit>
#include <utility>

namespace hm {

namespace {

const char kTooLarge[] = "Too Large File! (Max 16Mb)";

// Work between two looks at the clock: bounded in bytes for long equal or changed stretches
// and in blocks for densely changed ones, so progress keeps its pace either way.
constexpr std::size_t kChunkBytes = 256 * 1024;
constexpr std::size_t kChunkBlocks = 8192;

std::uint64_t bitsBelow(int n) {
  return n >= 64 ? kAllDiffer : (std::uint64_t{1} << n) - 1;
}

int highestBit(std::uint64_t v) {
  return 63 - std::countl_zero(v);
}

// Walks the common part downward 64 bytes at a time and turns the edges between equal and
// differing bytes into blocks. A run may span many windows; it stays open until its lower edge.
class Scanner {
 public:
  Scanner(const std::uint8_t* source, const std::uint8_t* target, std::size_t common,
          RawBlocks& blocks)
      : source_(source), target_(target), common_(common), pos_(common), blocks_(blocks) {}

  void openRun(std::size_t top) {
    inRun_ = true;
    runTop_ = top;
  }

  bool done() const { return pos_ == 0; }

  // A run still open at offset 0 begins there.
  void finish() {
    if (inRun_) record(0, runTop_);
    inRun_ = false;
  }
  std::uint64_t differences() const { return differences_; }

  void step() {
    std::size_t floor = pos_ > kChunkBytes ? pos_ - kChunkBytes : 0;
    std::size_t blockLimit = blocks_.size() + kChunkBlocks;
    while (pos_ - floor >= 64 && blocks_.size() < blockLimit) {
      pos_ -= 64;
      std::uint64_t diff = diffMask64(source_ + pos_, target_ + pos_);
      if (diff == (inRun_ ? kAllDiffer : 0)) continue;
      walk(diff, pos_, 64);
    }
    if (floor == 0 && pos_ > 0 && pos_ < 64) finishBottom();
  }

 private:
  // The lowest bytes, fewer than 64: reread from offset 0 when the buffers are long enough,
  // ignoring the bits above pos_ that were already walked.
  void finishBottom() {
    std::uint64_t diff =
        common_ >= 64 ? diffMask64(source_, target_) : diffMaskShort(source_, target_, pos_);
    walk(diff, 0, static_cast<int>(pos_));
    pos_ = 0;
  }

  void walk(std::uint64_t diff, std::size_t base, int width) {
    int limit = width;
    while (limit > 0) {
      std::uint64_t below = bitsBelow(limit);
      if (!inRun_) {
        std::uint64_t differing = diff & below;
        if (differing == 0) return;
        limit = highestBit(differing);
        runTop_ = base + static_cast<std::size_t>(limit);
        inRun_ = true;
      } else {
        std::uint64_t equal = ~diff & below;
        if (equal == 0) return;
        limit = highestBit(equal);
        record(base + static_cast<std::size_t>(limit) + 1, runTop_);
        inRun_ = false;
      }
    }
  }

  void record(std::size_t start, std::size_t end) {
    auto s = static_cast<std::int32_t>(start);
    auto e = static_cast<std::int32_t>(end);
    blocks_.push_back({s, e, 0});
    differences_ += end - start + 1;
  }

  const std::uint8_t* source_;
  const std::uint8_t* target_;
  std::size_t common_;
  std::size_t pos_;  // every byte at or above it has been walked
  RawBlocks& blocks_;
  bool inRun_ = false;
  std::size_t runTop_ = 0;
  std::uint64_t differences_ = 0;
};

}  // namespace

RawBlocks::RawBlocks(std::initializer_list<RawBlock> blocks) {
  runs_.reserve(blocks.size());
  for (const RawBlock& block : blocks) push_back(block);
}

bool scanDifferences(const std::uint8_t* source, std::size_t sourceLength,
                     const std::uint8_t* target, std::size_t targetLength, RawBlocks& blocks,
                     Clock& clock, const ScanProgress& progress) {
  blocks.clear();
  std::size_t common = std::min(sourceLength, targetLength);
  bool longerTarget = targetLength > common;
  // Runs are at least one byte apart, so this is the most there can be. Untouched capacity
  // costs address space only, and the table never has to move while it fills.
  blocks.reserve((common + 1) / 2 + (longerTarget ? 1 : 0));

  Scanner scanner(source, target, common, blocks);
  // The target's bytes past the source's end count as changed whatever they hold.
  if (longerTarget) scanner.openRun(targetLength - 1);

  Tick lastReport = clock.now();
  while (!scanner.done()) {
    scanner.step();
    if (!progress) continue;
    Tick now = clock.now();
    if (elapsedSince(lastReport, now) < kProgressIntervalMs) continue;
    lastReport = now;
    if (!progress(scanner.differences())) {
      RawBlocks().swap(blocks);
      return false;
    }
  }
  scanner.finish();
  return true;
}

namespace {

std::optional<FileView> load(FileSystem& fs, const std::string& path, std::size_t maxBytes,
                             FileHolding holding) {
  if (holding == FileHolding::Views) return fs.view(path, maxBytes);
  std::optional<ByteImage> image = fs.read(path, maxBytes);
  if (!image) return std::nullopt;
  return FileView(std::move(*image));
}

}  // namespace

Result<SearchOutcome> runSearch(FileSystem& fs, const std::string& sourcePath,
                                const std::string& targetPath, Clock& clock,
                                const ScanProgress& progress, FileHolding holding) {
  std::optional<FileInfo> sourceInfo = fs.stat(sourcePath);
  if (!sourceInfo || !sourceInfo->regular) return Error{ErrorCode::OpenFailed, kOpenErrorText};
  std::optional<FileInfo> targetInfo = fs.stat(targetPath);
  if (!targetInfo || !targetInfo->regular) return Error{ErrorCode::OpenFailed, kOpenErrorText};
  // Addresses are written with six hex digits, so nothing longer can be shown or patched.
  if (sourceInfo->size > kMaxImageSize || targetInfo->size > kMaxImageSize) {
    return Error{ErrorCode::TooLarge, kTooLarge};
  }

  // Capped at the measured length: a file that grew since cannot push past the limit.
  auto measuredTarget = static_cast<std::size_t>(targetInfo->size);
  std::optional<FileView> source = load(fs, sourcePath, measuredTarget, holding);
  if (!source) return Error{ErrorCode::OpenFailed, kOpenErrorText};
  std::optional<FileView> target = load(fs, targetPath, measuredTarget, holding);
  if (!target) return Error{ErrorCode::OpenFailed, kOpenErrorText};

  SearchOutcome outcome;
  std::size_t targetLength = std::min(target->size(), measuredTarget);
  target->resize(targetLength);
  std::size_t sourceLength = std::min(source->size(), targetLength);
  if (!scanDifferences(source->data(), sourceLength, target->data(), targetLength, outcome.blocks,
                       clock, progress)) {
    return Error{ErrorCode::Cancelled, ""};
  }
  if (!source->intact() || !target->intact()) return Error{ErrorCode::OpenFailed, kOpenErrorText};
  // The backup writer takes source bytes at target addresses, so the image spans the target.
  source->resize(targetLength);
  outcome.source = std::move(*source);
  outcome.target = std::move(*target);
  outcome.targetLength = static_cast<std::int32_t>(targetLength);
  return outcome;
}

}  // namespace hm
