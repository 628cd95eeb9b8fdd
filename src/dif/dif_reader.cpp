#include "dif/dif_reader.h"

#include "blocks/block_line.h"
#include "dif/dif_format.h"
#include "dif/ips_format.h"
#include "dif/ips_reader.h"
#include "platform/file_stream.h"

#include <algorithm>
#include <memory>
#include <string>

namespace hm {

Result<std::vector<DifBlock>> readDifBlocks(std::span<const std::uint8_t> dif) {
  std::vector<DifBlock> blocks;
  // As many as the file can hold, at most: growing a vector of millions copies it each time.
  blocks.reserve((dif.size() - std::min(dif.size(), kDifHeaderSize)) / (kRecordHeadSize + 1));
  DifWalk walk = walkDif(dif, [&](const DifRecord& record) {
    blocks.push_back({record.address, record.address + record.length - 1});
  });
  if (!walk.ok()) return Error{ErrorCode::InvalidDif, kInvalidDifEditText};
  return blocks;
}

bool listDifBlocks(std::vector<DifBlock> blocks, BlockList& list,
                   const std::function<bool()>& keepGoing, const ListingProgress& progress) {
  // Six-digit fields sort as their numbers do, so the lines' text order is (start, end).
  auto before = [](const DifBlock& a, const DifBlock& b) {
    return a.start != b.start ? a.start < b.start : a.end < b.end;
  };
  // The program writes its blocks in order: a check costs a fraction of a sort.
  if (!std::is_sorted(blocks.begin(), blocks.end(), before)) {
    std::sort(blocks.begin(), blocks.end(), before);
  }
  BlockList::Batch batch(list);
  list.reserve(blocks.size());
  BlockLine line;
  line.form = LineForm::Addresses;
  // A look every so many lines answers "Отмена" within milliseconds at no cost per line.
  constexpr std::size_t kLook = 1 << 16;
  constexpr std::size_t kReport = 1 << 20;
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    if (i % kLook == 0 && i > 0) {
      if (keepGoing && !keepGoing()) return false;
      if (progress && i % kReport == 0) progress(i, blocks.size());
    }
    line.start = blocks[i].start;
    line.end = blocks[i].end;
    // In order already: each line goes where add() would put it.
    list.append(line);
  }
  if (progress) progress(blocks.size(), blocks.size());
  return true;
}

namespace {

// A read of this size costs little more than copying it, and the work on it takes a few
// milliseconds: "Отмена" is seen between two pieces without waiting for the file.
constexpr std::size_t kPiece = std::size_t{8} << 20;
// Records walked between two looks at "Отмена" and between two reports.
constexpr std::size_t kRecordsPerLook = 1 << 16;
constexpr std::size_t kRecordsPerReport = 1 << 20;

// The blocks of a DIF's records, taken as the file comes in.
class BlockTaker {
 public:
  BlockTaker(PerRow<BlockSpan>& blocks, const std::function<bool()>& keepGoing,
             const ListingProgress& progress)
      : blocks_(blocks), keepGoing_(keepGoing), progress_(progress) {}

  // `bytes`: the first bytes of a DIF of `size` bytes. False when `keepGoing` said stop.
  bool take(std::span<const std::uint8_t> bytes, std::uint64_t size) {
    const bool whole = bytes.size() >= size;
    DifRecord record{};
    while (walker_.next(bytes, whole, record)) {
      if (blocks_.empty()) blocks_.reserve(room(size));
      blocks_.push_back({record.address, record.address + record.length - 1});
      if (blocks_.size() % kRecordsPerLook != 0) continue;
      if (keepGoing_ && !keepGoing_()) return false;
      if (progress_ && blocks_.size() % kRecordsPerReport == 0 && blocks_.size() < count() &&
          room(size) == count()) {
        progress_(blocks_.size(), count());
      }
    }
    return true;
  }

  const DifWalk& walk() const { return walker_.walk(); }

 private:
  std::size_t count() const { return static_cast<std::size_t>(walker_.walk().count); }
  // The records the header counts, or as many as a file of `size` bytes holds when that is
  // fewer: such a header is refused at the end of the file.
  std::size_t room(std::uint64_t size) const {
    const std::uint64_t fits =
        (size - std::min<std::uint64_t>(size, kDifHeaderSize)) / (kRecordHeadSize + 1);
    return static_cast<std::size_t>(std::min<std::uint64_t>(fits, count()));
  }

  PerRow<BlockSpan>& blocks_;
  const std::function<bool()>& keepGoing_;
  const ListingProgress& progress_;
  DifWalker walker_;
};

}  // namespace

Result<DifToEdit> readDifToEdit(FileSystem& fs, const std::string& path,
                                const std::function<bool()>& keepGoing,
                                const ListingProgress& progress) {
  const Error cancelled{ErrorCode::Cancelled, ""};
  const Error unread{ErrorCode::OpenFailed, kOpenErrorText};
  std::unique_ptr<FileStream> stream = fs.openStream(path);
  if (!stream) return unread;
  DifToEdit read;
  BlockTaker taker(read.blocks, keepGoing, progress);
  ContentHash hash;
  bool stopped = false;
  std::optional<ByteImage> image =
      readInPieces(*stream, kPiece, [&](std::span<const std::uint8_t> bytes) {
        hash.add(bytes);
        // An IPS is walked once it has been read whole and made a DIF.
        if (bytes.size() >= kIpsHeader.size() && !isIps(bytes)) {
          stopped = !taker.take(bytes, stream->size());
        }
        stopped = stopped || (keepGoing && !keepGoing());
        return !stopped;
      });
  if (stopped) return cancelled;
  if (!image) return unread;
  if (std::optional<FileInfo> info = fs.stat(path)) {
    read.fingerprint = fingerprintOf(*info, image->size(), hash.finish(image->bytes()));
  }
  if (Status ips = difFromIps(*image); !ips) return ips.error();
  read.image = std::move(*image);
  if (!taker.take(read.image.bytes(), read.image.size())) return cancelled;
  if (!taker.walk().ok()) return Error{ErrorCode::InvalidDif, kInvalidDifEditText};
  if (progress) progress(read.blocks.size(), read.blocks.size());
  return read;
}

}  // namespace hm
