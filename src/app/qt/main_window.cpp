#include "app/qt/main_window.h"

#include <algorithm>

#include <qdrawutil.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QWheelEvent>

#include <cmath>
#include <span>

#include "app/qt/block_dialogs.h"
#include "app/qt/distance_controls.h"
#include "app/unattended_jobs.h"
#include "blocks/block_line.h"
#include "blocks/qt/block_list_view.h"
#include "blocks/qt/column_header.h"
#include "blocks/qt/tab_stop_delegate.h"
#include "dif/dif_applier.h"
#include "dif/dif_format.h"
#include "dif/dif_reader.h"
#include "dif/dif_writer.h"
#include "editing/block_merge.h"
#include "platform/file_association.h"
#include "resources/form1_layout.h"
#include "search/regroup.h"

namespace hm {

namespace {

constexpr const char* kCaption = "Hexmarshal v1.02";
constexpr const char* kAuthorship = "Разработчики Hexmarshal, 2026";
constexpr const char* kSourceCaption = "Исходный BIN";
constexpr const char* kDataFileCaption = "Файл данных";
constexpr const char* kNoDataFileText = "Не выбран файл данных!";
constexpr std::uint32_t kIdleThresholdMs = 300000;
constexpr int kTimerIdleMs = 2000;
constexpr int kTimerFallingMs = 5;
constexpr int kTimerCreatedMs = 100;
constexpr int kFallStepTwips = 30;

QString qs(const std::string& s) {
  return QString::fromStdString(s);
}
std::string ss(const QString& s) {
  return s.toStdString();
}

int px(int twips) {
  return twips / layout::kTwipsPerPixel;
}

void place(QWidget* w, const layout::Place& p) {
  w->setGeometry(px(p.left), px(p.top), px(p.width), px(p.height));
}

struct Column {
  const char* caption;
  int width;
};

// The column widths were drawn for an 8-point system font. A wider font widens every column
// alike, so that each caption and a six-digit address with its gap fit their columns.
double columnScale(std::span<const Column> columns, const QFontMetrics& header,
                   const QFontMetrics& list, int captionMargins) {
  const int address = list.horizontalAdvance(QStringLiteral("000000")) + fieldGap(list);
  double scale = 1.0;
  for (const Column& c : columns) {
    const int caption = header.horizontalAdvance(QString::fromUtf8(c.caption)) + captionMargins;
    scale = std::max(scale, static_cast<double>(std::max(address, caption)) / c.width);
  }
  return scale;
}

void addColumns(QHeaderView* header, const QWidget* list, std::span<const Column> columns) {
  const double scale = columnScale(
      columns, header->fontMetrics(), list->fontMetrics(),
      2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin) + fieldGap(header->fontMetrics()));
  int index = 0;
  for (const Column& c : columns) {
    AddColumn(header, index++, static_cast<int>(std::lround(c.width * scale)), 2, 0, c.caption);
  }
}

constexpr Column kStartColumns[] = {
    {"Начало", 75}, {"Конец", 75}, {"Длина", 75}, {"Дистанция", 75}};
constexpr Column kDifColumns[] = {{"Начало", 49}, {"Конец", 49},     {"Длина", 45},
                                  {"Дист-я", 49}, {"Офсет Dat", 49}, {"Файл", 175}};

// The surface under the controls: draws the sunken frame and reports clicks on free space.
class Surface : public QWidget {
 public:
  Surface(QWidget* parent, std::function<void()> onClick)
      : QWidget(parent), onClick_(std::move(onClick)) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    QRect r = rect().adjusted(1, 1, -1, -1);
    qDrawShadeRect(&painter, r, palette(), true, 1);
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) onClick_();
  }

 private:
  std::function<void()> onClick_;
};

}  // namespace

