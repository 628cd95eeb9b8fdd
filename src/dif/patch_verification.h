#pragma once

#include "dif/dif_format.h"
#include "platform/file_reader.h"
#include "platform/file_system.h"
#include "platform/result.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace hm {

// A DIF says nothing about the BIN it was made for; its backup (or, for a backup, the DIF it was
// written with) holds the bytes that BIN had in the same blocks, so the two together tell
// whether a BIN is the one to patch.

enum class PatchState {
  Source,   // every block holds the bytes the DIF replaces
  Applied,  // every block already holds the DIF's bytes
  Differs,  // anything else
};

struct PatchCheck {
  PatchState state = PatchState::Source;
  std::int32_t blocks = 0;     // the DIF's blocks
  std::int32_t differing = 0;  // blocks that do not hold the bytes the DIF replaces
  // The lowest address where the BIN does not hold those bytes.
  std::int32_t firstDifference = 0;
};

// Whether a DIF's name marks it as a backup: it undoes the DIF named without "_bak.dif".
bool isBackupName(const std::string& difPath);
// The DIF holding what a BIN has before `difPath` is applied: the backup beside a DIF, or the DIF
// a backup was written with.
std::string counterpartPath(const std::string& difPath);

// Whether two DIFs that walkDif accepts have the same blocks: the same addresses and lengths, in
// the same order.
bool sameBlocks(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b);

// Compares the BIN with `before`, the counterpart of `dif` with the same blocks (sameBlocks),
// and with `dif` itself, reading only the blocks' bytes. A byte past the BIN's end is missing
// and differs, except where the DIF compared with holds zero in a block that begins inside the
// BIN or right at its end: those are the zeros applying grows the BIN with, and the zeros a
// comparison with a longer target writes into the backup for bytes its source never had.
// Nothing when a read of the BIN fails.
// The verdict on a BIN built one block at a time, for a pass that meets the blocks as it goes:
// each block's start, what the BIN holds there (`piece`, shorter where the BIN ends), the bytes
// the DIF puts there and the bytes its counterpart says were there.
class BlockJudge {
 public:
  BlockJudge(std::int32_t blocks, std::uint64_t binSize);
  void judge(std::uint64_t start, std::span<const std::uint8_t> piece,
             std::span<const std::uint8_t> patched, std::span<const std::uint8_t> source);
  PatchCheck result() const;

 private:
  std::uint64_t binSize_;
  PatchCheck check_;
  bool allApplied_ = true;
};

// classifyBin a record at a time: each record of `dif`, in order, with what the BIN holds at its
// start.
class BinClassifier {
 public:
  BinClassifier(std::span<const std::uint8_t> dif, std::span<const std::uint8_t> before,
                std::uint64_t binSize);
  // The address and length of the record whose bytes come next; false after the last.
  bool nextRecord(std::uint64_t& address, std::size_t& length) const;
  void record(std::span<const std::uint8_t> piece);
  PatchCheck result() const { return judge_.result(); }

 private:
  std::span<const std::uint8_t> dif_, before_;
  RecordSteps patched_, source_;
  DifRecord record_{}, original_{};  // the next record's, in the DIF and in `before`
  bool more_ = false;
  BlockJudge judge_;
};

std::optional<PatchCheck> classifyBin(std::span<const std::uint8_t> dif,
                                      std::span<const std::uint8_t> before, FileReader& bin);
PatchCheck classifyBin(std::span<const std::uint8_t> dif, std::span<const std::uint8_t> before,
                       std::span<const std::uint8_t> bin);

// "BIN не совпадает с исходным: отличаются 3 блока из 120, первый по адресу 01A2F0."
std::string differsText(const PatchCheck& check);

// The counterpart of the checked DIF `dif` read from `difPath`'s side, once it is known to fit:
// an error naming it when it is missing, unreadable, no valid DIF, or has other blocks.
Result<ByteImage> readCounterpart(FileSystem& fs, const std::string& difPath,
                                  std::span<const std::uint8_t> dif);

// readCounterpart, then classifyBin. An error means the DIF can only be applied unverified.
Result<PatchCheck> verifyPatch(FileSystem& fs, const std::string& difPath,
                               std::span<const std::uint8_t> dif,
                               std::span<const std::uint8_t> bin);

}  // namespace hm
