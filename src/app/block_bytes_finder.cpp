#include "app/block_bytes_finder.h"

#include "blocks/hex_format.h"
#include "platform/file_reader.h"
#include "platform/user_texts.h"

#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace hm {

namespace {

// Context rows show what lies around a data block in its file, as far as this reaches.
constexpr std::int64_t kContextBytes = BlockBytes::kContextRows * BlockBytes::kRowBytes * 2;

std::string fileName(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool validSpan(BlockSpan block) {
  return block.start >= 0 && block.end >= block.start && block.end <= kLastImageOffset;
}

}  // namespace

std::string dataPaneCaption(std::string_view path, std::int32_t offset) {
  return fileName(path) + kDataOffsetText + HexPad(offset, 6);
}

BlockBytes BlockBytesFinder::find(std::string_view line) {
  const BlockSpan block = readBlockSpan(line);
  if (!validSpan(block)) return BlockBytes::unavailable(kBadBlockAddressesText);
  if (!session_.editingDif()) return fromImages(block);
  const DataSource source = readDataSource(line);
  return source.path.empty() ? fromDif(block) : fromDataFile(block, source);
}

BlockBytes BlockBytesFinder::fromImages(BlockSpan block) const {
  std::shared_ptr<const FileView> source = session_.sourceImage();
  std::shared_ptr<const FileView> target = session_.targetImage();
  if (!source || !target) return BlockBytes::unavailable(kNotComparedText);
  if (std::int64_t{block.end} >= static_cast<std::int64_t>(target->size())) {
    return BlockBytes::unavailable(kPastTargetText);
  }
  BlockBytes::Lane old{source->bytes(), 0, source};
  BlockBytes::Lane now{target->bytes(), 0, target};
  return BlockBytes::compare(std::move(old), std::move(now), block);
}

BlockBytes BlockBytesFinder::fromDif(BlockSpan block) {
  std::shared_ptr<const ByteImage> dif = session_.difImage();
  if (!dif) return BlockBytes::unavailable(kNotInDifText);
  if (!indexed_ || indexed_->dif != dif) {
    indexed_ = std::make_shared<const IndexedDif>(IndexedDif{dif, DifRecordIndex(dif->bytes())});
  }
  std::optional<std::span<const std::uint8_t>> bytes =
      indexed_->index.find(block.start, block.end - block.start + 1);
  if (!bytes) return BlockBytes::unavailable(kNotInDifText);
  BlockBytes::Lane lane{*bytes, block.start, indexed_};
  return BlockBytes::single(std::move(lane), block);
}

// Only the block and the bytes around it are read, wherever they lie in the file: a few bytes
// 15 MiB in cost a few bytes.
BlockBytes BlockBytesFinder::fromDataFile(BlockSpan block, const DataSource& source) const {
  const std::string path(source.path);
  const std::int64_t length = std::int64_t{block.end} - block.start + 1;
  const std::int64_t needed = std::int64_t{source.offset} + length;
  // A FIFO or a device would hold the window in its open; only a regular file is opened.
  std::optional<FileInfo> info = fs_.stat(path);
  std::unique_ptr<FileReader> reader = info && info->regular ? fs_.openReader(path) : nullptr;
  if (!reader) return BlockBytes::unavailable(kDataFileUnreadableText + path);
  const auto size = static_cast<std::int64_t>(reader->size());
  if (source.offset < 0 || size < needed) return BlockBytes::unavailable(kDataFileShortText + path);
  const std::int64_t from = std::max<std::int64_t>(source.offset - kContextBytes, 0);
  const std::int64_t to = std::min(needed + kContextBytes, size);
  std::optional<std::span<const std::uint8_t>> piece =
      reader->readAt(static_cast<std::uint64_t>(from), static_cast<std::size_t>(to - from));
  if (!piece || static_cast<std::int64_t>(piece->size()) < needed - from) {
    return BlockBytes::unavailable(kDataFileUnreadableText + path);
  }
  auto bytes = std::make_shared<const std::vector<std::uint8_t>>(piece->begin(), piece->end());
  BlockBytes::Lane lane{*bytes, std::int64_t{block.start} - source.offset + from, bytes};
  return BlockBytes::single(std::move(lane), block);
}

}  // namespace hm
