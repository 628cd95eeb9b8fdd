#include "blocks/qt/block_list_view.h"

#include "blocks/qt/tab_stop_fields.h"
#include "blocks/tab_stops.h"

#include <memory>
#include <string>
#include <vector>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QPaintEvent>
#include <QRegion>
#include <QScrollBar>
#include <QTest>

namespace hm {

namespace {

using Offsets = std::vector<int>;
using Rows = std::vector<int>;

std::string line(int start) {
  char text[32];
  std::snprintf(text, sizeof text, "%06X\t%06X\t01\t00\t", start, start);
  return text;
}

std::vector<int> selectedRows(const BlockList& list) {
  std::vector<int> rows;
  for (int row = 0; row < list.count(); ++row) {
    if (list.isSelected(row)) rows.push_back(row);
  }
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

// Counts the lines the view paints.
class CountingView : public BlockListView {
 public:
  using BlockListView::BlockListView;
  int paints = 0;

 protected:
  void paintRow(QPainter& painter, int row, const QRect& rect) override {
    ++paints;
    BlockListView::paintRow(painter, row, rect);
  }
};

// One user action on the list: a click on a row, or a key.
struct Action {
  int row;  // -1: a key
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
};

Action click(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  return {row, Qt::Key_unknown, modifiers};
}

Action key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  return {-1, k, modifiers};
}

}  // namespace

}  // namespace hm

Q_DECLARE_METATYPE(std::vector<hm::Action>)

