#include "editing/qt/address_dialog.h"

#include "editing/qt/hex_line_edit.h"

#include <QLabel>

namespace hm {

namespace {

// Two columns, start on the left and end on the right, the buttons below them.
constexpr int kColumnWidth = 1440;

}  // namespace

AddressDialog::AddressDialog(QWidget* parent, AddressExchange& exchange, bool difEdit,
                             Messenger& messenger, const QString& title)
    : BlockDialog(parent, "Form2", title, messenger, kColumnWidth),
      exchange_(exchange),
      difEdit_(difEdit) {
  start_ = addColumn("Label1", kStartAddressCaption, "Text1", "lfr");
  end_ = addColumn("Label2", kEndAddressCaption, "Text2", "lto");
  addButtons();
  load();
}

void AddressDialog::load() {
  start_.field->setText(qt(fieldText(exchange_.blockStart)));
  end_.field->setText(qt(fieldText(exchange_.blockEnd)));
  const RangeLabels labels = addressRangeLabels(exchange_, difEdit_);
  start_.range->setText(qt(labels.from));
  end_.range->setText(qt(labels.to));
}

bool AddressDialog::store() {
  return acceptAddresses(utf8(start_.field->text()), utf8(end_.field->text()), difEdit_, exchange_);
}

}  // namespace hm
