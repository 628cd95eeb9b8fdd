#include "blocks/qt/column_header.h"

#include "blocks/qt/block_list_view.h"

#include <memory>
#include <vector>

#include <QFontDatabase>
#include <QFrame>
#include <QHeaderView>
#include <QImage>
#include <QSet>
#include <QTest>

namespace hm {

namespace {

struct Column {
  const char* caption;
  int width;
};

const Column kStartColumns[] = {{"Начало", 75}, {"Конец", 75}, {"Длина", 75}, {"Дистанция", 75}};
const Column kDifColumns[] = {{"Начало", 49}, {"Конец", 49},     {"Длина", 45},
                              {"Дист-я", 49}, {"Офсет Dat", 49}, {"Файл", 175}};

template <std::size_t N>
void addColumns(QHeaderView* header, const Column (&columns)[N]) {
  int index = 0;
  for (const Column& c : columns) AddColumn(header, index++, c.width, 2, 0, QString(c.caption));
}

void paint(QHeaderView* header) {
  header->viewport()->repaint();
}

int colourCount(const QImage& image) {
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
  }
  return static_cast<int>(colours.size());
}

using Stops = std::vector<int>;

}  // namespace

class ColumnHeaderTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    frame_ = std::make_unique<QFrame>();
    frame_->resize(440, 260);
    view_ = new BlockListView(list_, frame_.get());
    view_->setGeometry(10, 40, 400, 200);
    frame_->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame_.get()));
    table_ = std::make_unique<HeaderTable>();
    header_ = CreateHeader(*table_, view_, 10, 24, 400, 16);
  }

  void cleanup() {
    if (table_) RemoveHeader(*table_, header_);
    frame_.reset();
    table_.reset();
  }

  void headerSitsOverTheListInItsFrame() {
    QCOMPARE(header_->parentWidget(), frame_.get());
    QCOMPARE(header_->geometry(), QRect(10, 24, 400, 16));
    QVERIFY(header_->isVisible());
    QCOMPARE(header_->font(), QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    QCOMPARE(table_->FindHeader(header_), 0);
    BlockListView* list = nullptr;
    QCOMPARE(table_->LookupHeader(header_, &list), 0);
    QCOMPARE(list, view_);
  }

  void startUpColumnsSetThreeStops() {
    addColumns(header_, kStartColumns);
    paint(header_);
    QCOMPARE(header_->count(), 4);
    QCOMPARE(header_->model()->headerData(3, Qt::Horizontal).toString(), QString("Дистанция"));
    QCOMPARE(header_->sectionSize(2), 75);
    QCOMPARE(view_->tabStops(), (Stops{50, 100, 150}));
  }

  void everyPaintRederivesTheStops() {
    addColumns(header_, kStartColumns);
    view_->setTabStops({7});
    paint(header_);
    QCOMPARE(view_->tabStops(), (Stops{50, 100, 150}));
    view_->setTabStops({7});
    const QImage drawn = header_->grab().toImage();
    QCOMPARE(view_->tabStops(), (Stops{50, 100, 150}));
    // The header itself still drew its captions and dividers.
    QVERIFY(colourCount(drawn) > 2);
  }

  void switchingToDifColumnsPassesThroughDefaultStops() {
    addColumns(header_, kStartColumns);
    for (int i = 5; i >= 2; --i) DeleteColumn(header_, i);
    paint(header_);
    QCOMPARE(view_->tabStops(), (Stops{50}));
    DeleteColumn(header_, 1);
    paint(header_);
    QCOMPARE(view_->tabStops(), Stops{});
    DeleteColumn(header_, 0);
    paint(header_);
    QCOMPARE(header_->count(), 0);
    QCOMPARE(view_->tabStops(), Stops{});

    addColumns(header_, kDifColumns);
    paint(header_);
    QCOMPARE(header_->model()->headerData(5, Qt::Horizontal).toString(), QString("Файл"));
    QCOMPARE(view_->tabStops(), (Stops{33, 65, 95, 128, 161}));
  }

  void columnInsertedInFrontShiftsTheOthers() {
    AddColumn(header_, 0, 75, 2, 0, "B");
    AddColumn(header_, 0, 30, 2, 0, "A");
    AddColumn(header_, 99, 45, 2, 0, "C");
    paint(header_);
    QCOMPARE(header_->model()->headerData(0, Qt::Horizontal).toString(), QString("A"));
    QCOMPARE(header_->model()->headerData(2, Qt::Horizontal).toString(), QString("C"));
    QCOMPARE(view_->tabStops(), (Stops{20, 70}));
  }

  void deletingAnAbsentColumnChangesNothing() {
    addColumns(header_, kStartColumns);
    DeleteColumn(header_, 4);
    DeleteColumn(header_, -1);
    QCOMPARE(header_->count(), 4);
  }

  void resizedColumnMovesItsStop() {
    addColumns(header_, kStartColumns);
    header_->resizeSection(0, 90);
    QCOMPARE(view_->tabStops(), (Stops{60, 110, 160}));
  }

  void draggingADividerMovesTheStopWhileDragging() {
    addColumns(header_, kStartColumns);
    QWidget* viewport = header_->viewport();
    const int y = viewport->height() / 2;
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(74, y));
    QTest::mouseMove(viewport, QPoint(82, y));
    QTest::mouseMove(viewport, QPoint(89, y));
    QCOMPARE(header_->sectionSize(0), 90);
    QCOMPARE(view_->tabStops().front(), 60);
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(89, y));
    QCOMPARE(view_->tabStops(), (Stops{60, 110, 160}));
  }

  void removedHeaderNoLongerDrivesTheList() {
    addColumns(header_, kStartColumns);
    paint(header_);
    RemoveHeader(*table_, header_);
    QCOMPARE(table_->FindHeader(header_), -1);
    QCOMPARE(table_->LastHeaderIndex(), -1);
    view_->setTabStops({});
    header_->resizeSection(0, 90);
    paint(header_);
    QCOMPARE(view_->tabStops(), Stops{});
  }

  void removingAnUnknownHeaderChangesNothing() {
    QHeaderView stranger(Qt::Horizontal);
    addColumns(header_, kStartColumns);
    RemoveHeader(*table_, &stranger);
    RemoveHeader(*table_, nullptr);
    QCOMPARE(table_->LastHeaderIndex(), 0);
    view_->setTabStops({});
    paint(header_);
    QCOMPARE(view_->tabStops(), (Stops{50, 100, 150}));
  }

  void tableKeepsRegistrationOrder() {
    QHeaderView a(Qt::Horizontal), b(Qt::Horizontal), c(Qt::Horizontal);
    QCOMPARE(table_->RegisterHeader(&a, view_), 1);
    QCOMPARE(table_->RegisterHeader(&b, nullptr), 2);
    QCOMPARE(table_->RegisterHeader(&c, view_), 3);
    QCOMPARE(table_->LastHeaderIndex(), 3);

    table_->UnregisterHeader(1);
    QCOMPARE(table_->FindHeader(&a), -1);
    QCOMPARE(table_->FindHeader(&b), 1);
    QCOMPARE(table_->FindHeader(&c), 2);
    QCOMPARE(table_->FindHeader(header_), 0);
    BlockListView* list = view_;
    QCOMPARE(table_->LookupHeader(&b, &list), 1);
    QCOMPARE(list, nullptr);
    QCOMPARE(table_->LookupHeader(&a, &list), -1);
    QCOMPARE(list, nullptr);

    // An index past the end must not cost the last header its entry.
    table_->UnregisterHeader(3);
    table_->UnregisterHeader(-1);
    QCOMPARE(table_->LastHeaderIndex(), 2);

    table_->UnregisterHeader(2);
    table_->UnregisterHeader(1);
    table_->UnregisterHeader(0);
    QCOMPARE(table_->LastHeaderIndex(), -1);
    QCOMPARE(table_->FindHeader(header_), -1);
  }

  // A window's members, the table among them, go before its widgets.
  void headerOutlivingItsTableStopsDrivingTheList() {
    addColumns(header_, kStartColumns);
    table_.reset();
    view_->setTabStops({7});
    header_->resizeSection(0, 90);
    paint(header_);
    QCOMPARE(view_->tabStops(), Stops{7});
  }

  void destroyedHeaderLeavesTheTable() {
    auto* other = new QHeaderView(Qt::Horizontal);
    QCOMPARE(table_->RegisterHeader(other, view_), 1);
    delete other;
    QCOMPARE(table_->LastHeaderIndex(), 0);
    QCOMPARE(table_->FindHeader(header_), 0);
  }

 private:
  BlockList list_;
  std::unique_ptr<HeaderTable> table_;
  std::unique_ptr<QFrame> frame_;
  BlockListView* view_ = nullptr;
  QHeaderView* header_ = nullptr;
};

}  // namespace hm

QTEST_MAIN(hm::ColumnHeaderTest)
#include "column_header_test.moc"