MainWindow::MainWindow(WindowServices services, QWidget* parent)
    : QMainWindow(parent),
      services_(std::move(services)),
      chooser_(services_.dialogs, services_.fs, services_.messenger, services_.settings,
               kMaxDifSize) {
  setObjectName("Form1");
  setWindowTitle(kCaption);
  buildControls();
  buildMenus();
  // The controls stand where they were designed; a larger window would only add empty space.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  Form_Load();
}

MainWindow::~MainWindow() {
  if (!headerRemoved_) Form_QueryUnload();
}

void MainWindow::buildControls() {
  surface_ = new Surface(this, [this] { Form_Click(); });
  surface_->setObjectName("surface");
  surface_->setFixedSize(px(layout::kSurface.width), px(layout::kSurface.height));
  setCentralWidget(surface_);

  auto button = [this](const char* name, const QString& caption, const layout::Place& p) {
    auto* b = new QPushButton(caption, surface_);
    b->setObjectName(name);
    place(b, p);
    return b;
  };

  bSplit_ = button("bSplit", "Объединить", layout::kbSplit);
  bAdd_ = button("bAdd", "Добавить", layout::kbAdd);
  bDel_ = button("bDel", "Удалить", layout::kbDel);
  Check1_ = new QCheckBox("Создавать Backup", surface_);
  Check1_->setObjectName("Check1");
  place(Check1_, layout::kCheck1);
  bDIF_ = button("bDIF", "Создать DIF", layout::kbDIF);
  bCancel_ = button("bCancel", "Отмена", layout::kbCancel);
  bCancel_->setVisible(false);

  tbyteWith_ = new QLineEdit(surface_);
  tbyteWith_->setObjectName("tbyteWith");
  tbyteWith_->setValidator(new DistanceValidator(kMinDistanceHigh, tbyteWith_));
  place(tbyteWith_, layout::ktbyteWith);
  byteWith_ = new DistanceScrollBar(surface_);
  byteWith_->setObjectName("byteWith");
  byteWith_->setRange(kMinDistanceLow, kMinDistanceHigh);
  // The design value differs from the start value, so start-up runs the change handler.
  byteWith_->setValue(kMinDistanceLow);
  place(byteWith_, layout::kbyteWith);

  Frame1_ = new QFrame(surface_);
  Frame1_->setObjectName("Frame1");
  Frame1_->setFrameShape(QFrame::StyledPanel);
  place(Frame1_, layout::kFrame1);

  Timer1_ = new QTimer(this);
  Timer1_->setObjectName("Timer1");
  Timer1_->setInterval(kTimerCreatedMs);

  Lst1_ = new BlockListView(list_, Frame1_);
  place(Lst1_, layout::kLst1);

  bSer_ = button("bSer", "Найти различия", layout::kbSer);
  Command2_ = button("Command2", "Конечный BIN", layout::kCommand2);
  Command1_ = button("Command1", kSourceCaption, layout::kCommand1);
  outFile_ = new QLineEdit(surface_);
  outFile_->setObjectName("outFile");
  place(outFile_, layout::koutFile);
  inFile_ = new QLineEdit(surface_);
  inFile_->setObjectName("inFile");
  place(inFile_, layout::kinFile);

  cBW_ = new QComboBox(surface_);
  cBW_->setObjectName("cBW");
  cBW_->setEditable(true);
  cBW_->addItems({"0", "2", "4", "8", "16", "32", "64", "128"});
  cBW_->setCurrentIndex(-1);
  cBW_->setValidator(new DistanceValidator(kMinDistanceHigh, cBW_));
  place(cBW_, layout::kcBW);

  Label1_ = new QLabel("Мин. Дистанция:", surface_);
  Label1_->setObjectName("Label1");
  place(Label1_, layout::kLabel1);
  lStat_ = new QLabel("0", surface_);
  lStat_->setObjectName("lStat");
  place(lStat_, layout::klStat);

  controls_ = {bSplit_,   bAdd_,   bDel_,   Check1_, bDIF_, bCancel_,  tbyteWith_,
               byteWith_, Frame1_, nullptr, Lst1_,   bSer_, Command2_, Command1_,
               outFile_,  inFile_, cBW_,    Label1_, lStat_};

  // Clicks on a label or on the frame belong to them, not to the window's free area.
  for (QWidget* w : {static_cast<QWidget*>(Label1_), static_cast<QWidget*>(lStat_),
                     static_cast<QWidget*>(Frame1_)}) {
    w->installEventFilter(this);
  }
  tbyteWith_->installEventFilter(this);

  connect(bSer_, &QPushButton::clicked, this, &MainWindow::bSer_Click);
  connect(bCancel_, &QPushButton::clicked, this, &MainWindow::bCancel_Click);
  connect(bDIF_, &QPushButton::clicked, this, &MainWindow::bdif_Click);
  connect(Command1_, &QPushButton::clicked, this, &MainWindow::Command1_Click);
  connect(Command2_, &QPushButton::clicked, this, &MainWindow::Command2_Click);
  connect(bSplit_, &QPushButton::clicked, this, &MainWindow::bSplit_Click);
  connect(bDel_, &QPushButton::clicked, this, &MainWindow::bDel_Click);
  connect(bAdd_, &QPushButton::clicked, this, &MainWindow::bAdd_Click);
  connect(Lst1_, &QListView::pressed, this, &MainWindow::Lst1_Click);
  connect(Lst1_, &QListView::doubleClicked, this, &MainWindow::Lst1_DblClick);
  connect(Timer1_, &QTimer::timeout, this, &MainWindow::Timer1_Timer);
  connect(byteWith_, &QScrollBar::valueChanged, this, &MainWindow::byteWith_Change);
  connect(tbyteWith_, &QLineEdit::textChanged, this, &MainWindow::tbyteWith_Change);
  connect(cBW_, &QComboBox::activated, this, &MainWindow::cBW_Click);
  connect(inFile_, &QLineEdit::textChanged, this, &MainWindow::inFile_Change);
  connect(outFile_, &QLineEdit::textChanged, this, &MainWindow::outFile_Change);
  setReadingOrder();
  Timer1_->start();
}

