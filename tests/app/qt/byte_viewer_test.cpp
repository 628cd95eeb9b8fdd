#include "app/qt/byte_viewer.h"

#include "app/qt/hex_pane.h"
#include "blocks/block_line.h"
#include "blocks/hex_format.h"
#include "blocks/qt/block_list_view.h"
#include "support/dif_builder.h"
#include "support/window_fixture.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QtTest>

namespace hm::test {

namespace {

// A window whose search found these blocks in a 0x1000-byte pair: each block's first and last
// bytes changed, the bytes between them not.
void fill(WindowFixture& f, const std::vector<BlockSpan>& blocks) {
  std::vector<std::uint8_t> source(0x1000, 0), target(0x1000, 0);
  for (const BlockSpan& b : blocks) target[b.start] = target[b.end] = 1;
  writeFile(f.file("s.bin"), source);
  writeFile(f.file("t.bin"), target);
  f.dialogs.paths = {f.file("s.bin"), f.file("t.bin")};
  f.window->files().Command1_Click();
  f.window->files().Command2_Click();
  f.window->bSer_Click();
}

QAction* action(MainWindow& w, const char* name) {
  return w.findChild<QAction*>(QString::fromLatin1(name));
}

ByteViewer* openViewer(MainWindow& w) {
  action(w, "mnuBytes")->trigger();
  return w.findChild<ByteViewer*>();
}

QString summary(MainWindow& w) {
  return w.findChild<ByteViewer*>()->summary()->text();
}

}  // namespace

class ByteViewerTest : public QObject {
  Q_OBJECT

 private slots:
  void opensOnTheCaretLineSourceBesideTarget() {
    WindowFixture f;
    fill(f, {{0x10, 0x10}, {0x40, 0x43}, {0x80, 0x80}});
    listView(*f.window)->selectRows({1}, 1);
    ByteViewer* viewer = openViewer(*f.window);
    QVERIFY(viewer && viewer->isVisible());
    QCOMPARE(viewer->windowTitle(), QString("Байты блока"));
    QCOMPARE(summary(*f.window), QString("000040–000043, 4 байта, изменено 2"));
    QVERIFY(viewer->pane(1)->isVisible());
    QCOMPARE(viewer->caption(0)->text(), QString("Исходный"));
    QCOMPARE(viewer->caption(1)->text(), QString("Конечный"));
    QCOMPARE(action(*f.window, "mnuBytes")->shortcut(), QKeySequence(Qt::Key_F2));
    // Opening again brings back the same window.
    QCOMPARE(openViewer(*f.window), viewer);
    // Closed, it holds nothing of the images: a new search does not keep the old ones mapped.
    viewer->close();
    QVERIFY(!viewer->bytes().shown());
    QCOMPARE(openViewer(*f.window), viewer);
    QCOMPARE(summary(*f.window), QString("000040–000043, 4 байта, изменено 2"));
  }

  void followsTheCaretAndTheEdits() {
    WindowFixture f;
    fill(f, {{0x10, 0x10}, {0x40, 0x43}, {0x50, 0x51}, {0x80, 0x80}});
    listView(*f.window)->selectRows({0}, 0);
    openViewer(*f.window);
    QCOMPARE(summary(*f.window), QString("000010–000010, 1 байт, изменено 1"));

    listView(*f.window)->setFocus();
    QTest::keyClick(listView(*f.window), Qt::Key_Down);
    QCOMPARE(summary(*f.window), QString("000040–000043, 4 байта, изменено 2"));

    // Merged, the block also carries the unchanged bytes between its runs.
    listView(*f.window)->selectRows({1, 2}, 1);
    f.window->bSplit_Click();
    const int caret = f.session.blocks().caret();
    QVERIFY(caret >= 0);
    const BlockSpan merged = readBlockSpan(f.session.blocks().text(caret));
    QCOMPARE(merged.start, 0x40);
    QCOMPARE(merged.end, 0x51);
    QCOMPARE(summary(*f.window), QString("000040–000051, 18 байт, изменено 4"));

    listView(*f.window)->selectRows({caret}, caret);
    f.window->bDel_Click();
    const int after = f.session.blocks().caret();
    if (after < 0) {
      QCOMPARE(summary(*f.window), QString("Блок не выбран."));
    } else {
      const BlockSpan now = readBlockSpan(f.session.blocks().text(after));
      QVERIFY(summary(*f.window).startsWith(QString::fromStdString(HexPad(now.start, 6) + "–")));
    }
  }

