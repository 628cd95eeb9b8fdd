#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "blocks/block_list.h"

namespace hm {

inline constexpr const char* kBadAddressesText = "Неверные адреса блока!";
inline constexpr const char* kAddressDialogTitle = "Изменение адресов блока";
inline constexpr const char* kAddBlockTitle = "Добавление нового блока";
inline constexpr const char* kDataBlockTitle = "Добавление блока из файла данных";
inline constexpr const char* kEditDataBlockTitle = "Редактирование блока данных для вставки";

// The values the main window and the block dialogs pass a block through. Their meaning
// depends on the dialog (address dialog or data-block dialog).
struct BlockExchange {
  std::int32_t blockStart = 0;
  std::int32_t blockEnd = 0;
  std::int32_t lowLimit = 0;
  std::int32_t highLimit = 0;
  bool actionFlag = false;
};

// How a value stands in a dialog's field: empty for 0, HexPad(value, 0) otherwise.
std::string fieldText(std::int32_t value);

// Reads a field for OK: empty is 0; anything but 1 to 6 hex digits is refused.
std::optional<std::int32_t> readField(const std::string& text);

// The address dialog's two range labels.
struct RangeLabels {
  std::string from;  // lfr
  std::string to;    // lto
};
RangeLabels addressRangeLabels(const BlockExchange& in, bool difEdit);
// Both labels of the data-block dialog: "000000-" and the data file's length.
std::string dataRangeLabel(std::int32_t dataFileLength);

// OK of the address dialog: start <= end, and in DIF-editing mode within the opened range.
// On success the exchange holds the new start and end and the action flag.
bool acceptAddresses(const std::string& startText, const std::string& endText, bool difEdit,
                     BlockExchange& exchange);

// OK of the data-block dialog: offset + length within the data file, length not 0, and
// destination + length - 1 within FFFFFF. On success: blockStart = destination,
// blockEnd = destination + length - 1, lowLimit = length, highLimit = offset.
bool acceptDataBlock(const std::string& offsetText, const std::string& lengthText,
                     const std::string& destinationText, BlockExchange& exchange);

// What a double-click on line `index` hands to the dialogs.
struct LineEditPlan {
  BlockExchange exchange;
  bool dataBlock = false;  // open the data-block dialog
  std::int32_t oldStart = 0, oldEnd = 0, oldDistance = 0, oldOffset = 0;
  std::string oldPath;  // field 6 as written
};
// `dataFileLength` is asked only for a data block in DIF-editing mode.
LineEditPlan planLineEdit(const BlockList& list, int index, bool difEdit, std::int32_t targetLength,
                          std::int32_t dataFileLength);

// The line that replaces the edited one, or nothing when nothing changed.
std::optional<std::string> editedLine(const LineEditPlan& plan, const BlockExchange& result,
                                      bool difEdit);

// The line the Add command puts in the list: four fields in normal mode, six with the data
// file's path in DIF-editing mode.
std::string addedLine(const BlockExchange& result, bool difEdit, const std::string& dataPath);

}  // namespace hm