// Tab walks the window as it reads: the two paths with their buttons, the search and its
// distance, the list, then the commands on the right from top to bottom.
void MainWindow::setReadingOrder() {
  const QWidget* order[] = {inFile_, Command1_, outFile_, Command2_, bSer_, bCancel_, tbyteWith_,
                            cBW_,    Lst1_,     bSplit_,  bAdd_,     bDel_, Check1_,  bDIF_};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i)
    setTabOrder(const_cast<QWidget*>(order[i]), const_cast<QWidget*>(order[i + 1]));
  inFile_->setFocus();
}

void MainWindow::buildMenus() {
  auto item = [this](QMenu* menu, const char* name, const QString& caption, QKeySequence key,
                     void (MainWindow::*handler)()) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    if (!key.isEmpty()) action->setShortcut(key);
    connect(action, &QAction::triggered, this, handler);
    return action;
  };
  auto header = [this](const QString& caption, int index) {
    QMenu* menu = menuBar()->addMenu(caption);
    menu->setObjectName("mm");
    menu->setProperty("index", index);
    return menu;
  };

  QMenu* file = header("Файл", 0);
  item(file, "opOrig", "Открыть исходный BIN", Qt::Key_F5, &MainWindow::opOrig_Click);
  item(file, "opTarg", "Открыть конечный BIN", Qt::Key_F6, &MainWindow::opTarg_Click);
  item(file, "redDIF", "Открыть DIF для редактирования", Qt::Key_F4, &MainWindow::redDIF_Click);
  file->addSeparator()->setObjectName("ss");
  QAction* exit = file->addAction("Выход");
  exit->setObjectName("exxit");
  connect(exit, &QAction::triggered, this, &QWidget::close);

  QMenu* tools = header("Инструменты", 1);
  item(tools, "AppDif", "Установить Dif на BIN", Qt::Key_F3, &MainWindow::AppDif_Click);
  item(tools, "asso", "Связать BIN ,DIF c Hexmarshal", {}, &MainWindow::asso_Click);

  QMenu* help = header("Помощь", 2);
  item(help, "About", "О программе", Qt::Key_F1, &MainWindow::About_Click);
}

