#include "app/session.h"

#include "dif/dif_reader.h"
#include "dif/dif_writer.h"

#include <utility>

namespace hm {

Status Session::search(const std::string& sourcePath, const std::string& targetPath, Clock& clock,
                       const ScanProgress& progress) {
  releaseSearch();
  Result<SearchOutcome> outcome = runSearch(fs_, sourcePath, targetPath, clock, progress);
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
  if (editingDif_) return writeEditedDif(fs_, path, list_, difBytes());
  std::optional<std::span<const std::uint8_t>> source;
  if (backup) source = sourceBytes();
  auto intact = [this] {
    return (!source_ || source_->intact()) && (!target_ || target_->intact());
  };
  return writeDifWithBackup(fs_, path, list_, targetBytes(), source, intact);
}

Status Session::readDif(const std::string& path) {
  list_.clear();
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
