#include "blocks/qt/block_list_view.h"

#include "blocks/qt/block_list_model.h"
#include "blocks/qt/tab_stop_delegate.h"
#include "blocks/tab_stops.h"

#include <memory>
#include <string>
#include <vector>

#include <QAbstractItemModelTester>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QPaintEvent>
#include <QRegion>
#include <QSignalSpy>
#include <QTest>

namespace hm {

namespace {

using Offsets = std::vector<int>;

std::string line(int start) {
  char text[32];
  std::snprintf(text, sizeof text, "%06X\t%06X\t01\t00\t", start, start);
  return text;
}

QStringList modelLines(const QAbstractItemModel& model) {
  QStringList lines;
  for (int row = 0; row < model.rowCount(); ++row) {
    lines << model.data(model.index(row, 0), Qt::DisplayRole).toString();
  }
  return lines;
}

QStringList listLines(const BlockList& list) {
  QStringList lines;
  for (int row = 0; row < list.count(); ++row) {
    std::string_view text = list.text(row);
    lines << QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  }
  return lines;
}

std::vector<int> selectedRows(const BlockList& list) {
  std::vector<int> rows;
  for (int row = 0; row < list.count(); ++row) {
    if (list.isSelected(row)) rows.push_back(row);
  }
  return rows;
}

std::vector<int> viewSelectedRows(const QListView& view) {
  std::vector<int> rows;
  for (const QModelIndex& index : view.selectionModel()->selectedIndexes()) {
    rows.push_back(index.row());
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

// Left edges of the runs of dark text in one unselected row of the image, runs closer than
// `gap` joined. The row's edges stay out of it, where a focus frame may be drawn.
std::vector<int> inkRuns(const QImage& image, const QRect& row, int gap) {
  const QRect band = row.adjusted(3, 3, -3, -3);
  std::vector<int> starts;
  int lastInk = -gap - 1;
  for (int x = band.left(); x <= band.right(); ++x) {
    bool ink = false;
    for (int y = band.top(); y <= band.bottom() && !ink; ++y) {
      ink = qGray(image.pixel(x, y)) < 128;
    }
    if (!ink) continue;
    if (x - lastInk > gap) starts.push_back(x);
    lastInk = x;
  }
  return starts;
}

// Collects what a widget repaints by itself.
class PaintWatcher : public QObject {
 public:
  explicit PaintWatcher(QWidget* widget) { widget->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(event)->region();
    return false;
  }
  QRegion painted;
};

// Counts the per-row work a view asks of its delegate.
class CountingDelegate : public TabStopDelegate {
 public:
  using TabStopDelegate::TabStopDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    ++paints;
    TabStopDelegate::paint(painter, option, index);
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    ++sizeHints;
    return TabStopDelegate::sizeHint(option, index);
  }
  mutable int paints = 0;
  mutable int sizeHints = 0;
};

}  // namespace

class BlockListViewTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    list_ = std::make_unique<BlockList>();
    view_ = std::make_unique<BlockListView>(*list_);
    view_->resize(400, 300);
    tester_ = std::make_unique<QAbstractItemModelTester>(
        view_->blockModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
  }

  void cleanup() {
    tester_.reset();
    view_.reset();
    list_.reset();
  }

  void modelFollowsEveryListChange() {
    for (int start : {0x20, 0x05, 0x10}) list_->add(line(start));
    QCOMPARE(modelLines(*view_->blockModel()), listLines(*list_));
    QCOMPARE(view_->blockModel()->rowCount(), 3);

    list_->insert(1, "inserted\t");
    list_->insert(99, "appended\t");
    QCOMPARE(modelLines(*view_->blockModel()), listLines(*list_));

    QSignalSpy changed(view_->blockModel(), &QAbstractItemModel::dataChanged);
    view_->selectRows({2}, 2);
    list_->replaceCaret("replaced\t");
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.front().front().toModelIndex().row(), 2);
    QCOMPARE(modelLines(*view_->blockModel()).at(2), QString("replaced\t"));

    list_->remove(0);
    list_->remove(42);
    QCOMPARE(modelLines(*view_->blockModel()), listLines(*list_));

    list_->clear();
    QCOMPARE(view_->blockModel()->rowCount(), 0);
  }

  void batchReachesTheViewAsOneReset() {
    list_->add(line(1));
    QSignalSpy resets(view_->blockModel(), &QAbstractItemModel::modelReset);
    QSignalSpy inserts(view_->blockModel(), &QAbstractItemModel::rowsInserted);
    {
      BlockList::Batch batch(*list_);
      for (int i = 2; i < 100; ++i) list_->add(line(i));
      list_->remove(0);
    }
    QCOMPARE(resets.count(), 1);
    QCOMPARE(inserts.count(), 0);
    QCOMPARE(modelLines(*view_->blockModel()), listLines(*list_));
  }