void MainWindow::Form_Load() {
  chooser_.loadLastFolder();

  QRect list = Lst1_->geometry();
  hHdr_ = CreateHeader(Lst1_, list.left(), list.top() - layout::kHeaderHeightPixels, list.width(),
                       layout::kHeaderHeightPixels, 0);
  addColumns(hHdr_, Lst1_, kStartColumns);

  ctlTop_.assign(controls_.size() + 1, 0);
  lastTick_ = services_.clock.now();
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (controls_[i])
      ctlTop_[i] = static_cast<std::int16_t>(controls_[i]->y() * layout::kTwipsPerPixel);
  }

  byteWith_->setValue(kMinDistanceStart);
}

void MainWindow::Form_QueryUnload() {
  RemoveHeader(hHdr_);
  headerRemoved_ = true;
  ctlTop_.clear();
  RawBlocks_.clear();
  RawBlocks_.shrink_to_fit();
  DifBytes_.release();
  TargetBytes_.release();
  SourceBytes_.release();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (searching_) {
    // The search runs inside this window's handler: stop it first, close when it has ended.
    ActionFlag_ = true;
    closeAfterSearch_ = true;
    event->ignore();
    return;
  }
  if (!headerRemoved_) Form_QueryUnload();
  event->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == tbyteWith_) return distanceBoxEvent(event);
  if (event->type() == QEvent::MouseButtonPress) return true;
  return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::distanceBoxEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonDblClick:
      // Opened at once, the list would take the button's release as a click outside it and
      // close again: it opens when the button comes up.
      presetsOnRelease_ = true;
      return true;
    case QEvent::MouseButtonRelease:
      if (presetsOnRelease_) {
        presetsOnRelease_ = false;
        QTimer::singleShot(0, this, &MainWindow::tbyteWith_DblClick);
      }
      return false;
    case QEvent::KeyPress: {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key != Qt::Key_Up && key != Qt::Key_Down) return false;
      byteWith_->triggerAction(key == Qt::Key_Up ? QAbstractSlider::SliderSingleStepAdd
                                                 : QAbstractSlider::SliderSingleStepSub);
      return true;
    }
    case QEvent::Wheel: {
      const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
      if (delta == 0) return false;
      byteWith_->triggerAction(delta > 0 ? QAbstractSlider::SliderSingleStepAdd
                                         : QAbstractSlider::SliderSingleStepSub);
      return true;
    }
    case QEvent::FocusOut:
      showDistanceInUse();
      return false;
    default:
      return false;
  }
}

// A box left empty or half typed shows the distance in use again.
void MainWindow::showDistanceInUse() {
  const QString inUse = QString::number(byteWith_->value());
  if (tbyteWith_->text() != inUse) tbyteWith_->setText(inUse);
  if (cBW_->currentText() != inUse) cBW_->setEditText(inUse);
}

void MainWindow::processEvents() {
  QCoreApplication::processEvents();
}

void MainWindow::say(const QString& text) {
  lStat_->setText(text);
}

MessageAnswer MainWindow::ask(const std::string& text, MessageButtons buttons, MessageIcon icon) {
  if (icon == MessageIcon::Stop) ++errorsReported_;
  return services_.messenger.show(text, buttons, icon);
}

void MainWindow::showError(const std::string& text) {
  ask(text, MessageButtons::Ok, MessageIcon::Stop);
}

void MainWindow::releaseImages() {
  RawBlocks_.clear();
  RawBlocks_.shrink_to_fit();
  TargetBytes_.release();
  SourceBytes_.release();
}

// ---- Control state ----