  void difLineShowsOnePaneAndDataBlocksTheirFile() {
    WindowFixture f;
    writeFile(f.file("p.dif"), DifBuilder(1).record(0x20, {7, 8}).bytes());
    f.dialogs.paths = {f.file("p.dif")};
    f.window->files().redDIF_Click();
    waitIdle(f.session);
    QVERIFY(f.session.editingDif());
    listView(*f.window)->selectRows({0}, 0);
    ByteViewer* viewer = openViewer(*f.window);
    QCOMPARE(summary(*f.window), QString("000020–000021, 2 байта"));
    QVERIFY(viewer->pane(0)->isVisible());
    QVERIFY(!viewer->pane(1)->isVisible());
    QCOMPARE(viewer->caption(0)->text(), QString("Из DIF файла"));
    QCOMPARE(viewer->bytes().row(0, viewer->bytes().rowOf(0x20))[0].value, 7);

    writeFile(f.file("data.bin"), std::vector<std::uint8_t>{0, 0, 0, 0, 5, 6});
    f.session.blocks().add("000040\t000041\t02\t00\t04\t" + f.file("data.bin"));
    f.window->reCalc();
    listView(*f.window)->selectRows({1}, 1);
    QCOMPARE(viewer->caption(0)->text(), QString("data.bin, офсет 000004"));
    QCOMPARE(viewer->bytes().row(0, viewer->bytes().rowOf(0x40))[0].value, 5);

    std::remove(f.file("data.bin").c_str());
    listView(*f.window)->selectRows({0}, 0);
    listView(*f.window)->selectRows({1}, 1);
    QCOMPARE(summary(*f.window),
             QString::fromStdString("Не удалось прочитать файл данных: " + f.file("data.bin")));
  }

  // A right-click selects the line under the pointer; the menu's commands act on it.
  void listMenuActsOnTheLineUnderThePointer() {
    WindowFixture f;
    fill(f, {{0x10, 0x10}, {0x40, 0x43}, {0x80, 0x80}});
    BlockListView* list = listView(*f.window);
    list->selectRows({0}, 0);
    const QPoint onThird = list->visualRect(2).center();
    QTest::mousePress(list->viewport(), Qt::RightButton, {}, onThird);
    QCOMPARE(f.session.blocks().caret(), 2);
    QCOMPARE(f.session.blocks().selCount(), 1);
    // Inside a selection, the selection stays and the line under the pointer takes the caret.
    list->selectRows({0, 1, 2}, 0);
    QTest::mousePress(list->viewport(), Qt::RightButton, {}, list->visualRect(1).center());
    QCOMPARE(f.session.blocks().caret(), 1);
    QCOMPARE(f.session.blocks().selCount(), 3);
    list->selectRows({2}, 2);
    emit list->customContextMenuRequested(onThird);
    auto* menu = f.window->findChild<QMenu*>("lstMenu");
    QVERIFY(menu && menu->isVisible());
    QStringList captions;
    for (QAction* a : menu->actions()) {
      if (!a->isSeparator()) captions << a->text();
    }
    QCOMPARE(captions, (QStringList{"Байты блока", "Объединить", "Удалить", "Изменить адреса...",
                                    "Отменить", "Повторить"}));
    QVERIFY(action(*f.window, "lmEdit")->isEnabled());
    menu->hide();

    f.blockDialogs.answerAddresses = [](AddressExchange& e) { e.accepted = false; };
    action(*f.window, "lmEdit")->trigger();
    QCOMPARE(f.blockDialogs.seenAddresses.back().blockStart, 0x80);
    action(*f.window, "lmDel")->trigger();
    QCOMPARE(f.session.blocks().count(), 2);
  }

  // Dragging over the bytes selects them, in the hexadecimal and the text column alike.
  void dragSelectsBytesToCopy() {
    WindowFixture f;
    fill(f, {{0x40, 0x43}});
    listView(*f.window)->selectRows({0}, 0);
    ByteViewer* viewer = openViewer(*f.window);
    HexPane* target = viewer->pane(1);
    const int row = target->rowHeight();
    auto pointAt = [&](std::int64_t address) {
      for (int x = 0; x < target->viewport()->width(); ++x) {
        const QPoint p(
            x, static_cast<int>(address / 16 - viewer->bytes().rowAddress(0) / 16) * row + row / 2);
        if (target->addressAt(p) == address) return p;
      }
      return QPoint(-1, -1);
    };
    const QPoint from = pointAt(0x3F);
    const QPoint to = pointAt(0x41);
    QVERIFY(from.x() >= 0 && to.x() >= 0);
    QTest::mousePress(target->viewport(), Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, to, target->viewport()->mapToGlobal(to), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target->viewport(), &move);
    QCOMPARE(target->selectedText(), QString("00\n01 00"));
    QCOMPARE(viewer->pane(0)->selectedText(), QString());
  }
};

}  // namespace hm::test

QTEST_MAIN(hm::test::ByteViewerTest)
#include "byte_viewer_test.moc"
