#include "app/qt/block_commands.h"

#include <algorithm>

#include "app/qt/command_host.h"
#include "app/session.h"
#include "blocks/hex_format.h"
#include "dif/dif_reader.h"
#include "editing/block_exchange.h"
#include "editing/block_merge.h"

namespace hm {

namespace {

constexpr const char* kNoDataFileText = "Не выбран файл данных!";

}  // namespace

BlockCommands::BlockCommands(Session& session, CommandHost& host, BlockDialogs& dialogs,
                             FileSystem& fs, Messenger& messenger)
    : session_(session), host_(host), dialogs_(dialogs), fs_(fs), messenger_(messenger) {}

void BlockCommands::mergeSelected() {
  BlockList& list = session_.blocks();
  MergeSpan span;
  switch (checkMerge(list, span)) {
    case MergeCheck::TooFew:
      messenger_.show(kMergeTooFewText, MessageButtons::Ok, MessageIcon::Exclamation);
      return;
    case MergeCheck::NotNeighbouring:
      messenger_.notice(kMergeNotNeighboursText);
      return;
    case MergeCheck::Ok:
      break;
  }
  if (messenger_.show(kMergeConfirmText, MessageButtons::OkCancel, MessageIcon::Question) ==
      MessageAnswer::Cancel) {
    return;
  }
  list.add(mergedLine(list, span));
  host_.yieldToEvents();
  host_.reCalc();
}

void BlockCommands::deleteSelected() {
  BlockList& list = session_.blocks();
  if (list.selCount() == 0) {
    messenger_.show(kDeleteNothingText, MessageButtons::Ok, MessageIcon::Exclamation);
    return;
  }
  if (messenger_.show(kDeleteConfirmText, MessageButtons::OkCancel, MessageIcon::Question) ==
      MessageAnswer::Cancel) {
    return;
  }
  list.removeSelected();
  host_.reCalc();
}

void BlockCommands::addBlock() {
  const bool editing = session_.editingDif();
  BlockExchange exchange;
  exchange.highLimit = session_.targetLength() - 1;
  if (editing) {
    std::optional<std::int32_t> length = dataFileLength();
    if (!length) return;
    exchange.highLimit = *length;
    exchange.blockEnd = *length;
  }
  exchange.actionFlag = false;
  if (editing) {
    dialogs_.editDataBlock(host_.dialogOwner(), exchange, kDataBlockTitle);
  } else {
    dialogs_.editAddresses(host_.dialogOwner(), exchange, false, kAddBlockTitle);
  }
  if (!exchange.actionFlag) return;
  // One reset of the view instead of an insertion and then a reset: millions of lines are laid
  // out once.
  BlockList::Batch batch(session_.blocks());
  session_.blocks().add(addedLine(exchange, editing, host_.dataFilePath()));
  host_.reCalc();
}

void BlockCommands::editCaretLine() {
  BlockList& list = session_.blocks();
  const bool editing = session_.editingDif();
  const int i = list.caret();
  if (i < 0) return;
  const bool dataBlock = editing && !lineField(list.text(i), 6).text.empty();
  std::int32_t length = 0;
  if (dataBlock) {
    std::optional<std::int32_t> known = dataFileLength();
    if (!known) return;
    length = *known;
  }
  LineEditPlan plan = planLineEdit(list, i, editing, session_.targetLength(), length);
  BlockExchange exchange = plan.exchange;
  if (plan.dataBlock) {
    dialogs_.editDataBlock(host_.dialogOwner(), exchange, kEditDataBlockTitle);
  } else {
    dialogs_.editAddresses(host_.dialogOwner(), exchange, editing, kAddressDialogTitle);
  }
  if (!exchange.actionFlag) return;
  std::optional<std::string> line = editedLine(plan, exchange, editing);
  if (!line) return;
  list.setCaret(i);
  list.replaceCaret(*line);
  host_.reCalc();
}

std::optional<std::int32_t> BlockCommands::dataFileLength() {
  const std::string path = host_.dataFilePath();
  if (path.empty()) {
    messenger_.show(kNoDataFileText, MessageButtons::Ok, MessageIcon::Exclamation);
    return std::nullopt;
  }
  if (!fitsBlockLine(path)) {
    messenger_.error(kBadDataFileNameText);
    return std::nullopt;
  }
  std::optional<FileInfo> info = fs_.stat(path);
  if (!info || !info->regular) {
    messenger_.error(kOpenErrorText);
    return std::nullopt;
  }
  return static_cast<std::int32_t>(std::min<std::uint64_t>(info->size, 0x7FFFFFFF));
}

}  // namespace hm