void MainWindow::Activity() {
  const bool d = difEdit_;
  const int n = list_.count();
  const QString in = inFile_->text();
  const QString out = outFile_->text();
  const bool canSearch = !in.isEmpty() && !out.isEmpty() && in != out;
  bSer_->setEnabled(canSearch);
  bSplit_->setEnabled(!d && n > 0);
  bDel_->setEnabled(n > 0);
  if (!d) bAdd_->setEnabled(canSearch);
  bCancel_->setVisible(false);
  Command1_->setText(d ? kDataFileCaption : kSourceCaption);
  Check1_->setVisible(!d);
  Command2_->setVisible(!d);
  outFile_->setVisible(!d);
  byteWith_->setEnabled(!d);
  tbyteWith_->setEnabled(!d);
  // The presets regroup from the search result, which a DIF being edited does not have.
  cBW_->setEnabled(!d);
}

void MainWindow::Timer1_Timer() {
  Tick now = services_.clock.now();
  if (elapsedSince(lastTick_, now) < kIdleThresholdMs) {
    Timer1_->setInterval(kTimerIdleMs);
    return;
  }
  Timer1_->setInterval(kTimerFallingMs);
  const int outerHeight = frameGeometry().height() * layout::kTwipsPerPixel;
  for (QWidget* w : controls_) {
    if (!w || w->isHidden()) continue;
    if (w->y() * layout::kTwipsPerPixel < outerHeight) {
      w->move(w->x(), w->y() + kFallStepTwips / layout::kTwipsPerPixel);
      return;
    }
  }
}

void MainWindow::Form_Click() {
  lastTick_ = services_.clock.now();
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    QWidget* w = controls_[i];
    if (w) w->move(w->x(), ctlTop_[i] / layout::kTwipsPerPixel);
  }
}

void MainWindow::Lst1_Click() {
  lastTick_ = services_.clock.now();
}

// ---- Minimum distance and regrouping ----

void MainWindow::byteWith_Change() {
  tbyteWith_->setText(QString::number(byteWith_->value()));
  regroup(RawBlocks_, byteWith_->value(), list_);
  reCalc();
}

void MainWindow::reCalc() {
  Totals totals = recalc(list_, difEdit_, TargetLength_);
  say(qs(totalsText(totals)));
  Activity();
}

void MainWindow::tbyteWith_Change() {
  bool ok = false;
  int value = tbyteWith_->text().toInt(&ok);
  if (!ok || value < kMinDistanceLow || value > kMinDistanceHigh) return;
  byteWith_->setValue(value);
  cBW_->setEditText(QString::number(byteWith_->value()));
}

void MainWindow::cBW_Click() {
  if (difEdit_) return;
  bool ok = false;
  const int value = cBW_->currentText().toInt(&ok);
  if (!ok || value < kMinDistanceLow || value > kMinDistanceHigh) {
    showDistanceInUse();
    return;
  }
  tbyteWith_->setText(cBW_->currentText());
}

void MainWindow::tbyteWith_DblClick() {
  cBW_->showPopup();
}

// ---- File selection ----

void MainWindow::Command1_Click() {
  std::string path = chooser_.AskOpenFile(FileKind::SourceBin);
  if (!path.empty()) inFile_->setText(qs(path));
  lastTick_ = services_.clock.now();
}

void MainWindow::Command2_Click() {
  std::string path = chooser_.AskOpenFile(FileKind::TargetBin);
  if (!path.empty()) outFile_->setText(qs(path));
}

void MainWindow::opOrig_Click() {
  difEdit_ = false;
  Command1_Click();
}

void MainWindow::opTarg_Click() {
  difEdit_ = false;
  Command2_Click();
}

void MainWindow::inFile_Change() {
  if (difEdit_) {
    bAdd_->setEnabled(true);
  } else {
    list_.clear();
    releaseImages();
    Activity();
  }
  chooser_.RememberFolder(ss(inFile_->text()));
}

