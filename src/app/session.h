#pragma once

#include "app/edit_history.h"
#include "blocks/block_list.h"
#include "blocks/recalc.h"
#include "dif/dif_reader.h"
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
#include <vector>

namespace hm {

// What changed in a session, for whoever shows it.
enum SessionChange : unsigned {
  kPathsChanged = 1,     // the two path boxes
  kDistanceChanged = 2,  // the minimum distance
  kBackupChanged = 4,    // whether "Создать DIF" also writes the backup
  kModeChanged = 8,      // DIF-editing mode on or off
  kStatusChanged = 16,   // the status line
  kWorkChanged = 32,     // long work started or ended, a search among it
  kListChanged = 64,     // the list's lines or totals, beyond what the list tells its view
};

class SessionObserver {
 public:
  virtual ~SessionObserver() = default;
  // `changes` is a set of SessionChange.
  virtual void sessionChanged(unsigned changes) = 0;
};

// Everything the window's commands share, without the window: the two paths, the minimum
// distance, the backup choice, the mode, the status line, the images and raw blocks of the last
// search, the DIF opened for editing and the block list. The window shows it and sends the
// user's changes to it; the commands read and change it. Every file is read and written through
// the file system it is given.
class Session {
 public:
  explicit Session(FileSystem& fs) : fs_(fs) {}
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  FileSystem& fileSystem() const { return fs_; }
  void addObserver(SessionObserver* observer);
  void removeObserver(SessionObserver* observer);

  // ---- What the window shows and the user changes ----

  // The first path box: the source BIN, or while a DIF is edited the data file.
  const std::string& inFile() const { return inFile_; }
  // The target BIN.
  const std::string& outFile() const { return outFile_; }
  // A new path is a new pair of files: outside DIF-editing mode the list and the search go.
  void setInFile(const std::string& path);
  void setOutFile(const std::string& path);
  std::string sourcePath() const { return editingDif_ ? std::string() : inFile_; }
  std::string dataFilePath() const { return editingDif_ ? inFile_ : std::string(); }
  // Whether a data file was named since the DIF was opened: only then can a block be added.
  bool dataFileNamed() const { return dataFileNamed_; }

  int minDistance() const { return minDistance_; }
  void setMinDistance(int distance);
  bool backupWanted() const { return backupWanted_; }
  void setBackupWanted(bool wanted);

  // DIF-editing mode: blocks come from the DIF opened for editing and from data files.
  bool editingDif() const { return editingDif_; }
  void setEditingDif(bool on);

  const std::string& status() const { return status_; }
  void say(const std::string& text);

  // Long work under way, and whether it is a search and whether its cancel was asked for.
  bool busy() const { return busy_; }
  bool searching() const { return searching_; }
  bool cancelRequested() const { return cancelRequested_; }
  void setBusy(bool busy);
  void setSearching(bool searching, bool cancelRequested = false);
  // Long DIF work under way (opening, writing, applying), which "Отмена" may stop as it stops a
  // search.
  bool difWork() const { return difWork_; }
  void setDifWork(bool on, bool cancelRequested = false);
  // Tells the observers the list's totals or lines changed as a whole.
  void listChanged();

  // ---- The blocks and what they come from ----

  BlockList& blocks() { return list_; }
  const BlockList& blocks() const { return list_; }

  // The list's edits, for undo and redo. A new search, a DIF opened for editing, entering or
  // leaving DIF-editing mode and a new pair of files start it afresh.
  EditHistory& history() { return history_; }
  const EditHistory& history() const { return history_; }
  // The list about to be put in place comes from a search grouped at `distance`.
  void startSearchHistory(int distance) { history_.reset(list_, true, distance); }
  // An edit of the list begins; it ends with its recalculation (listRecalculated).
  void beginEdit(EditKind kind, int toDistance = 0) { history_.begin(list_, kind, toDistance); }
  void listRecalculated() { history_.recalculated(list_); }
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

  // Compares the two files of the path boxes. A completed search keeps both images and its raw
  // blocks; any other end leaves nothing of the earlier search behind.
  Status search(Clock& clock, const ScanProgress& progress,
                FileHolding holding = FileHolding::Copies);
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
  // The same through `through`, a file system that watches the writing.
  Status writeDif(const std::string& path, bool backup, FileSystem& through) const;

  // Opening a DIF for editing takes two steps, so the window can show its progress between
  // them: reading the file, then listing its blocks. A failure of either releases the image and
  // empties the list, so no line stays behind whose bytes are nowhere.
  Status readDif(const std::string& path);
  Status listDif();
  // The same two and the recalculation after them, as work that changes nothing of the session,
  // for the job runner: the DIF at `path` read and listed into `into`, with the records read so
  // far told to `progress` (Cancelled when `keepGoing` said stop). adoptDif() then puts it in
  // place.
  struct LoadedDif {
    std::shared_ptr<const ByteImage> image;
    std::optional<FileFingerprint> fingerprint;
    BlockList lines;
    Totals totals;
  };
  Status loadDif(const std::string& path, LoadedDif& into, const KeepGoing& keepGoing,
                 const ListingProgress& progress = {}) const;
  void adoptDif(const std::string& path, LoadedDif&& loaded);
  // Before a DIF is loaded: the list empty, the earlier DIF let go.
  void forgetDif();
  const std::string& editedDifPath() const { return difPath_; }

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
  template <class Image>
  static std::span<const std::uint8_t> bytesOf(const std::shared_ptr<const Image>& image) {
    return image ? image->bytes() : std::span<const std::uint8_t>{};
  }
  void notify(unsigned changes);
  // A new path outside editing mode leaves nothing of the old pair.
  void forgetPair();

  FileSystem& fs_;
  std::vector<SessionObserver*> observers_;

  std::string inFile_;
  std::string outFile_;
  int minDistance_ = kMinDistanceStart;
  bool backupWanted_ = false;
  bool editingDif_ = false;
  bool dataFileNamed_ = false;
  std::string status_;
  bool busy_ = false;
  bool searching_ = false;
  bool difWork_ = false;
  bool cancelRequested_ = false;

  BlockList list_;
  EditHistory history_;
  RawBlocks raw_;
  std::shared_ptr<const FileView> source_;
  std::shared_ptr<const FileView> target_;
  std::shared_ptr<const ByteImage> dif_;
  std::string difPath_;
  std::optional<FileFingerprint> difRead_;  // what dif_ was read from
  std::int32_t targetLength_ = 0;
};

}  // namespace hm
