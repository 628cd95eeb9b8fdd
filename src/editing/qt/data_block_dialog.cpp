#include "editing/qt/data_block_dialog.h"

#include "editing/qt/dialog_controls.h"
#include "editing/qt/hex_line_edit.h"
#include "editing/qt/twips.h"

#include <QLabel>
#include <QPushButton>

namespace hm {

namespace {

// Three columns, offset, length and destination, the buttons under the last two.
constexpr int kFirstColumn = 120;
constexpr int kSecondColumn = 2115;
constexpr int kThirdColumn = 4110;
constexpr int kColumnWidth = 1875;
constexpr int kCaptionTop = 120;
constexpr int kFieldTop = 390;
constexpr int kRangeTop = 735;
constexpr int kButtonTop = 1080;
constexpr int kClientWidth = 6105;
constexpr int kClientHeight = 1575;

QString toQString(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

DataBlockDialog::DataBlockDialog(QWidget* parent, DataBlockExchange& exchange, Messenger& messenger,
                                 const QString& title)
    : QDialog(parent), exchange_(exchange), messenger_(messenger) {
  setObjectName(QStringLiteral("Form3"));
  setWindowTitle(title);
  setModal(true);
  buildControls();
  load();
}

void DataBlockDialog::buildControls() {
  Label1_ = makeCaption(this, "Label1", "Начало (офсет):", kFirstColumn, kCaptionTop, kColumnWidth);
  Text1_ = makeHexField(this, "Text1", kFirstColumn, kFieldTop, kColumnWidth);
  lfr_ = makeRangeLabel(this, "lfr", kFirstColumn, kRangeTop, kColumnWidth);
  Label2_ = makeCaption(this, "Label2", "Длина:", kSecondColumn, kCaptionTop, kColumnWidth);
  Text2_ = makeHexField(this, "Text2", kSecondColumn, kFieldTop, kColumnWidth);
  lto_ = makeRangeLabel(this, "lto", kSecondColumn, kRangeTop, kColumnWidth);
  Label3_ =
      makeCaption(this, "Label3", "Адрес назначения:", kThirdColumn, kCaptionTop, kColumnWidth);
  Text3_ = makeHexField(this, "Text3", kThirdColumn, kFieldTop, kColumnWidth);
  Label4_ = makeRangeLabel(this, "Label4", kThirdColumn, kRangeTop, kColumnWidth);
  Label4_->setText(QStringLiteral("000000-FFFFFF"));
  Command1_ = makeButton(this, "Command1", "OK", kSecondColumn, kButtonTop, kColumnWidth);
  Command2_ = makeButton(this, "Command2", "Отмена", kThirdColumn, kButtonTop, kColumnWidth);
  fixDialogSize(this, twipsRect(0, 0, kClientWidth, kClientHeight).size());

  setTabOrder(Text1_, Text2_);
  setTabOrder(Text2_, Text3_);
  setTabOrder(Text3_, Command1_);
  setTabOrder(Command1_, Command2_);
  Text1_->setFocus();

  connect(Text1_, &HexLineEdit::enterPressed, Text2_, [this] { Text2_->setFocus(); });
  connect(Text2_, &HexLineEdit::enterPressed, Text3_, [this] { Text3_->setFocus(); });
  connect(Text3_, &HexLineEdit::enterPressed, Text1_, [this] { Text1_->setFocus(); });
  connect(Command1_, &QPushButton::clicked, this, &DataBlockDialog::Command1_Click);
  connect(Command2_, &QPushButton::clicked, this, &QDialog::reject);
}

void DataBlockDialog::load() {
  Text1_->setText(toQString(fieldText(exchange_.offset)));
  Text2_->setText(toQString(fieldText(exchange_.length)));
  Text3_->setText(toQString(fieldText(exchange_.destination)));
  const QString range = toQString(dataRangeLabel(exchange_.dataFileLength));
  lfr_->setText(range);
  lto_->setText(range);
}

void DataBlockDialog::Command1_Click() {
  if (!acceptDataBlock(Text1_->text().toStdString(), Text2_->text().toStdString(),
                       Text3_->text().toStdString(), exchange_)) {
    messenger_.show(kBadAddressesText, MessageButtons::Ok, MessageIcon::None);
    return;
  }
  accept();
}

}  // namespace hm
