#include "editing/block_exchange.h"

#include "blocks/hex_format.h"
#include "dif/dif_format.h"

namespace hm {

namespace {

std::string rangeText(std::int32_t from, std::int32_t to) {
  return HexPad(from, 6) + "-" + HexPad(to, 6);
}

// The six-field form of DIF-editing mode; the path closes the line without a tab.
std::string editingLine(std::int32_t start, std::int32_t end, std::int32_t length,
                        std::int32_t offset, const std::string& path) {
  std::string line;
  appendHexField(line, start, 6);
  appendHexField(line, end, 6);
  appendHexField(line, length, 0);
  appendHexField(line, 0, 0);
  appendHexField(line, offset, 0);
  line += path;
  return line;
}

std::string normalLine(std::int32_t start, std::int32_t end, std::int32_t length,
                       std::int32_t distance) {
  std::string line;
  appendHexField(line, start, 6);
  appendHexField(line, end, 6);
  appendHexField(line, length, 0);
  appendHexField(line, distance, 0);
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

RangeLabels addressRangeLabels(const BlockExchange& in, bool difEdit) {
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
                     BlockExchange& exchange) {
  const std::optional<std::int32_t> start = readField(startText);
  const std::optional<std::int32_t> end = readField(endText);
  if (!start || !end || *start > *end) return false;
  // While editing a DIF a block may only shrink: its bytes are already fixed.
  if (difEdit && (*start < exchange.blockStart || *end > exchange.blockEnd)) return false;
  exchange.blockStart = *start;
  exchange.blockEnd = *end;
  exchange.actionFlag = true;
  return true;
}

bool acceptDataBlock(const std::string& offsetText, const std::string& lengthText,
                     const std::string& destinationText, BlockExchange& exchange) {
  const std::optional<std::int32_t> offset = readField(offsetText);
  const std::optional<std::int32_t> length = readField(lengthText);
  const std::optional<std::int32_t> destination = readField(destinationText);
  if (!offset || !length || !destination) return false;
  if (std::int64_t{*offset} + *length > exchange.highLimit) return false;
  // An empty block would end before it starts, and an end past FFFFFF does not fit a line.
  if (*length == 0 || std::int64_t{*destination} + *length - 1 > kLastImageOffset) return false;
  exchange.blockStart = *destination;
  exchange.blockEnd = *destination + *length - 1;
  exchange.lowLimit = *length;
  exchange.highLimit = *offset;
  exchange.actionFlag = true;
  return true;
}

LineEditPlan planLineEdit(const BlockList& list, int index, bool difEdit, std::int32_t targetLength,
                          std::int32_t dataFileLength) {
  const std::string_view line = list.text(index);
  LineEditPlan plan;
  BlockExchange& ex = plan.exchange;
  ex.blockStart = plan.oldStart = lineField(line, 1).value;
  ex.blockEnd = plan.oldEnd = lineField(line, 2).value;
  plan.oldDistance = lineField(line, 4).value;
  plan.oldOffset = lineField(line, 5).value;
  plan.oldPath = std::string(lineField(line, 6).text);
  ex.highLimit =
      index == list.count() - 1 ? targetLength - 1 : lineField(list.text(index + 1), 1).value - 1;
  ex.lowLimit = index == 0 ? 0 : lineField(list.text(index - 1), 2).value + 1;
  ex.actionFlag = false;
  if (difEdit && !plan.oldPath.empty()) {
    plan.dataBlock = true;
    ex.highLimit = dataFileLength;
    ex.blockEnd = lineField(line, 3).value;
    ex.lowLimit = plan.oldOffset;
  }
  return plan;
}

std::optional<std::string> editedLine(const LineEditPlan& plan, const BlockExchange& result,
                                      bool difEdit) {
  if (!result.actionFlag) return std::nullopt;
  const std::int32_t start = result.blockStart;
  const std::int32_t end = result.blockEnd;
  const bool sameRange = start == plan.oldStart && end == plan.oldEnd;
  if (sameRange && (!plan.dataBlock || result.highLimit == plan.oldOffset)) return std::nullopt;
  if (difEdit) {
    if (plan.dataBlock)
      return editingLine(start, end, result.lowLimit, result.highLimit, plan.oldPath);
    return editingLine(start, end, end - start + 1, plan.oldOffset, plan.oldPath);
  }
  // Until the regrouping recomputes it, the distance follows the moved end.
  return normalLine(start, end, end - start + 1, plan.oldDistance + plan.oldEnd - end);
}

std::string addedLine(const BlockExchange& result, bool difEdit, const std::string& dataPath) {
  if (difEdit) {
    return editingLine(result.blockStart, result.blockEnd, result.lowLimit, result.highLimit,
                       dataPath);
  }
  return normalLine(result.blockStart, result.blockEnd, 0, 0);
}

}  // namespace hm
