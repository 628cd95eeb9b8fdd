#include "app/qt/carry_result_dialog.h"

#include "app/carry_command.h"
#include "dif/dif_writer.h"
#include "platform/file_lock.h"
#include "platform/qt/qt_text.h"
#include "platform/user_texts.h"

#include <algorithm>

#include <QFontDatabase>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

namespace hm {

CarryResultDialog::CarryResultDialog(std::shared_ptr<const CarriedDif> carried, FileSystem& fs,
                                     FileChooser& chooser, Messenger& messenger, QWidget* parent)
    : QDialog(parent),
      carried_(std::move(carried)),
      fs_(fs),
      chooser_(chooser),
      messenger_(messenger) {
  setObjectName("carryResult");
  setWindowTitle(qt(kCarryTitle));
  table_ = new QTableWidget(this);
  table_->setObjectName("carryBlocks");
  table_->setColumnCount(4);
  table_->setHorizontalHeaderLabels({qt(kCarryBlockColumn), qt(kCarryAddressColumn),
                                     qt(kCarryShiftColumn), qt(kCarryOutcomeColumn)});
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
  resize(720, 560);

  connect(saveButton, &QPushButton::clicked, this, &CarryResultDialog::save);
  connect(table_, &QTableWidget::currentCellChanged, this, [this](int row) { showBytes(row); });
  fill();
}

void CarryResultDialog::fill() {
  const std::vector<CarriedBlock>& blocks = carried_->blocks;
  table_->setRowCount(static_cast<int>(blocks.size()));
  for (std::size_t k = 0; k < blocks.size(); ++k) {
    const CarryRow row = carryRow(blocks[k]);
    const std::string* cells[] = {&row.range, &row.address, &row.shift, &row.outcome};
    for (int column = 0; column < 4; ++column) {
      table_->setItem(static_cast<int>(k), column, new QTableWidgetItem(qt(*cells[column])));
    }
  }
  table_->resizeColumnsToContents();
  const auto placed =
      std::count_if(blocks.begin(), blocks.end(), [](const CarriedBlock& b) { return b.placed(); });
  summary_->setText(
      qt(kCarryPlacedText + std::to_string(placed) + kCarryOfText + std::to_string(blocks.size())));
  if (!blocks.empty()) table_->setCurrentCell(0, 0);
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
  const std::string path = chooser_.AskSaveFile(FileKind::Dif);
  if (path.empty()) return false;
  // Both names are held before either is written, as "Создать DIF" holds them.
  std::vector<std::unique_ptr<FileLock>> held;
  for (const std::string& name : {path, backupDifName(path)}) {
    std::optional<FileInfo> info = fs_.stat(name);
    if (!info || !info->regular) continue;
    Result<std::unique_ptr<FileLock>> lock = fs_.lock(name, kFileLockWait, MissingFile::Fails);
    if (!lock) {
      messenger_.error(lock.error().message);
      return false;
    }
    held.push_back(std::move(lock.value()));
  }
  const Status written =
      writeCarriedDif(fs_, path, carried_->blocks, carried_->dif.bytes(), carried_->newBin.bytes(),
                      [this] { return carried_->newBin.intact(); });
  if (!written) {
    messenger_.error(written.error().message);
    return false;
  }
  messenger_.notice(kDifCreatedText);
  return true;
}

}  // namespace hm
