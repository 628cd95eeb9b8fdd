#include "app/qt/block_commands.h"

#include "app/qt/command_host.h"
#include "app/session.h"
#include "blocks/block_line.h"
#include "dif/dif_reader.h"
#include "editing/block_exchange.h"
#include "editing/block_merge.h"
#include "platform/user_texts.h"

#include <algorithm>

namespace hm {

namespace {}  // namespace

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
  std::string line;
  if (session_.editingDif()) {
    std::optional<std::int32_t> length = dataFileLength();
    if (!length) return;
    DataBlockExchange exchange = newDataBlock(*length);
    dialogs_.editDataBlock(host_.dialogOwner(), exchange, kDataBlockTitle);
    if (!exchange.accepted) return;
    line = addedLine(exchange, host_.dataFilePath());
  } else {
    AddressExchange exchange = newBlockAddresses(session_.targetLength());
    dialogs_.editAddresses(host_.dialogOwner(), exchange, false, kAddBlockTitle);
    if (!exchange.accepted) return;
    line = addedLine(exchange);
  }
  // One reset of the view instead of an insertion and then a reset: millions of lines are laid
  // out once.
  BlockList::Batch batch(session_.blocks());
  session_.blocks().add(line);
  host_.reCalc();
}

void BlockCommands::editCaretLine() {
  BlockList& list = session_.blocks();
  const bool editing = session_.editingDif();
  const int i = list.caret();
  if (i < 0) return;
  std::int32_t length = 0;
  if (editing && BlockLine::parse(list.text(i)).takesDataFile()) {
    std::optional<std::int32_t> known = dataFileLength();
    if (!known) return;
    length = *known;
  }
  LineEditPlan plan = planLineEdit(list, i, editing, session_.targetLength(), length);
  std::optional<std::string> line;
  if (plan.dataBlock) {
    DataBlockExchange exchange = plan.data;
    dialogs_.editDataBlock(host_.dialogOwner(), exchange, kEditDataBlockTitle);
    line = editedLine(plan, exchange);
  } else {
    AddressExchange exchange = plan.addresses;
    dialogs_.editAddresses(host_.dialogOwner(), exchange, editing, kAddressDialogTitle);
    line = editedLine(plan, exchange, editing);
  }
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