void MainWindow::outFile_Change() {
  list_.clear();
  releaseImages();
  Activity();
}

// ---- Difference search ----

void MainWindow::bSer_Click() {
  if (searching_) return;
  TargetBytes_.release();
  SourceBytes_.release();
  Activity();
  RawBlocks_.clear();
  RawBlocks_.shrink_to_fit();

  ActionFlag_ = false;
  bCancel_->setVisible(true);
  processEvents();

  searching_ = true;
  searchCompleted_ = false;
  auto progress = [this](std::uint64_t differences) {
    say(QString("Найдено различий: %1").arg(differences));
    processEvents();
    return !ActionFlag_;
  };
  Result<SearchOutcome> search =
      runSearch(services_.fs, ss(inFile_->text()), ss(outFile_->text()), services_.clock, progress);
  searching_ = false;

  if (search) {
    SourceBytes_ = std::move(search->source);
    TargetBytes_ = std::move(search->target);
    RawBlocks_ = std::move(search->blocks);
    TargetLength_ = search->targetLength;
    searchCompleted_ = true;
    byteWith_Change();
  } else if (search.error().code == ErrorCode::Cancelled) {
    list_.clear();
    releaseImages();
    say("Поиск отменен.");
    Activity();
  } else {
    showError(search.error().message);
    Activity();
  }
  if (closeAfterSearch_) {
    closeAfterSearch_ = false;
    QTimer::singleShot(0, this, &QWidget::close);
  }
}

void MainWindow::bCancel_Click() {
  ActionFlag_ = true;
  bCancel_->setVisible(false);
}

// ---- DIF files ----

void MainWindow::bdif_Click() {
  std::string path = chooser_.AskSaveFile(FileKind::Dif);
  if (path.empty()) return;
  path = difOutputName(path);

  say(kDifWritingText);
  processEvents();
  Status written = difEdit_ ? writeEditedDif(services_.fs, path, list_, DifBytes_.bytes())
                            : writeDif(services_.fs, path, list_, TargetBytes_.bytes());
  if (!written) {
    showError(written.error().message);
    return;
  }
  if (Check1_->checkState() == Qt::Checked && !difEdit_) {
    Status backup = writeDif(services_.fs, backupDifName(path), list_, SourceBytes_.bytes());
    if (!backup) {
      showError(backup.error().message);
      return;
    }
  }
  say(kDifCreatedText);
}

void MainWindow::AppDif_Click() {
  std::string difPath = chooser_.AskOpenFile(FileKind::Dif);
  chooser_.cmdMode = false;
  if (difPath.empty()) return;

  std::optional<ByteImage> dif = services_.fs.read(difPath);
  if (!dif) {
    showError(kBinWriteErrorText);
    return;
  }
  processEvents();
  Status checked = checkDif(dif->bytes());
  if (!checked) {
    showError(checked.error().message);
    return;
  }

  std::string binPath = chooser_.AskOpenFile(FileKind::SourceBin);
  if (binPath.empty()) return;
  std::optional<ByteImage> bin = services_.fs.read(binPath);
  if (!bin) {
    showError(kBinWriteErrorText);
    return;
  }
  applyDif(dif->bytes(), *bin);

  std::string outPath = chooser_.AskSaveFile(FileKind::SourceBin);
  if (outPath.empty()) return;
  Status written = writeBin(services_.fs, outPath, bin->bytes());
  if (!written) {
    showError(written.error().message);
    return;
  }
  ask(kDifAppliedText, MessageButtons::Ok, MessageIcon::None);
}

void MainWindow::showDifColumns() {
  for (int i = 5; i >= 0; --i) DeleteColumn(hHdr_, i);
  addColumns(hHdr_, Lst1_, kDifColumns);
}

