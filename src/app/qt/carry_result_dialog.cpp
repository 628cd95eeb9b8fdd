#include "app/qt/carry_result_dialog.h"

#include "platform/file_lock.h"
#include "platform/qt/qt_text.h"
#include "platform/user_texts.h"

#include <algorithm>

#include <QAbstractTableModel>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>

namespace hm {

namespace {

// The blocks as table rows, each cell made when it is shown: a DIF of millions of blocks costs
// the view no more than a short one.
class CarryTable : public QAbstractTableModel {
 public:
  CarryTable(std::shared_ptr<const CarriedDif> carried, QObject* parent)
      : QAbstractTableModel(parent), carried_(std::move(carried)) {}

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(carried_->blocks.size());
  }
  int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 4; }

  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    const CarryRow row = carryRow(carried_->blocks[static_cast<std::size_t>(index.row())]);
    const std::string* cells[] = {&row.range, &row.address, &row.shift, &row.outcome};
    return qt(*cells[index.column()]);
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
    const char* titles[] = {kCarryBlockColumn, kCarryAddressColumn, kCarryShiftColumn,
                            kCarryOutcomeColumn};
    return qt(titles[section]);
  }

 private:
  std::shared_ptr<const CarriedDif> carried_;
};

}  // namespace

CarryResultDialog::CarryResultDialog(std::shared_ptr<const CarriedDif> carried, FileSystem& fs,
                                     FileChooser& chooser, Messenger& messenger, QWidget* parent)
    : QDialog(parent),
      carried_(std::move(carried)),
      fs_(fs),
      chooser_(chooser),
      messenger_(messenger) {
  setObjectName("carryResult");
  setWindowTitle(qt(kCarryTitle));
  table_ = new QTableView(this);
  table_->setObjectName("carryBlocks");
  table_->setModel(new CarryTable(carried_, table_));
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  summary_ = new QLabel(this);
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  auto pane = [this, &fixed](const char* name) {
    auto* text = new QPlainTextEdit(this);
    text->setObjectName(name);
    text->setReadOnly(true);
    text->setFont(fixed);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    return text;
  };
  newBinBytes_ = pane("carryNewBinBytes");
  difBytes_ = pane("carryDifBytes");
  auto* saveButton = new QPushButton(qt(kCarrySaveCaption), this);
  saveButton->setObjectName("carrySave");

  auto* grid = new QGridLayout(this);
  grid->addWidget(table_, 0, 0, 1, 2);
  grid->addWidget(new QLabel(qt(kCarryNewBinPane), this), 1, 0);
  grid->addWidget(new QLabel(qt(kCarryDifPane), this), 1, 1);
  grid->addWidget(newBinBytes_, 2, 0);
  grid->addWidget(difBytes_, 2, 1);
  grid->addWidget(summary_, 3, 0);
  grid->addWidget(saveButton, 3, 1, Qt::AlignRight);
  // Wide enough for both panes to show a row of 16 bytes whole.
  resize(1000, 600);

  connect(saveButton, &QPushButton::clicked, this, &CarryResultDialog::save);
  connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) { showBytes(current.row()); });
  fill();
}

// The columns take the width of their widest possible text, not of the rows in view.
void CarryResultDialog::fill() {
  const std::vector<CarriedBlock>& blocks = carried_->blocks;
  const QFontMetrics metrics(table_->font());
  const QFontMetrics headerMetrics(table_->horizontalHeader()->font());
  // Digits differ in width in most fonts: each column is measured by the widest of them.
  int digit = 0;
  for (QChar c : QString("0123456789ABCDEF")) digit = std::max(digit, metrics.horizontalAdvance(c));
  const int widths[] = {12 * digit + metrics.horizontalAdvance(QString::fromUtf8("–")), 6 * digit,
                        6 * digit + metrics.horizontalAdvance('+')};
  for (int column = 0; column < 3; ++column) {
    const QString title = table_->model()->headerData(column, Qt::Horizontal).toString();
    table_->setColumnWidth(column,
                           std::max(widths[column], headerMetrics.horizontalAdvance(title)) + 16);
  }
  table_->verticalHeader()->setDefaultSectionSize(metrics.height() + 6);
  const auto placed =
      std::count_if(blocks.begin(), blocks.end(), [](const CarriedBlock& b) { return b.placed(); });
  summary_->setText(
      qt(kCarryPlacedText + std::to_string(placed) + kCarryOfText + std::to_string(blocks.size())));
  if (!blocks.empty()) table_->setCurrentIndex(table_->model()->index(0, 0));
}

// Where it was placed, or where it stood, in the new BIN beside what the DIF writes there.
void CarryResultDialog::showBytes(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= carried_->blocks.size()) return;
  const CarriedBlock& b = carried_->blocks[static_cast<std::size_t>(row)];
  const std::span<const std::uint8_t> bin = carried_->newBin.bytes();
  const std::int64_t at = b.placed() ? b.address : b.start;
  const auto from = static_cast<std::size_t>(std::min<std::int64_t>(at, bin.size()));
  const std::size_t length = std::min(bin.size() - from, static_cast<std::size_t>(b.length()));
  newBinBytes_->setPlainText(qt(hexRows(at, bin.subspan(from, length))));
  difBytes_->setPlainText(qt(hexRows(
      at, carried_->dif.bytes().subspan(b.dataOffset, static_cast<std::size_t>(b.length())))));
}

bool CarryResultDialog::save() {
  return saveCarriedDif(fs_, messenger_, *carried_, chooser_.AskSaveFile(FileKind::Dif),
                        kFileLockWait);
}

}  // namespace hm
