#include "dif/patch_verification.h"

#include "blocks/hex_format.h"
#include "dif/dif_applier.h"
#include "dif/dif_format.h"
#include "dif/dif_reader.h"
#include "dif/dif_writer.h"
#include "dif/ips_reader.h"
#include "platform/russian_plural.h"
#include "platform/user_texts.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace hm {

namespace {

constexpr std::string_view kBackupSuffix = "_bak.dif";

// Where in one block the BIN first differs from `expected`, or nothing when it holds it.
// `piece` is what the BIN holds at the block's start, shorter where the BIN ends.
std::optional<std::size_t> firstMismatch(std::span<const std::uint8_t> piece, bool beginsInside,
                                         std::span<const std::uint8_t> expected) {
  const std::size_t present = piece.size();
  if (present > 0 && std::memcmp(piece.data(), expected.data(), present) != 0) {
    const auto at = std::mismatch(piece.begin(), piece.end(), expected.begin());
    return static_cast<std::size_t>(at.first - piece.begin());
  }
  if (present == expected.size()) return std::nullopt;
  if (!beginsInside) return 0;
  // The zeros applying grows the BIN with.
  const auto nonzero = std::find_if(expected.begin() + static_cast<std::ptrdiff_t>(present),
                                    expected.end(), [](std::uint8_t b) { return b != 0; });
  if (nonzero == expected.end()) return std::nullopt;
  return static_cast<std::size_t>(nonzero - expected.begin());
}

}  // namespace

bool isBackupName(const std::string& difPath) {
  return difPath.size() > kBackupSuffix.size() && difPath.ends_with(kBackupSuffix);
}

std::string counterpartPath(const std::string& difPath) {
  if (isBackupName(difPath)) return difPath.substr(0, difPath.size() - kBackupSuffix.size());
  return backupDifName(difPath);
}

bool sameBlocks(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  RecordSteps first(a);
  RecordSteps second(b);
  if (first.count() != second.count()) return false;
  DifRecord x{}, y{};
  while (first.next(x) && second.next(y)) {
    if (x.address != y.address || x.length != y.length) return false;
  }
  return true;
}

BlockJudge::BlockJudge(std::int32_t blocks, std::uint64_t binSize) : binSize_(binSize) {
  check_.blocks = blocks;
}

void BlockJudge::judge(std::uint64_t start, std::span<const std::uint8_t> piece,
                       std::span<const std::uint8_t> patched,
                       std::span<const std::uint8_t> source) {
  const bool beginsInside = start <= binSize_;
  allApplied_ = allApplied_ && !firstMismatch(piece, beginsInside, patched);
  const std::optional<std::size_t> mismatch = firstMismatch(piece, beginsInside, source);
  if (!mismatch) return;
  const auto at = static_cast<std::int32_t>(start + *mismatch);
  check_.firstDifference = check_.differing == 0 ? at : std::min(check_.firstDifference, at);
  ++check_.differing;
}

PatchCheck BlockJudge::result() const {
  PatchCheck check = check_;
  if (check.differing == 0) {
    check.state = PatchState::Source;
  } else {
    check.state = allApplied_ ? PatchState::Applied : PatchState::Differs;
  }
  return check;
}

BinClassifier::BinClassifier(std::span<const std::uint8_t> dif,
                             std::span<const std::uint8_t> before, std::uint64_t binSize)
    : dif_(dif),
      before_(before),
      patched_(dif),
      source_(before),
      judge_(patched_.count(), binSize) {
  more_ = patched_.next(record_) && source_.next(original_);
}

bool BinClassifier::nextRecord(std::uint64_t& address, std::size_t& length) const {
  if (!more_) return false;
  address = static_cast<std::uint64_t>(record_.address);
  length = static_cast<std::size_t>(record_.length);
  return true;
}

void BinClassifier::record(std::span<const std::uint8_t> piece) {
  const DifRecord record = record_;
  const DifRecord original = original_;
  more_ = patched_.next(record_) && source_.next(original_);
  const auto length = static_cast<std::size_t>(record.length);
  judge_.judge(static_cast<std::uint64_t>(record.address), piece,
               dif_.subspan(record.dataOffset, length),
               before_.subspan(original.dataOffset, length));
}

std::optional<PatchCheck> classifyBin(std::span<const std::uint8_t> dif,
                                      std::span<const std::uint8_t> before, FileReader& bin) {
  BinClassifier classifier(dif, before, bin.size());
  std::uint64_t address = 0;
  std::size_t length = 0;
  while (classifier.nextRecord(address, length)) {
    const std::optional<std::span<const std::uint8_t>> piece = bin.readAt(address, length);
    if (!piece) return std::nullopt;
    classifier.record(*piece);
  }
  return classifier.result();
}

PatchCheck classifyBin(std::span<const std::uint8_t> dif, std::span<const std::uint8_t> before,
                       std::span<const std::uint8_t> bin) {
  ImageReader reader(bin);
  return *classifyBin(dif, before, reader);
}

std::string differsText(const PatchCheck& check) {
  return std::string(kBinDiffersText) + russianPlural(check.differing, kDiffersWord) + " " +
         std::to_string(check.differing) + " " + russianPlural(check.differing, kBlocksWord) +
         kOutOfBlocksText + std::to_string(check.blocks) + kFirstDifferenceText +
         HexPad(check.firstDifference, 6) + ".";
}

Result<ByteImage> readCounterpart(FileSystem& fs, const std::string& difPath,
                                  std::span<const std::uint8_t> dif) {
  const std::string path = counterpartPath(difPath);
  std::optional<FileInfo> info = fs.stat(path);
  if (!info) return Error{ErrorCode::OpenFailed, kNoCounterpartText + path};
  if (!info->regular) return Error{ErrorCode::OpenFailed, std::string(kOpenErrorText) + " " + path};
  if (info->size > kMaxDifSize) {
    return Error{ErrorCode::InvalidDif, std::string(kInvalidDifApplyText) + " " + path};
  }
  std::optional<ByteImage> bytes = fs.read(path);
  if (!bytes) return Error{ErrorCode::OpenFailed, std::string(kOpenErrorText) + " " + path};
  // A backup's counterpart may be the IPS written with it.
  if (!difFromIps(*bytes).ok() || !walkDif(bytes->bytes()).ok()) {
    return Error{ErrorCode::InvalidDif, std::string(kInvalidDifApplyText) + " " + path};
  }
  if (!sameBlocks(dif, bytes->bytes())) {
    return Error{ErrorCode::InvalidDif, kCounterpartOtherBlocksText + path};
  }
  return std::move(*bytes);
}

Result<PatchCheck> verifyPatch(FileSystem& fs, const std::string& difPath,
                               std::span<const std::uint8_t> dif,
                               std::span<const std::uint8_t> bin) {
  Result<ByteImage> before = readCounterpart(fs, difPath, dif);
  if (!before) return before.error();
  return classifyBin(dif, before->bytes(), bin);
}

}  // namespace hm
