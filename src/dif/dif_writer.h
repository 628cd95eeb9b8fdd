#pragma once

#include "blocks/block_list.h"
#include "platform/file_system.h"
#include "platform/result.h"
#include "platform/user_texts.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace hm {

// Appends ".dif" unless the name, trimmed of spaces and lower-cased, already ends with it. The
// extension goes onto the name as given, spaces and all; a name that passes is returned as is.
std::string difOutputName(const std::string& name);
// The backup beside a DIF: the full name with "_bak.dif" appended.
std::string backupDifName(const std::string& difName);

// Normal mode: one record per list line, in list order, with the bytes of `image` at the
// line's addresses. Every block is checked before anything is written; a block outside the
// image, with its end before its start, or reaching past kLastImageOffset refuses the whole
// file (BadBlock: "Ошибка записи DIF файла", an empty line, and the first such block with why,
// "Блок 002000–002010 выходит за конец конечного файла."), and so does a file larger than any
// DIF the program opens (TooLarge, "Слишком большой DIF файл!"). Write failures are WriteFailed
// with the same text; the file that was there before stays as it was.
Status writeDif(FileSystem& fs, const std::string& path, const BlockList& list,
                std::span<const std::uint8_t> image);
// Which image a DIF's bytes come from: the target's, or the source's for a backup.
enum class DifImage { Target, Source };

// The same, written in full but not committed, for a DIF that takes its name together with
// another file.
Result<std::unique_ptr<OutputFile>> writtenDif(FileSystem& fs, const std::string& path,
                                               const BlockList& list,
                                               std::span<const std::uint8_t> image,
                                               DifImage from = DifImage::Target);

// The DIF and, when `source` is given, its backup beside it (backupDifName: the same blocks with
// the source's bytes), written as one pair: both in full, then `inputsIntact` asked (a file seen
// in place may have been cut short meanwhile: OpenFailed "Ошибка открытия файла!"), then both
// take their names together. No failure leaves a new DIF beside an old backup or the other way
// round; both files stay as they were.
Status writeDifWithBackup(FileSystem& fs, const std::string& difPath, const BlockList& list,
                          std::span<const std::uint8_t> target,
                          std::optional<std::span<const std::uint8_t>> source,
                          const std::function<bool()>& inputsIntact = {});

// One record as it is to be written: its address and its bytes, from wherever they are.
struct DifPiece {
  std::int32_t address;
  std::span<const std::uint8_t> bytes;
};

// A DIF of `pieces` and its backup of `backup` (the same addresses, the bytes they undo to),
// written and committed as one pair as writeDifWithBackup writes its pair. The pieces must lie
// within the addresses a DIF can hold.
Status writeDifPieces(FileSystem& fs, const std::string& difPath, std::span<const DifPiece> pieces,
                      std::span<const DifPiece> backup,
                      const std::function<bool()>& inputsIntact = {});

// Gives the outputs written in full their names together, in order (the DIF last): first
// `inputsIntact` is asked (OpenFailed "Ошибка открытия файла!" when not), then the folder is held
// so that two runs writing the same new names take turns. Write failures are WriteFailed.
Status commitDifOutputs(FileSystem& fs, const std::string& difPath,
                        std::vector<std::unique_ptr<OutputFile>>& outputs,
                        const std::function<bool()>& inputsIntact = {});

// Whether a name given for a DIF names a device, a FIFO or a socket: the DIF would be written
// beside it under the name with ".dif" added.
bool namesDeviceOrPipe(FileSystem& fs, const std::string& name);

// DIF-editing mode: first the lines without a data file, with the bytes applying `difBytes`
// leaves at their addresses (see DifRecordIndex), then the lines of each data file grouped by
// file in order of first appearance, each file read once. Same checks and errors as writeDif,
// also for a line whose bytes the edited DIF does not hold, a block past the end of its data
// file or with a negative data offset, each named with why; a data file that cannot be read
// refuses the whole file too (OpenFailed, the same text naming the file).
Status writeEditedDif(FileSystem& fs, const std::string& path, const BlockList& list,
                      std::span<const std::uint8_t> difBytes);

}  // namespace hm
