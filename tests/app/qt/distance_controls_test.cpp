#include "app/qt/distance_controls.h"

#include "support/dif_builder.h"
#include "support/window_fixture.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QtTest>

namespace hm::test {

namespace {

QScrollBar* spin(MainWindow& w) {
  return child<QScrollBar>(w, "byteWith");
}
QLineEdit* box(MainWindow& w) {
  return child<QLineEdit>(w, "tbyteWith");
}
QComboBox* presets(MainWindow& w) {
  return child<QComboBox>(w, "cBW");
}

// The centre of one part of the scroll bar as the style draws it.
QPoint centreOf(QScrollBar* bar, QStyle::SubControl part) {
  QStyleOptionSlider option;
  option.initFrom(bar);
  option.orientation = bar->orientation();
  option.minimum = bar->minimum();
  option.maximum = bar->maximum();
  option.sliderPosition = bar->sliderPosition();
  option.sliderValue = bar->value();
  option.singleStep = bar->singleStep();
  option.pageStep = bar->pageStep();
  option.upsideDown = bar->invertedAppearance();
  return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar).center();
}

}  // namespace

class DistanceControlsTest : public QObject {
  Q_OBJECT

 private slots:
  // Up means more, whichever way the user asks for it.
  void upRaisesTheDistance_data() {
    QTest::addColumn<QString>("input");
    QTest::newRow("top arrow") << "arrow";
    QTest::newRow("Up key in the box") << "key";
    QTest::newRow("wheel over the box") << "wheel";
    QTest::newRow("wheel over the spin") << "spin wheel";
  }

  void upRaisesTheDistance() {
    QFETCH(QString, input);
    WindowFixture f;
    MainWindow& w = *f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // One step towards more (+1) or less (-1).
    auto step = [&](int direction) {
      if (input == "arrow") {
        const auto part = direction > 0 ? QStyle::SC_ScrollBarSubLine : QStyle::SC_ScrollBarAddLine;
        QTest::mouseClick(spin(w), Qt::LeftButton, {}, centreOf(spin(w), part));
      } else if (input == "key") {
        QTest::keyClick(box(w), direction > 0 ? Qt::Key_Up : Qt::Key_Down);
      } else {
        QWidget* target = input == "wheel" ? static_cast<QWidget*>(box(w)) : spin(w);
        const QPoint at = target->rect().center();
        QWheelEvent wheel(at, target->mapToGlobal(at), {}, {0, 120 * direction}, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &wheel);
      }
    };
    box(w)->setFocus();
    step(+1);
    QVERIFY(spin(w)->value() > 8);
    QCOMPARE(box(w)->text(), QString::number(spin(w)->value()));
    spin(w)->setValue(8);
    step(-1);
    QVERIFY(spin(w)->value() < 8);
    QCOMPARE(box(w)->text(), QString::number(spin(w)->value()));

    spin(w)->setValue(128);
    step(+1);
    QCOMPARE(spin(w)->value(), 128);
  }

  void theBoxNeverShowsADistanceThatIsNotInUse() {
    WindowFixture f;
    MainWindow& w = *f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    box(w)->setFocus();
    box(w)->selectAll();
    QTest::keyClicks(box(w), "200");
    QCOMPARE(box(w)->text(), QString("20"));
    QCOMPARE(spin(w)->value(), 20);
    QCOMPARE(presets(w)->currentText(), QString("20"));

    // Emptied and left: the value in use comes back.
    box(w)->clear();
    presets(w)->setFocus();
    QCOMPARE(box(w)->text(), QString("20"));

    // A preset typed out of range is not taken either.
    presets(w)->setEditText("300");
    w.findChild<DistanceControls*>()->cBW_Click();
    QCOMPARE(spin(w)->value(), 20);
    QCOMPARE(box(w)->text(), QString("20"));
    QCOMPARE(presets(w)->currentText(), QString("20"));
  }

  void doubleClickLeavesThePresetsOpen() {
    WindowFixture f;
    MainWindow& w = *f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseDClick(box(w), Qt::LeftButton);
    // The button comes up where it went down; an open popup has the mouse and hears it.
    QWidget* hearer =
        QApplication::activePopupWidget() ? QApplication::activePopupWidget() : box(w);
    const QPoint where = hearer->mapFromGlobal(box(w)->mapToGlobal(box(w)->rect().center()));
    QTest::mouseRelease(hearer, Qt::LeftButton, {}, where);
    QTRY_VERIFY(presets(w)->view()->isVisible());
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QVERIFY(presets(w)->view()->isVisible());
    presets(w)->hidePopup();
  }

  // Picking a preset would rebuild the list from a search the DIF being edited never had.
  void presetsCannotEmptyADifBeingEdited() {
    WindowFixture f;
    MainWindow& w = *f.window;
    DifBuilder dif(2);
    dif.record(0x10, {1, 2}).record(0x40, {3});
    writeFile(f.file("p.dif"), dif.bytes());
    f.dialogs.paths = {f.file("p.dif")};
    w.files().redDIF_Click();
    waitIdle(f.session);
    QCOMPARE(f.session.blocks().count(), 2);
    QVERIFY(!presets(w)->isEnabled());

    const int index = presets(w)->findText("16");
    presets(w)->setCurrentIndex(index);
    emit presets(w)->activated(index);
    QCOMPARE(f.session.blocks().count(), 2);
    QCOMPARE(spin(w)->value(), 8);
  }
};

}  // namespace hm::test

QTEST_MAIN(hm::test::DistanceControlsTest)
#include "distance_controls_test.moc"
