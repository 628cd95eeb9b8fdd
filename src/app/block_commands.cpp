#include "app/block_commands.h"

#include "app/list_jobs.h"
#include "app/session.h"
#include "blocks/block_line.h"
#include "dif/dif_reader.h"
#include "editing/block_exchange.h"
#include "editing/block_merge.h"
#include "platform/user_texts.h"

#include <algorithm>

namespace hm {

BlockCommands::BlockCommands(Session& session, ListJobs& listJobs, BlockEditor& editor,
                             Messenger& messenger)
    : session_(session), listJobs_(listJobs), editor_(editor), messenger_(messenger) {}

void BlockCommands::mergeSelected() {
  if (session_.busy()) return;
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
  session_.beginEdit(EditKind::Edit);
  list.add(mergedLine(list, span));
  listJobs_.recalculate();
}

void BlockCommands::deleteSelected() {
  if (session_.busy()) return;
  BlockList& list = session_.blocks();
  if (list.selCount() == 0) {
    messenger_.show(kDeleteNothingText, MessageButtons::Ok, MessageIcon::Exclamation);
    return;
  }
  if (messenger_.show(kDeleteConfirmText, MessageButtons::OkCancel, MessageIcon::Question) ==
      MessageAnswer::Cancel) {
    return;
  }
  session_.beginEdit(EditKind::Edit);
  list.removeSelected();
  listJobs_.recalculate();
}

void BlockCommands::addBlock() {
  if (session_.busy()) return;
  BlockLine line;
  if (session_.editingDif()) {
    std::optional<std::int32_t> length = dataFileLength();
    if (!length) return;
    DataBlockExchange exchange = newDataBlock(*length);
    editor_.editDataBlock(exchange, kDataBlockTitle);
    if (!exchange.accepted) return;
    line = addedLine(exchange, session_.dataFilePath());
  } else {
    AddressExchange exchange = newBlockAddresses(session_.targetLength());
    editor_.editAddresses(exchange, false, kAddBlockTitle);
    if (!exchange.accepted) return;
    line = addedLine(exchange);
  }
  // One reset of the view instead of an insertion and then a reset: millions of lines are laid
  // out once.
  BlockList::Batch batch(session_.blocks());
  session_.beginEdit(EditKind::Edit);
  session_.blocks().add(line);
  listJobs_.recalculate();
}

void BlockCommands::editCaretLine() {
  if (session_.busy()) return;
  BlockList& list = session_.blocks();
  const bool editing = session_.editingDif();
  const int i = list.caret();
  if (i < 0) return;
  std::int32_t length = 0;
  if (editing && !list.dataSource(i).path.empty()) {
    std::optional<std::int32_t> known = dataFileLength();
    if (!known) return;
    length = *known;
  }
  LineEditPlan plan = planLineEdit(list, i, editing, session_.targetLength(), length);
  std::optional<BlockLine> line;
  if (plan.dataBlock) {
    DataBlockExchange exchange = plan.data;
    editor_.editDataBlock(exchange, kEditDataBlockTitle);
    line = editedLine(plan, exchange);
  } else {
    AddressExchange exchange = plan.addresses;
    editor_.editAddresses(exchange, editing, kAddressDialogTitle);
    line = editedLine(plan, exchange, editing);
  }
  if (!line) return;
  list.setCaret(i);
  session_.beginEdit(EditKind::Edit);
  list.replaceCaret(*line);
  listJobs_.recalculate();
}

std::optional<std::int32_t> BlockCommands::dataFileLength() {
  const std::string path = session_.dataFilePath();
  if (path.empty()) {
    messenger_.show(kNoDataFileText, MessageButtons::Ok, MessageIcon::Exclamation);
    return std::nullopt;
  }
  if (!fitsBlockLine(path)) {
    messenger_.error(kBadDataFileNameText);
    return std::nullopt;
  }
  std::optional<FileInfo> info = session_.fileSystem().stat(path);
  if (!info || !info->regular) {
    messenger_.error(kOpenErrorText);
    return std::nullopt;
  }
  return static_cast<std::int32_t>(std::min<std::uint64_t>(info->size, 0x7FFFFFFF));
}

}  // namespace hm
