#pragma once

#include "dif/patch_carry.h"
#include "platform/byte_image.h"
#include "platform/file_chooser.h"
#include "platform/file_view.h"
#include "platform/messenger.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hm {

// The files "Перенести DIF на другой BIN..." works on.
struct CarryFiles {
  std::string dif;
  std::string newBin;
  std::string original;  // empty: the blocks are looked for by the DIF's backup
};

// Asks for the DIF, the BIN to carry it to and, if the user wants to name it, the original BIN.
// Nothing when a dialog was cancelled.
std::optional<CarryFiles> askCarryFiles(FileChooser& chooser, Messenger& messenger);

// A carried DIF with what it was carried from, kept for showing and saving the result.
struct CarriedDif {
  std::vector<CarriedBlock> blocks;
  ByteImage dif;
  FileView newBin;
  std::string newBinPath;
};

// Reads the files and carries the DIF. Runs where the window does not wait on it: it reads only
// its own copies. When `keepGoing` said stop, an error without a message.
Result<std::shared_ptr<CarriedDif>> carryFiles(FileSystem& fs, const CarryFiles& files,
                                               const std::function<bool()>& keepGoing);

// "Сохранить DIF..." of the result: the carried DIF and its backup under `path`, both names held
// under their locks first as "Создать DIF" holds them, written as one pair; says how it ended.
// False when nothing was written.
bool saveCarriedDif(FileSystem& fs, Messenger& messenger, const CarriedDif& carried,
                    const std::string& path, std::chrono::milliseconds lockWait);

// Rows of 16 bytes in hexadecimal, each after its address, for showing a block's bytes; at most
// kShownBytes of them.
inline constexpr std::size_t kShownBytes = 4096;
std::string hexRows(std::int64_t address, std::span<const std::uint8_t> bytes);

// A table row of the result: the block's range in the DIF, its address in the new BIN, the
// shift and the outcome ("на месте", "перенесён", "уже установлен", "не найден",
// "неоднозначно: 3 места").
struct CarryRow {
  std::string range, address, shift, outcome;
};
CarryRow carryRow(const CarriedBlock& block);

}  // namespace hm
