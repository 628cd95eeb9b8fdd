#pragma once

#include "blocks/block_list.h"
#include "platform/clock.h"
#include "platform/file_fingerprint.h"
#include "platform/file_system.h"
#include "platform/result.h"
#include "search/diff_search.h"
#include "search/regroup.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace hm {

// What the window's commands share, without the window: the two images and the raw blocks of the
// last search, the DIF opened for editing, the block list and the mode. Every file is read and
// written through the file system it is given.
class Session {
 public:
  explicit Session(FileSystem& fs) : fs_(fs) {}

  BlockList& blocks() { return list_; }
  const BlockList& blocks() const { return list_; }
  const RawBlocks& rawBlocks() const { return raw_; }
  std::int32_t targetLength() const { return targetLength_; }
  std::span<const std::uint8_t> sourceBytes() const { return bytesOf(source_); }
  std::span<const std::uint8_t> targetBytes() const { return bytesOf(target_); }
  std::span<const std::uint8_t> difBytes() const { return bytesOf(dif_); }
  // The same, shared: whoever holds one can read it after the session has let it go. Not while
  // a search is under way on another thread, which replaces the images.
  std::shared_ptr<const FileView> sourceImage() const { return source_; }
  std::shared_ptr<const FileView> targetImage() const { return target_; }
  std::shared_ptr<const ByteImage> difImage() const { return dif_; }

  // DIF-editing mode: blocks come from the DIF opened for editing and from data files.
  bool editingDif() const { return editingDif_; }
  void setEditingDif(bool on) { editingDif_ = on; }

  // Compares the two files. A completed search keeps both images and its raw blocks; any other
  // end leaves nothing of the earlier search behind.
  Status search(const std::string& sourcePath, const std::string& targetPath, Clock& clock,
                const ScanProgress& progress);
  // Rebuilds the list from the raw blocks, joining those at most `minDistance` bytes apart.
  void regroup(int minDistance);
  // Joins what overlaps, completes lengths and distances, and returns the totals.
  Totals recalculate();
  // About how many lines recalculate() has to read.
  std::size_t recalcWork() const;

  // The same two as work that reads the session but changes only `into`, so it can run on
  // another thread while the window shows the list; adoptBlocks() then puts the result in
  // place. Each returns false (nothing) when `keepGoing` said stop.
  bool regroupInto(int minDistance, BlockList& into, const KeepGoing& keepGoing) const;
  std::optional<Totals> recalcInto(BlockList& into, const KeepGoing& keepGoing) const;
  void adoptBlocks(BlockList&& built) { list_.assign(std::move(built)); }

  // Writes the list as a DIF: from the target image, or in editing mode from the DIF being
  // edited and the data files. With `backup`, outside editing mode, also the backup beside it
  // (the same blocks with the source's bytes), the two written as one pair.
  Status writeDif(const std::string& path, bool backup = false) const;

  // Opening a DIF for editing takes two steps, so the window can show its progress between
  // them: reading the file, then listing its blocks. A failure of either releases the image and
  // empties the list, so no line stays behind whose bytes are nowhere.
  Status readDif(const std::string& path);
  Status listDif();

  // Whether `path` is the DIF being edited and another program has changed it since it was
  // read (or since this session last wrote it).
  bool editedDifChangedOnDisk(const std::string& path) const;
  // After a DIF was written: writing over the DIF being edited makes it the new reference.
  void noteDifWritten(const std::string& path);

  // Forgets the last search: its raw blocks and both images.
  void releaseSearch();
  // Forgets everything held, the DIF being edited too.
  void releaseAll();

 private:
  FileSystem& fs_;
  BlockList list_;
  RawBlocks raw_;
  template <class Image>
  static std::span<const std::uint8_t> bytesOf(const std::shared_ptr<const Image>& image) {
    return image ? image->bytes() : std::span<const std::uint8_t>{};
  }

  std::shared_ptr<const FileView> source_;
  std::shared_ptr<const FileView> target_;
  std::shared_ptr<const ByteImage> dif_;
  std::string difPath_;
  std::optional<FileFingerprint> difRead_;  // what dif_ was read from
  std::int32_t targetLength_ = 0;
  bool editingDif_ = false;
};

}  // namespace hm