void MainWindow::redDIF_Click() {
  std::string path = chooser_.AskOpenFile(FileKind::Dif);
  if (path.empty()) return;
  inFile_->setText("");
  chooser_.difPath = path;
  difEdit_ = true;
  list_.clear();
  showDifColumns();

  std::optional<ByteImage> dif = services_.fs.read(path);
  if (!dif) {
    DifBytes_.release();
    // The mode stays on: the layout follows it.
    Activity();
    showError(kOpenErrorText);
    return;
  }
  DifBytes_ = std::move(*dif);
  say(kReadingBlocksText);
  processEvents();

  Result<std::vector<DifBlock>> blocks = readDifBlocks(DifBytes_.bytes());
  if (!blocks) {
    // No line may stay behind whose bytes are nowhere: the list goes with the image.
    DifBytes_.release();
    list_.clear();
    Activity();
    showError(blocks.error().message);
    return;
  }
  listDifBlocks(std::move(*blocks), list_);
  reCalc();
}

// ---- Block editing ----

std::optional<std::int32_t> MainWindow::dataFileLength() {
  std::string path = ss(inFile_->text());
  if (path.empty()) {
    ask(kNoDataFileText, MessageButtons::Ok, MessageIcon::Exclamation);
    return std::nullopt;
  }
  std::optional<FileInfo> info = services_.fs.stat(path);
  if (!info || !info->regular) {
    showError(kOpenErrorText);
    return std::nullopt;
  }
  return static_cast<std::int32_t>(std::min<std::uint64_t>(info->size, 0x7FFFFFFF));
}

void MainWindow::Lst1_DblClick() {
  int i = list_.caret();
  if (i < 0) return;
  bool dataBlock = difEdit_ && BlockLine::parse(list_.text(i)).takesDataFile();
  std::int32_t length = 0;
  if (dataBlock) {
    std::optional<std::int32_t> known = dataFileLength();
    if (!known) return;
    length = *known;
  }
  LineEditPlan plan = planLineEdit(list_, i, difEdit_, TargetLength_, length);
  std::optional<std::string> line;
  if (plan.dataBlock) {
    DataBlockExchange exchange = plan.data;
    services_.blockDialogs.editDataBlock(this, exchange, kEditDataBlockTitle);
    line = editedLine(plan, exchange);
  } else {
    AddressExchange exchange = plan.addresses;
    services_.blockDialogs.editAddresses(this, exchange, difEdit_, kAddressDialogTitle);
    line = editedLine(plan, exchange, difEdit_);
  }
  if (!line) return;
  list_.setCaret(i);
  list_.replaceCaret(*line);
  reCalc();
}

void MainWindow::bAdd_Click() {
  std::string line;
  if (difEdit_) {
    std::optional<std::int32_t> length = dataFileLength();
    if (!length) return;
    DataBlockExchange exchange = newDataBlock(*length);
    services_.blockDialogs.editDataBlock(this, exchange, kDataBlockTitle);
    if (!exchange.accepted) return;
    line = addedLine(exchange, ss(inFile_->text()));
  } else {
    AddressExchange exchange = newBlockAddresses(TargetLength_);
    services_.blockDialogs.editAddresses(this, exchange, false, kAddBlockTitle);
    if (!exchange.accepted) return;
    line = addedLine(exchange);
  }
  // One reset of the view instead of an insertion and then a reset: millions of lines are laid
  // out once.
  BlockList::Batch batch(list_);
  list_.add(line);
  reCalc();
}

void MainWindow::bSplit_Click() {
  MergeSpan span;
  switch (checkMerge(list_, span)) {
    case MergeCheck::TooFew:
      ask(kMergeTooFewText, MessageButtons::Ok, MessageIcon::Exclamation);
      return;
    case MergeCheck::NotNeighbouring:
      ask(kMergeNotNeighboursText, MessageButtons::Ok, MessageIcon::None);
      return;
    case MergeCheck::Ok:
      break;
  }
  if (ask(kMergeConfirmText, MessageButtons::OkCancel, MessageIcon::Question) ==
      MessageAnswer::Cancel) {
    return;
  }
  list_.add(mergedLine(list_, span));
  processEvents();
  reCalc();
}

