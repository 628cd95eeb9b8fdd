#include "editing/qt/address_dialog.h"

#include "editing/qt/dialog_controls.h"
#include "editing/qt/hex_line_edit.h"
#include "editing/qt/twips.h"

#include <QLabel>
#include <QPushButton>

namespace hm {

namespace {

// Two columns, start on the left and end on the right, the buttons below them.
constexpr int kLeftColumn = 120;
constexpr int kRightColumn = 1680;
constexpr int kColumnWidth = 1440;
constexpr int kCaptionTop = 120;
constexpr int kFieldTop = 390;
constexpr int kRangeTop = 735;
constexpr int kButtonTop = 1080;
constexpr int kClientWidth = 3240;
constexpr int kClientHeight = 1575;

QString toQString(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

AddressDialog::AddressDialog(QWidget* parent, AddressExchange& exchange, bool difEdit,
                             Messenger& messenger, const QString& title)
    : QDialog(parent), exchange_(exchange), difEdit_(difEdit), messenger_(messenger) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(title);
  setModal(true);
  buildControls();
  load();
}

void AddressDialog::buildControls() {
  Label1_ = makeCaption(this, "Label1", "Адрес начала:", kLeftColumn, kCaptionTop, kColumnWidth);
  Text1_ = makeHexField(this, "Text1", kLeftColumn, kFieldTop, kColumnWidth);
  lfr_ = makeRangeLabel(this, "lfr", kLeftColumn, kRangeTop, kColumnWidth);
  Label2_ = makeCaption(this, "Label2", "Адрес конца:", kRightColumn, kCaptionTop, kColumnWidth);
  Text2_ = makeHexField(this, "Text2", kRightColumn, kFieldTop, kColumnWidth);
  lto_ = makeRangeLabel(this, "lto", kRightColumn, kRangeTop, kColumnWidth);
  Command1_ = makeButton(this, "Command1", "OK", kLeftColumn, kButtonTop, kColumnWidth);
  Command2_ = makeButton(this, "Command2", "Отмена", kRightColumn, kButtonTop, kColumnWidth);
  fixDialogSize(this, twipsRect(0, 0, kClientWidth, kClientHeight).size());

  setTabOrder(Text1_, Text2_);
  setTabOrder(Text2_, Command1_);
  setTabOrder(Command1_, Command2_);
  Text1_->setFocus();

  connect(Text1_, &HexLineEdit::enterPressed, Text2_, [this] { Text2_->setFocus(); });
  connect(Text2_, &HexLineEdit::enterPressed, Text1_, [this] { Text1_->setFocus(); });
  connect(Command1_, &QPushButton::clicked, this, &AddressDialog::Command1_Click);
  connect(Command2_, &QPushButton::clicked, this, &QDialog::reject);
}

void AddressDialog::load() {
  Text1_->setText(toQString(fieldText(exchange_.blockStart)));
  Text2_->setText(toQString(fieldText(exchange_.blockEnd)));
  const RangeLabels labels = addressRangeLabels(exchange_, difEdit_);
  lfr_->setText(toQString(labels.from));
  lto_->setText(toQString(labels.to));
}

void AddressDialog::Command1_Click() {
  if (!acceptAddresses(Text1_->text().toStdString(), Text2_->text().toStdString(), difEdit_,
                       exchange_)) {
    messenger_.show(kBadAddressesText, MessageButtons::Ok, MessageIcon::None);
    return;
  }
  accept();
}

}  // namespace hm