  void replacedLineIsRepainted() {
    for (int i = 0; i < 3; ++i) list_->add(line(i));
    view_->show();
    QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
    view_->selectRows({}, 1);
    QCoreApplication::processEvents();
    PaintWatcher watcher(view_->viewport());
    list_->replaceCaret("FFFFFF\tFFFFFF\t01\t00\t");
    const QRect row = view_->visualRect(view_->blockModel()->index(1));
    QTRY_VERIFY(watcher.painted.contains(row));
  }

  void lineTextIsUtf8() {
    list_->insert(0, "000000\t000001\t02\t00\t00\t/данные/файл.bin");
    QCOMPARE(modelLines(*view_->blockModel()).front(),
             QString("000000\t000001\t02\t00\t00\t/данные/файл.bin"));
  }

  void selectionIsMirroredIntoTheList() {
    for (int i = 0; i < 6; ++i) list_->add(line(i));
    view_->selectRows({4, 1, 2, 99}, 4);
    QCOMPARE(selectedRows(*list_), (std::vector<int>{1, 2, 4}));
    QCOMPARE(list_->selCount(), 3);
    QCOMPARE(list_->caret(), 4);

    QItemSelectionModel* selection = view_->selectionModel();
    selection->select(view_->blockModel()->index(2), QItemSelectionModel::Deselect);
    selection->select(QItemSelection(view_->blockModel()->index(3), view_->blockModel()->index(5)),
                      QItemSelectionModel::Select);
    selection->setCurrentIndex(view_->blockModel()->index(0), QItemSelectionModel::NoUpdate);
    QCOMPARE(selectedRows(*list_), (std::vector<int>{1, 3, 4, 5}));
    QCOMPARE(list_->selCount(), 4);
    QCOMPARE(list_->caret(), 0);

    view_->selectRows({});
    QCOMPARE(list_->selCount(), 0);
    QCOMPARE(list_->caret(), 0);
  }