void MainWindow::bDel_Click() {
  if (list_.selCount() == 0) {
    ask(kDeleteNothingText, MessageButtons::Ok, MessageIcon::Exclamation);
    return;
  }
  if (ask(kDeleteConfirmText, MessageButtons::OkCancel, MessageIcon::Question) ==
      MessageAnswer::Cancel) {
    return;
  }
  list_.removeSelected();
  reCalc();
}

// ---- Tools and help ----

void MainWindow::asso_Click() {
  associateFileTypes(services_.settings, AssociationPlaces::fromEnvironment(services_.programPath));
}

void MainWindow::About_Click() {
  ask(std::string(kCaption) + "\n\n" + kAuthorship, MessageButtons::Ok, MessageIcon::None);
}

// ---- Command line ----

std::optional<int> MainWindow::endProgram(int status) {
  close();
  return status;
}

int MainWindow::runComparison(const CommandLine& command) {
  show();
  inFile_->setText(qs(command.sourcePath));
  outFile_->setText(qs(command.targetPath));
  if (!namesExistingFile(command.sourcePath) || !namesExistingFile(command.targetPath)) {
    ask(kFileNotFoundText, MessageButtons::Ok, MessageIcon::None);
    return kExitNotFound;
  }
  chooser_.difPath = command.difPath;
  chooser_.cmdMode = true;
  int errors = errorsReported_;
  bSer_Click();
  // A DIF is written only from a search that completed: after a failure it would be empty.
  if (!searchCompleted_) return kExitJobError;
  bdif_Click();
  return errorsReported_ == errors ? kExitDone : kExitJobError;
}

int MainWindow::runBlockInsertion(const CommandLine& command) {
  if (!namesExistingFile(command.difPath) || !namesExistingFile(command.dataPath)) {
    ask(kFileNotFoundText, MessageButtons::Ok, MessageIcon::None);
    return kExitNotFound;
  }
  show();
  chooser_.difPath = command.difPath;
  chooser_.cmdMode = true;
  difEdit_ = true;
  int errors = errorsReported_;
  redDIF_Click();
  if (errorsReported_ != errors) return kExitJobError;

  inFile_->setText(qs(command.dataPath));
  if (!command.numbersValid) {
    ask(badParametersMessage(command.line), MessageButtons::Ok, MessageIcon::None);
    return kExitBadParameters;
  }
  std::optional<FileInfo> data = services_.fs.stat(command.dataPath);
  std::optional<std::string> added = insertionLine(command, data ? data->size : 0);
  if (!added) {
    ask(badParametersMessage(command.line), MessageButtons::Ok, MessageIcon::None);
    return kExitBadParameters;
  }
  list_.add(*added);
  reCalc();
  bdif_Click();
  return errorsReported_ == errors ? kExitDone : kExitJobError;
}

std::optional<int> MainWindow::runCommandLine(const CommandLine& command) {
  if (command.minDistance && command.form == CommandForm::Comparison) {
    byteWith_->setValue(*command.minDistance);
  }
  switch (command.form) {
    case CommandForm::Empty:
      return std::nullopt;
    case CommandForm::DifFile:
      chooser_.difPath = command.difPath;
      chooser_.cmdMode = true;
      show();
      AppDif_Click();
      chooser_.cmdMode = false;
      return std::nullopt;
    case CommandForm::OtherFile:
      inFile_->setText(qs(command.sourcePath));
      return std::nullopt;
    case CommandForm::Comparison:
      return endProgram(runComparison(command));
    case CommandForm::BlockInsertion:
      return endProgram(runBlockInsertion(command));
    case CommandForm::Apply:
    case CommandForm::BadParameters:
      break;
  }
  ask(badParametersMessage(command.line), MessageButtons::Ok, MessageIcon::None);
  return endProgram(kExitBadParameters);
}

}  // namespace hm
