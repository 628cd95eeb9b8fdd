#include "app/qt/viewer_placement.h"

#include <QtTest>

namespace hm {

namespace {

// A viewer of 1,156 x 760 pixels side by side at 20 rows, 578 wide stacked; each pair of rows
// fewer takes 34 pixels off each pane.
QSize viewerSize(const ViewerLayout& layout) {
  const int pane = layout.rows * 17;
  return layout.stacked ? QSize(578, 80 + 2 * pane) : QSize(1156, 420 + pane - 340);
}

const QMargins kDecoration(1, 24, 1, 1);

// The main window of 740 x 510 pixels with its list on the left.
struct Screen {
  QRect screen;
  QPoint window;
};

QRect mainFrame(QPoint at) {
  return QRect(at, QSize(742, 535));
}

QRect listOf(const QRect& frame) {
  return QRect(frame.topLeft() + QPoint(15, 160), QSize(550, 290));
}

}  // namespace

class ViewerPlacementTest : public QObject {
  Q_OBJECT

 private slots:
  void opensBesideTheWindowAndNeverOverTheList_data() {
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QPoint>("window");
    QTest::addColumn<QString>("side");
    QTest::addColumn<bool>("stacked");
    QTest::newRow("wide screen, window at the left")
        << QRect(0, 0, 2560, 1440) << QPoint(0, 100) << "right" << false;
    QTest::newRow("full HD, window in the middle")
        << QRect(0, 0, 1920, 1080) << QPoint(589, 272) << "right" << true;
    QTest::newRow("full HD, window at the right")
        << QRect(0, 0, 1920, 1080) << QPoint(1178, 100) << "left" << false;
    QTest::newRow("1600 x 900, window at the right")
        << QRect(0, 0, 1600, 900) << QPoint(858, 100) << "left" << true;
    QTest::newRow("1280 x 900, window at the top")
        << QRect(0, 0, 1280, 900) << QPoint(270, 0) << "below" << false;
    QTest::newRow("1366 x 768, window at the left: stacked")
        << QRect(0, 0, 1366, 768) << QPoint(0, 100) << "right" << true;
    QTest::newRow("1280 x 900, window in the middle: it moves up")
        << QRect(0, 0, 1280, 900) << QPoint(270, 182) << "below" << false;
    QTest::newRow("1366 x 768, window near the top: below")
        << QRect(0, 0, 1366, 768) << QPoint(250, 0) << "below" << false;
    QTest::newRow("1600 x 900, window in the middle: over its buttons")
        << QRect(0, 0, 1600, 900) << QPoint(420, 180) << "over the buttons" << true;
    QTest::newRow("second screen to the right")
        << QRect(1920, 0, 1920, 1080) << QPoint(1920, 300) << "right" << false;
  }

  void opensBesideTheWindowAndNeverOverTheList() {
    QFETCH(QRect, screen);
    QFETCH(QPoint, window);
    QFETCH(QString, side);
    QFETCH(bool, stacked);
    const ViewerPlace place =
        placeViewer(mainFrame(window), listOf(mainFrame(window)), screen, kDecoration, viewerSize);
    const QRect frame = mainFrame(place.mainMovedTo.value_or(window));
    const QRect list = listOf(frame);
    QVERIFY(screen.contains(frame));
    QVERIFY(screen.contains(place.frame));
    QVERIFY(!place.frame.intersects(list));
    QCOMPARE(place.layout.stacked, stacked);
    QCOMPARE(place.frame.size(),
             QRect(QPoint(), viewerSize(place.layout)).marginsAdded(kDecoration).size());
    if (side == "right") QVERIFY(place.frame.left() > frame.right());
    if (side == "left") QVERIFY(place.frame.right() < frame.left());
    if (side == "below") QVERIFY(place.frame.top() > frame.bottom());
    if (side == "over the buttons") QVERIFY(place.frame.left() > list.right());
    QVERIFY(place.layout.rows >= kViewerFewestRows);
    QVERIFY(place.layout.rows <= kViewerMostRows);
  }

  // Smaller than both windows: the smallest viewer, still on the screen.
  void aTinyScreenKeepsTheViewerOnIt() {
    const QRect screen(0, 0, 800, 600);
    const QRect frame = mainFrame(QPoint(30, 30));
    const ViewerPlace place = placeViewer(frame, listOf(frame), screen, kDecoration, viewerSize);
    QVERIFY(screen.contains(place.frame));
    QCOMPARE(place.layout.rows, kViewerFewestRows);
  }
};

}  // namespace hm

QTEST_MAIN(hm::ViewerPlacementTest)
#include "viewer_placement_test.moc"
