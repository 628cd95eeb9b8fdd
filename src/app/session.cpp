#include "app/session.h"

#include "dif/dif_reader.h"
#include "dif/dif_writer.h"

#include <algorithm>
#include <utility>

namespace hm {

void Session::addObserver(SessionObserver* observer) {
  observers_.push_back(observer);
}

void Session::removeObserver(SessionObserver* observer) {
  std::erase(observers_, observer);
}

void Session::notify(unsigned changes) {
  for (SessionObserver* observer : observers_) observer->sessionChanged(changes);
}

void Session::forgetPair() {
  list_.clear();
  history_.reset(list_, true, minDistance_);
  releaseSearch();
  notify(kListChanged);
}

void Session::setInFile(const std::string& path) {
  if (path == inFile_) return;
  inFile_ = path;
  if (editingDif_) {
    dataFileNamed_ = true;
  } else {
    forgetPair();
  }
  notify(kPathsChanged);
}

void Session::setOutFile(const std::string& path) {
  if (path == outFile_) return;
  outFile_ = path;
  forgetPair();
  notify(kPathsChanged);
}

void Session::setMinDistance(int distance) {
  if (distance == minDistance_) return;
  minDistance_ = distance;
  notify(kDistanceChanged);
}

void Session::setBackupWanted(bool wanted) {
  if (wanted == backupWanted_) return;
  backupWanted_ = wanted;
  notify(kBackupChanged);
}

void Session::setEditingDif(bool on) {
  if (on == editingDif_) return;
  editingDif_ = on;
  dataFileNamed_ = false;
  history_.reset(list_, !on, minDistance_);
  notify(kModeChanged);
}

void Session::say(const std::string& text) {
  status_ = text;
  notify(kStatusChanged);
}

void Session::setBusy(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  notify(kWorkChanged);
}

void Session::setSearching(bool searching, bool cancelRequested) {
  searching_ = searching;
  cancelRequested_ = cancelRequested;
  notify(kWorkChanged);
}

void Session::setDifWork(bool on, bool cancelRequested) {
  difWork_ = on;
  cancelRequested_ = cancelRequested;
  notify(kWorkChanged);
}

void Session::listChanged() {
  notify(kListChanged);
}

Status Session::search(Clock& clock, const ScanProgress& progress, FileHolding holding) {
  releaseSearch();
  Result<SearchOutcome> outcome = runSearch(fs_, inFile_, outFile_, clock, progress, holding);
  if (!outcome) return outcome.error();
  source_ = std::make_shared<const FileView>(std::move(outcome->source));
  target_ = std::make_shared<const FileView>(std::move(outcome->target));
  raw_ = std::move(outcome->blocks);
  targetLength_ = outcome->targetLength;
  return success();
}

void Session::regroup(int minDistance) {
  hm::regroup(raw_, minDistance, list_, targetLength_);
}

Totals Session::recalculate() {
  return hm::recalculate(list_, editingDif_, targetLength_);
}

std::size_t Session::recalcWork() const {
  return hm::recalcWork(list_, editingDif_, targetLength_);
}

bool Session::regroupInto(int minDistance, BlockList& into, const KeepGoing& keepGoing) const {
  return hm::regroup(raw_, minDistance, into, targetLength_, keepGoing);
}

std::optional<Totals> Session::recalcInto(BlockList& into, const KeepGoing& keepGoing) const {
  return hm::recalcInto(list_, into, editingDif_, targetLength_, keepGoing);
}

Status Session::writeDif(const std::string& path, bool backup) const {
  return writeDif(path, backup, fs_);
}

Status Session::writeDif(const std::string& path, bool backup, FileSystem& through) const {
  if (editingDif_) return writeEditedDif(through, path, list_, difBytes());
  std::optional<std::span<const std::uint8_t>> source;
  if (backup) source = sourceBytes();
  auto intact = [this] {
    return (!source_ || source_->intact()) && (!target_ || target_->intact());
  };
  return writeDifWithBackup(through, path, list_, targetBytes(), source, intact);
}

Status Session::readDif(const std::string& path) {
  list_.clear();
  history_.reset(list_, false, minDistance_);
  notify(kListChanged);
  difRead_.reset();
  difPath_ = path;
  std::optional<ByteImage> dif = fs_.read(path);
  if (!dif) {
    dif_.reset();
    return Error{ErrorCode::OpenFailed, kOpenErrorText};
  }
  dif_ = std::make_shared<const ByteImage>(std::move(*dif));
  if (std::optional<FileInfo> info = fs_.stat(path)) difRead_ = fingerprintOf(*info, difBytes());
  return success();
}

bool Session::editedDifChangedOnDisk(const std::string& path) const {
  if (!editingDif_ || !difRead_ || !samePath(path, difPath_)) return false;
  return changedSince(fs_, path, *difRead_);
}

void Session::noteDifWritten(const std::string& path) {
  history_.markWritten();
  if (editingDif_ && samePath(path, difPath_)) difRead_ = fingerprintFile(fs_, path);
}

Status Session::listDif() {
  Result<std::vector<DifBlock>> blocks = readDifBlocks(difBytes());
  if (!blocks) {
    dif_.reset();
    list_.clear();
    return blocks.error();
  }
  listDifBlocks(std::move(*blocks), list_);
  return success();
}

Status Session::loadDif(const std::string& path, LoadedDif& into, const KeepGoing& keepGoing,
                        const ListingProgress& progress) const {
  Result<DifToEdit> read = readDifToEdit(fs_, path, keepGoing, progress);
  if (!read) return read.error();
  into.fingerprint = read->fingerprint;
  into.image = std::make_shared<const ByteImage>(std::move(read->image));
  std::optional<Totals> totals =
      hm::recalcBlocks(std::move(read->blocks), into.lines, true, targetLength_, keepGoing);
  if (!totals) return Error{ErrorCode::Cancelled, ""};
  into.totals = *totals;
  return success();
}

void Session::forgetDif() {
  list_.clear();
  history_.reset(list_, false, minDistance_);
  dif_.reset();
  difRead_.reset();
  notify(kListChanged);
}

void Session::adoptDif(const std::string& path, LoadedDif&& loaded) {
  difPath_ = path;
  dif_ = std::move(loaded.image);
  difRead_ = loaded.fingerprint;
  list_.assign(std::move(loaded.lines));
  history_.reset(list_, false, minDistance_);
}

void Session::releaseSearch() {
  raw_.clear();
  raw_.shrink_to_fit();
  target_.reset();
  source_.reset();
}

void Session::releaseAll() {
  releaseSearch();
  dif_.reset();
  difRead_.reset();
}

}  // namespace hm