  void clicksAndKeysSelectSeveralLines() {
    for (int i = 0; i < 6; ++i) list_->add(line(i));
    view_->show();
    QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
    auto click = [this](int row, Qt::KeyboardModifiers modifiers) {
      const QPoint at = view_->visualRect(view_->blockModel()->index(row)).center();
      QTest::mouseClick(view_->viewport(), Qt::LeftButton, modifiers, at);
    };
    click(1, Qt::NoModifier);
    click(3, Qt::ShiftModifier);
    QCOMPARE(selectedRows(*list_), (std::vector<int>{1, 2, 3}));
    QCOMPARE(list_->caret(), 3);
    click(2, Qt::ControlModifier);
    QCOMPARE(selectedRows(*list_), (std::vector<int>{1, 3}));
    QCOMPARE(list_->caret(), 2);
    QTest::keyClick(view_.get(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(list_->selCount(), 6);
  }

  void caretFollowsTheListWhenLinesComeAndGo() {
    for (int i = 0; i < 5; ++i) list_->add(line(i));
    view_->selectRows({1, 3}, 2);

    list_->insert(0, line(0x100));
    QCOMPARE(list_->caret(), 3);
    QCOMPARE(view_->currentIndex().row(), 3);
    QCOMPARE(selectedRows(*list_), (std::vector<int>{2, 4}));
    QCOMPARE(viewSelectedRows(*view_), (std::vector<int>{2, 4}));

    // Removing the caret line leaves the caret on the line that took its place.
    list_->remove(3);
    QCOMPARE(list_->caret(), 3);
    QCOMPARE(view_->currentIndex().row(), 3);

    list_->remove(2);
    QCOMPARE(list_->selCount(), 1);
    QCOMPARE(selectedRows(*list_), (std::vector<int>{2}));
    QCOMPARE(viewSelectedRows(*view_), (std::vector<int>{2}));
    QCOMPARE(list_->caret(), view_->currentIndex().row());
  }

  void resetLeavesNothingSelected() {
    for (int i = 0; i < 5; ++i) list_->add(line(i));
    view_->selectRows({0, 1, 4}, 4);
    {
      BlockList::Batch batch(*list_);
      list_->add(line(9));
    }
    QCOMPARE(list_->selCount(), 0);
    QVERIFY(view_->selectionModel()->selection().isEmpty());
    QCOMPARE(view_->currentIndex().row(), list_->caret());

    view_->selectRows({1, 2}, 2);
    list_->removeSelected();
    QCOMPARE(list_->count(), 4);
    QCOMPARE(list_->selCount(), 0);
    QCOMPARE(view_->currentIndex().row(), list_->caret());
  }

  void fieldOffsets_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::vector<int>>("stops");
    QTest::addColumn<Offsets>("expected");
    QTest::newRow("start-up columns")
        << "0\t0\t0\t0" << std::vector<int>{50, 100, 150} << Offsets{0, 75, 150, 225};
    QTest::newRow("default stops") << "0\t0\t0" << std::vector<int>{} << Offsets{0, 48, 96};
    QTest::newRow("empty fields") << "\t\t" << std::vector<int>{50, 100} << Offsets{0, 75, 150};
    QTest::newRow("no tab") << "000010" << std::vector<int>{50} << Offsets{0};
    QTest::newRow("DIF-editing columns")
        << "0\t0\t0\t0\t0\t/a" << std::vector<int>{33, 65, 95, 128, 161}
        << Offsets{0, 50, 98, 143, 192, 242};
  }

  void fieldOffsets() {
    QFETCH(QString, text);
    QFETCH(std::vector<int>, stops);
    QFETCH(Offsets, expected);
    const QFontMetrics metrics(view_->font());
    QVERIFY(metrics.horizontalAdvance("0") < 33);
    QCOMPARE(hm::fieldOffsets(text, stops, metrics), expected);
  }

  void wideFieldPushesTheNextOnePastItsStop() {
    const QFontMetrics metrics(view_->font());
    QString wide;
    while (metrics.horizontalAdvance(wide) <= 80) wide += u'W';
    const Offsets offsets =
        hm::fieldOffsets(wide + "\t0\t0", std::vector<int>{50, 100, 150}, metrics);
    QCOMPARE(offsets, (Offsets{0, 150, 225}));
  }

  void drawnFieldsStartAtTheirStops() {
    if (QFontDatabase::families().isEmpty()) QSKIP("no fonts to draw with");
    list_->insert(0, "000010\t000010\t000010\t000010");
    list_->insert(1, "0\t0\t0\t0");
    view_->show();
    QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
    const QRect wide = view_->visualRect(view_->blockModel()->index(0));
    const QRect narrow = view_->visualRect(view_->blockModel()->index(1));

    view_->setTabStops({50, 100, 150});
    QImage image = view_->viewport()->grab().toImage();
    for (const QRect& row : {wide, narrow}) {
      const std::vector<int> runs = inkRuns(image, row, 12);
      QCOMPARE(runs.size(), std::size_t{4});
      QCOMPARE(runs[1] - runs[0], 75);
      QCOMPARE(runs[2] - runs[0], 150);
      QCOMPARE(runs[3] - runs[0], 225);
    }

    view_->setTabStops({});
    image = view_->viewport()->grab().toImage();
    const std::vector<int> runs = inkRuns(image, narrow, 12);
    const int spacing = tabStopPixels(kDefaultTabStop);
    QCOMPARE(runs.size(), std::size_t{4});
    QCOMPARE(runs[1] - runs[0], spacing);
    QCOMPARE(runs[3] - runs[0], 3 * spacing);
  }

  void millionLinesCostOnlyTheVisibleRows() {
    auto* delegate = new CountingDelegate(view_->tabStops(), view_.get());
    view_->setItemDelegate(delegate);
    view_->show();
    QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
    constexpr int kLines = 1'000'000;
    {
      BlockList::Batch batch(*list_);
      list_->reserve(kLines, 24);
      for (int i = 0; i < kLines; ++i) list_->insert(i, line(i));
    }
    tester_.reset();  // the tester walks every row on a reset
    view_->scrollToBottom();
    view_->viewport()->repaint();
    QCoreApplication::processEvents();

    const int visibleRows = view_->viewport()->height() / view_->sizeHintForRow(0) + 2;
    QVERIFY2(delegate->sizeHints <= 4, qPrintable(QString::number(delegate->sizeHints)));
    QVERIFY2(delegate->paints <= 4 * visibleRows, qPrintable(QString::number(delegate->paints)));
    const QRect lastLine = view_->visualRect(view_->blockModel()->index(kLines - 1));
    QVERIFY(view_->viewport()->rect().contains(lastLine));

    QTest::keyClick(view_.get(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(list_->selCount(), kLines);
  }

 private:
  std::unique_ptr<BlockList> list_;
  std::unique_ptr<BlockListView> view_;
  std::unique_ptr<QAbstractItemModelTester> tester_;
};

}  // namespace hm

QTEST_MAIN(hm::BlockListViewTest)
#include "block_list_view_test.moc"
