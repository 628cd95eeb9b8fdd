#include "editing/block_exchange.h"

#include "blocks/block_line.h"
#include "blocks/hex_format.h"

namespace hm {

namespace {

std::string rangeText(std::int32_t from, std::int32_t to) {
  return HexPad(from, 6) + "-" + HexPad(to, 6);
}

BlockLine normalLine(std::int32_t start, std::int32_t end, std::int32_t length,
                     std::int32_t distance) {
  BlockLine line;
  line.start = start;
  line.end = end;
  line.length = length;
  line.distance = distance;
  return line;
}

// Distance 0 until the recalculation; the path closes the line.
BlockLine editingLine(std::int32_t start, std::int32_t end, std::int32_t length,
                      std::int32_t offset, const std::string& path) {
  BlockLine line = normalLine(start, end, length, 0);
  line.form = LineForm::DifEditing;
  line.dataOffset = offset;
  line.dataPath = path;
  return line;
}

}  // namespace

std::string fieldText(std::int32_t value) {
  return value == 0 ? std::string() : HexPad(value, 0);
}

std::optional<std::int32_t> readField(const std::string& text) {
  if (text.empty()) return 0;
  std::int32_t value = 0;
  if (!parseHexStrict(text, 6, value)) return std::nullopt;
  return value;
}

RangeLabels addressRangeLabels(const AddressExchange& in, bool difEdit) {
  if (difEdit) {
    std::string range = rangeText(in.blockStart, in.blockEnd);
    return {range, range};
  }
  const bool newBlock = in.blockStart + in.blockEnd == 0;
  return {rangeText(in.lowLimit, newBlock ? in.highLimit : in.blockStart),
          rangeText(in.blockEnd, in.highLimit)};
}

std::string dataRangeLabel(std::int32_t dataFileLength) {
  return "000000-" + HexPad(dataFileLength, 6);
}

bool acceptAddresses(const std::string& startText, const std::string& endText, bool difEdit,
                     AddressExchange& exchange) {
  const std::optional<std::int32_t> start = readField(startText);
  const std::optional<std::int32_t> end = readField(endText);
  if (!start || !end || *start > *end) return false;
  // While editing a DIF a block may only shrink: its bytes are already fixed.
  if (difEdit && (*start < exchange.blockStart || *end > exchange.blockEnd)) return false;
  exchange.blockStart = *start;
  exchange.blockEnd = *end;
  exchange.accepted = true;
  return true;
}

bool acceptDataBlock(const std::string& offsetText, const std::string& lengthText,
                     const std::string& destinationText, DataBlockExchange& exchange) {
  const std::optional<std::int32_t> offset = readField(offsetText);
  const std::optional<std::int32_t> length = readField(lengthText);
  const std::optional<std::int32_t> destination = readField(destinationText);
  if (!offset || !length || !destination) return false;
  if (std::int64_t{*offset} + *length > exchange.dataFileLength) return false;
  // An empty block would end before it starts, and an end past FFFFFF does not fit a line.
  if (*length == 0 || std::int64_t{*destination} + *length - 1 > kLastImageOffset) return false;
  exchange.offset = *offset;
  exchange.length = *length;
  exchange.destination = *destination;
  exchange.accepted = true;
  return true;
}

LineEditPlan planLineEdit(const BlockList& list, int index, bool difEdit, std::int32_t targetLength,
                          std::int32_t dataFileLength) {
  LineEditPlan plan;
  plan.old = list.line(index);
  AddressExchange& ex = plan.addresses;
  ex.blockStart = plan.old.start;
  ex.blockEnd = plan.old.end;
  ex.highLimit = index == list.count() - 1 ? targetLength - 1 : list.span(index + 1).start - 1;
  ex.lowLimit = index == 0 ? 0 : list.span(index - 1).end + 1;
  if (difEdit && plan.old.takesDataFile()) {
    plan.dataBlock = true;
    plan.data.offset = plan.old.dataOffset;
    plan.data.length = plan.old.length;
    plan.data.destination = plan.old.start;
    plan.data.dataFileLength = dataFileLength;
  }
  return plan;
}

std::optional<BlockLine> editedLine(const LineEditPlan& plan, const AddressExchange& result,
                                    bool difEdit) {
  if (!result.accepted) return std::nullopt;
  const std::int32_t start = result.blockStart;
  const std::int32_t end = result.blockEnd;
  const BlockLine& old = plan.old;
  if (start == old.start && end == old.end) return std::nullopt;
  if (difEdit) return editingLine(start, end, end - start + 1, old.dataOffset, old.dataPath);
  // Until the regrouping recomputes it, the distance follows the moved end.
  return normalLine(start, end, end - start + 1, old.distance + old.end - end);
}

std::optional<BlockLine> editedLine(const LineEditPlan& plan, const DataBlockExchange& result) {
  if (!result.accepted) return std::nullopt;
  const std::int32_t start = result.destination;
  const std::int32_t end = result.lastAddress();
  const BlockLine& old = plan.old;
  if (start == old.start && end == old.end && result.offset == old.dataOffset) return std::nullopt;
  return editingLine(start, end, result.length, result.offset, old.dataPath);
}

AddressExchange newBlockAddresses(std::int32_t targetLength) {
  AddressExchange exchange;
  exchange.highLimit = targetLength - 1;
  return exchange;
}

DataBlockExchange newDataBlock(std::int32_t dataFileLength) {
  DataBlockExchange exchange;
  exchange.length = dataFileLength;
  exchange.dataFileLength = dataFileLength;
  return exchange;
}

BlockLine addedLine(const AddressExchange& result) {
  return normalLine(result.blockStart, result.blockEnd, 0, 0);
}

BlockLine addedLine(const DataBlockExchange& result, const std::string& dataPath) {
  return editingLine(result.destination, result.lastAddress(), result.length, result.offset,
                     dataPath);
}

}  // namespace hm
