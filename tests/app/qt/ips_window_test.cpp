#include "platform/user_texts.h"
#include "support/ips_builder.h"
#include "support/window_fixture.h"

#include <vector>

#include <QAction>
#include <QLabel>
#include <QtTest>

namespace hm::test {

// IPS files in the real window: F4 lists an IPS's blocks, "Сохранить как IPS..." writes the list
// as one, Ctrl+S saves an IPS back as an IPS, and the open dialog lists IPS files after its own.
class IpsWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void opensEditsAndSavesBackAnIps() {
    WindowFixture f;
    const std::vector<std::uint8_t> ips =
        IpsBuilder().record(0x10, {1, 2}).run(0x12, 0x20, 7).record(0x40, {3}).end().bytes();
    writeFile(f.file("p.ips"), ips);
    f.dialogs.paths = {f.file("p.ips")};
    f.window->files().redDIF_Click();
    waitIdle(f.session);
    QVERIFY(f.messenger.shown.empty());
    QCOMPARE(f.session.blocks().count(), 2);
    const FileDialogRequest& opened = f.dialogs.requests.back();
    QCOMPARE(opened.extension, std::string("DIF"));
    QCOMPARE(opened.moreExtensions, std::vector<std::string>({"IPS"}));

    child<QAction>(*f.window, "saveBack")->trigger();
    waitIdle(f.session);
    QVERIFY(f.messenger.shown.empty());
    QCOMPARE(readFile(f.file("p.ips")), ips);
    QCOMPARE(child<QLabel>(*f.window, "lStat")->text(), QString::fromUtf8(kIpsCreatedText));

    f.dialogs.paths = {f.file("copy")};
    QAction* saveIps = child<QAction>(*f.window, "saveIps");
    QVERIFY(saveIps->isEnabled());
    saveIps->trigger();
    waitIdle(f.session);
    QCOMPARE(f.dialogs.requests.back().extension, std::string("IPS"));
    QCOMPARE(readFile(f.file("copy.IPS")), ips);
  }
};

}  // namespace hm::test

QTEST_MAIN(hm::test::IpsWindowTest)
#include "ips_window_test.moc"
