#include "editing/qt/data_block_dialog.h"

#include "editing/qt/hex_line_edit.h"

#include <QLabel>

namespace hm {

namespace {

// Three columns, offset, length and destination, the buttons under the last two.
constexpr int kColumnWidth = 1875;

}  // namespace

DataBlockDialog::DataBlockDialog(QWidget* parent, DataBlockExchange& exchange, Messenger& messenger,
                                 const QString& title)
    : BlockDialog(parent, "Form3", title, messenger, kColumnWidth), exchange_(exchange) {
  offset_ = addColumn("Label1", kDataOffsetCaption, "Text1", "lfr");
  length_ = addColumn("Label2", kDataLengthCaption, "Text2", "lto");
  destination_ = addColumn("Label3", kDestinationCaption, "Text3", "Label4");
  // Any address of a BIN may take the block.
  destination_.range->setText(QStringLiteral("000000-FFFFFF"));
  addButtons();
  load();
}

void DataBlockDialog::load() {
  offset_.field->setText(qt(fieldText(exchange_.offset)));
  length_.field->setText(qt(fieldText(exchange_.length)));
  destination_.field->setText(qt(fieldText(exchange_.destination)));
  const QString range = qt(dataRangeLabel(exchange_.dataFileLength));
  offset_.range->setText(range);
  length_.range->setText(range);
}

bool DataBlockDialog::store() {
  return acceptDataBlock(utf8(offset_.field->text()), utf8(length_.field->text()),
                         utf8(destination_.field->text()), exchange_);
}

}  // namespace hm