namespace hm {

class BlockListViewTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    list_ = std::make_unique<BlockList>();
    view_ = std::make_unique<CountingView>(*list_);
    view_->resize(400, 300);
  }

  void cleanup() {
    view_.reset();
    list_.reset();
  }

  void scrollRangeFollowsEveryListChange() {
    view_->show();
    QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
    const int visible = view_->viewport()->height() / view_->rowHeight();
    QScrollBar* bar = view_->verticalScrollBar();
    for (int i = 0; i < 100; ++i) list_->insert(i, line(i));
    QCOMPARE(bar->maximum(), 100 - visible);
    QCOMPARE(bar->pageStep(), visible);
    {
      BlockList::Batch batch(*list_);
      for (int i = 0; i < 50; ++i) list_->remove(0);
    }
    QCOMPARE(bar->maximum(), 50 - visible);
    view_->scrollToBottom();
    list_->clear();
    QCOMPARE(bar->maximum(), 0);
    QCOMPARE(view_->firstVisibleRow(), 0);
  }

  void replacedLineIsRepainted() {
    for (int i = 0; i < 3; ++i) list_->add(line(i));
    view_->show();
    QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
    view_->selectRows({}, 1);
    QCoreApplication::processEvents();
    PaintWatcher watcher(view_->viewport());
    list_->replaceCaret("FFFFFF\tFFFFFF\t01\t00\t");
    QTRY_VERIFY(watcher.painted.contains(view_->visualRect(1)));
  }

  void lineTextIsUtf8() {
    list_->insert(0, "000000\t000001\t02\t00\t00\t/данные/файл.bin");
    QCOMPARE(view_->lineText(0), QString("000000\t000001\t02\t00\t00\t/данные/файл.bin"));
  }

  void selectRowsSetsTheListsSelectionAndCaret() {
    for (int i = 0; i < 6; ++i) list_->add(line(i));
    view_->selectRows({4, 1, 2, 99}, 4);
    QCOMPARE(selectedRows(*list_), (Rows{1, 2, 4}));
    QCOMPARE(list_->selCount(), 3);
    QCOMPARE(list_->caret(), 4);
    view_->selectRows({});
    QCOMPARE(list_->selCount(), 0);
    QCOMPARE(list_->caret(), 4);
  }

  void clicksAndKeysSelect_data() {
    QTest::addColumn<std::vector<Action>>("actions");
    QTest::addColumn<Rows>("selected");
    QTest::addColumn<int>("caret");
    const auto shift = Qt::ShiftModifier;
    const auto ctrl = Qt::ControlModifier;
    QTest::newRow("click") << std::vector{click(1), click(3)} << Rows{3} << 3;
    QTest::newRow("shift-click") << std::vector{click(1), click(3, shift)} << Rows{1, 2, 3} << 3;
    QTest::newRow("ctrl-click drops and adds")
        << std::vector{click(1), click(3, shift), click(2, ctrl), click(5, ctrl)} << Rows{1, 3, 5}
        << 5;
    QTest::newRow("ctrl-shift-click adds a range")
        << std::vector{click(0), click(3, ctrl), click(5, ctrl | shift)} << Rows{0, 3, 4, 5} << 5;
    QTest::newRow("click below the lines drops the selection")
        << std::vector{click(1), click(3, shift), click(40)} << Rows{} << 3;
    QTest::newRow("arrows") << std::vector{click(2), key(Qt::Key_Down), key(Qt::Key_Down)}
                            << Rows{4} << 4;
    QTest::newRow("arrow stops at the ends")
        << std::vector{click(1), key(Qt::Key_Up), key(Qt::Key_Up)} << Rows{0} << 0;
    QTest::newRow("shift-arrows") << std::vector{click(2), key(Qt::Key_Down, shift),
                                                 key(Qt::Key_Down, shift), key(Qt::Key_Up, shift)}
                                  << Rows{2, 3} << 3;
    QTest::newRow("ctrl-arrows move the caret alone, ctrl-space toggles")
        << std::vector{click(2), key(Qt::Key_Down, ctrl), key(Qt::Key_Down, ctrl),
                       key(Qt::Key_Space, ctrl)}
        << Rows{2, 4} << 4;
    QTest::newRow("home and end") << std::vector{click(2), key(Qt::Key_End)} << Rows{5} << 5;
    QTest::newRow("shift-home") << std::vector{click(2), key(Qt::Key_Home, shift)} << Rows{0, 1, 2}
                                << 0;
    QTest::newRow("ctrl-a") << std::vector{click(2), key(Qt::Key_A, ctrl)} << Rows{0, 1, 2, 3, 4, 5}
                            << 2;
  }

  void clicksAndKeysSelect() {
    QFETCH(std::vector<Action>, actions);
    QFETCH(Rows, selected);
    QFETCH(int, caret);
    for (int i = 0; i < 6; ++i) list_->add(line(i));
    view_->show();
    QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
    int presses = 0;
    connect(view_.get(), &BlockListView::pressed, [&presses] { ++presses; });
    int clicks = 0;
    for (const Action& a : actions) {
      if (a.row >= 0) {
        ++clicks;
        const QPoint at(5, a.row * view_->rowHeight() + 2);
        QTest::mouseClick(view_->viewport(), Qt::LeftButton, a.modifiers, at);
      } else {
        QTest::keyClick(view_.get(), a.key, a.modifiers);
      }
    }
    QCOMPARE(selectedRows(*list_), selected);
    QCOMPARE(list_->selCount(), static_cast<int>(selected.size()));
    QCOMPARE(list_->caret(), caret);
    QVERIFY(presses <= clicks);
  }

  void pageKeysMoveByWhatIsVisible() {
    for (int i = 0; i < 1000; ++i) list_->insert(i, line(i));
    view_->show();
    QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
    const int visible = view_->viewport()->height() / view_->rowHeight();
    view_->selectRows({0}, 0);
    QTest::keyClick(view_.get(), Qt::Key_PageDown);
    QCOMPARE(list_->caret(), visible - 1);
    QTest::keyClick(view_.get(), Qt::Key_PageDown);
    QCOMPARE(list_->caret(), 2 * (visible - 1));
    // The caret line is brought into view.
    QVERIFY(view_->viewport()->rect().contains(view_->visualRect(list_->caret())));
    QTest::keyClick(view_.get(), Qt::Key_End);
    QCOMPARE(view_->firstVisibleRow(), 1000 - visible);
  }

  void doubleClickNamesTheLineAndPutsTheCaretOnIt() {
    for (int i = 0; i < 6; ++i) list_->add(line(i));
    view_->show();
    QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
    std::vector<int> rows;
    connect(view_.get(), &BlockListView::doubleClicked, [&rows](int row) { rows.push_back(row); });
    QTest::mouseDClick(view_->viewport(), Qt::LeftButton, {}, view_->visualRect(4).center());
    QTest::mouseDClick(view_->viewport(), Qt::LeftButton, {}, QPoint(5, 250));
    QCOMPARE(rows, (std::vector<int>{4}));
    QCOMPARE(list_->caret(), 4);
  }

  void frozenViewLeavesTheSelectionAlone() {
    for (int i = 0; i < 6; ++i) list_->add(line(i));
    view_->show();
    QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
    view_->selectRows({1}, 1);
    view_->setFrozen(true);
    QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, view_->visualRect(3).center());
    QTest::keyClick(view_.get(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(view_.get(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(selectedRows(*list_), (Rows{1}));
    QCOMPARE(list_->caret(), 1);
    view_->setFrozen(false);
    QTest::keyClick(view_.get(), Qt::Key_Down);
    QCOMPARE(selectedRows(*list_), (Rows{2}));
  }

  void caretFollowsTheListWhenLinesComeAndGo() {
    for (int i = 0; i < 5; ++i) list_->add(line(i));
    view_->selectRows({1, 3}, 2);

    list_->insert(0, line(0x100));
    QCOMPARE(list_->caret(), 3);
    QCOMPARE(selectedRows(*list_), (Rows{2, 4}));

    // Removing the caret line leaves the caret on the line that took its place.
    list_->remove(3);
    QCOMPARE(list_->caret(), 3);

    list_->remove(2);
    QCOMPARE(list_->selCount(), 1);
    QCOMPARE(selectedRows(*list_), (Rows{2}));
  }

  void batchKeepsTheSelectionTheListKeeps() {
    for (int i = 0; i < 5; ++i) list_->add(line(i));
    view_->selectRows({0, 1, 4}, 4);
    {
      BlockList::Batch batch(*list_);
      list_->add(line(9));
    }
    QCOMPARE(selectedRows(*list_), (Rows{0, 1, 4}));
    QCOMPARE(list_->caret(), 4);

    view_->selectRows({1, 2}, 2);
    list_->removeSelected();
    QCOMPARE(list_->count(), 4);
    QCOMPARE(list_->selCount(), 0);
    QCOMPARE(list_->caret(), 1);
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
    const QRect wide = view_->visualRect(0);
    const QRect narrow = view_->visualRect(1);

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

  // Filling, scrolling to the end, and changing one line among millions paint what is visible.
  void millionLinesCostOnlyTheVisibleRows() {
    view_->show();
    QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
    constexpr int kLines = 1'000'000;
    {
      BlockList::Batch batch(*list_);
      list_->reserve(kLines);
      for (int i = 0; i < kLines; ++i) list_->insert(i, line(i));
    }
    view_->scrollToBottom();
    view_->viewport()->repaint();
    QCoreApplication::processEvents();
    const int visibleRows = view_->viewport()->height() / view_->rowHeight() + 2;
    QVERIFY2(view_->paints <= 4 * visibleRows, qPrintable(QString::number(view_->paints)));
    QVERIFY(view_->viewport()->rect().contains(view_->visualRect(kLines - 1)));

    view_->paints = 0;
    list_->remove(kLines / 2);
    list_->insert(kLines / 3, line(7));
    view_->viewport()->repaint();
    QCoreApplication::processEvents();
    QVERIFY2(view_->paints <= 2 * visibleRows, qPrintable(QString::number(view_->paints)));

    QTest::keyClick(view_.get(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(list_->selCount(), kLines);
  }

 private:
  std::unique_ptr<BlockList> list_;
  std::unique_ptr<CountingView> view_;
};

}  // namespace hm

QTEST_MAIN(hm::BlockListViewTest)
#include "block_list_view_test.moc"
