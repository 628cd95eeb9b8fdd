#pragma once

#include "blocks/block_line.h"
#include "blocks/block_list.h"
#include "platform/user_texts.h"

#include <cstdint>
#include <optional>
#include <string>

namespace hm {

// The address dialog's exchange values: the block it shows and gives back, and the free room
// around it that it shows as a guide.
struct AddressExchange {
  std::int32_t blockStart = 0;
  std::int32_t blockEnd = 0;
  std::int32_t lowLimit = 0;   // first free address before the block
  std::int32_t highLimit = 0;  // last free address after it
  bool accepted = false;       // OK was pressed and the addresses taken

  friend bool operator==(const AddressExchange&, const AddressExchange&) = default;
};

// The data-block dialog's: which bytes of a data file go where in the BIN.
struct DataBlockExchange {
  std::int32_t offset = 0;  // of the first byte in the data file
  std::int32_t length = 0;
  std::int32_t destination = 0;     // address of the first byte in the BIN
  std::int32_t dataFileLength = 0;  // offset and length must stay within it
  bool accepted = false;            // OK was pressed and the block taken

  std::int32_t lastAddress() const { return destination + length - 1; }

  friend bool operator==(const DataBlockExchange&, const DataBlockExchange&) = default;
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
RangeLabels addressRangeLabels(const AddressExchange& in, bool difEdit);
// Both labels of the data-block dialog: "000000-" and the data file's length.
std::string dataRangeLabel(std::int32_t dataFileLength);

// OK of the address dialog: start <= end, and in DIF-editing mode within the opened range.
// On success the exchange holds the new start and end and is accepted.
bool acceptAddresses(const std::string& startText, const std::string& endText, bool difEdit,
                     AddressExchange& exchange);

// OK of the data-block dialog: offset + length within the data file, length not 0, and
// destination + length - 1 within FFFFFF. On success the exchange holds the three and is
// accepted.
bool acceptDataBlock(const std::string& offsetText, const std::string& lengthText,
                     const std::string& destinationText, DataBlockExchange& exchange);

// What a double-click on line `index` hands to the dialogs.
struct LineEditPlan {
  BlockLine old;              // the line as it stands
  bool dataBlock = false;     // edited in the data-block dialog, from `data`
  AddressExchange addresses;  // otherwise in the address dialog, from these
  DataBlockExchange data;
};
// `dataFileLength` is asked only for a data block in DIF-editing mode.
LineEditPlan planLineEdit(const BlockList& list, int index, bool difEdit, std::int32_t targetLength,
                          std::int32_t dataFileLength);

// The line that replaces the edited one, or nothing when the dialog was cancelled or nothing
// changed.
std::optional<BlockLine> editedLine(const LineEditPlan& plan, const AddressExchange& result,
                                    bool difEdit);
std::optional<BlockLine> editedLine(const LineEditPlan& plan, const DataBlockExchange& result);

// What the Add command's dialogs open with: the whole target, or the whole data file.
AddressExchange newBlockAddresses(std::int32_t targetLength);
DataBlockExchange newDataBlock(std::int32_t dataFileLength);

// The line the Add command puts in the list: four fields in normal mode; six with the data
// file's path in DIF-editing mode, where blocks come from data files.
BlockLine addedLine(const AddressExchange& result);
BlockLine addedLine(const DataBlockExchange& result, const std::string& dataPath);

}  // namespace hm
