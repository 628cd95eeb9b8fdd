// Shows the main window after a search over the example pair and saves a picture of it,
// as a person would see it on a real display.
#include "app/qt/block_dialogs.h"
#include "app/qt/main_window.h"
#include "app/qt/russian_translations.h"
#include "platform/qt/qt_file_dialogs.h"
#include "platform/qt/qt_messenger.h"
#include "platform/settings_store.h"

#include <cstdio>

#include <QApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: window_screenshot SOURCE TARGET OUT.png\n");
    return 2;
  }
  QApplication app(argc, argv);
  app.setWindowIcon(QIcon(":/hexmarshal.svg"));
  hm::installRussianTranslations(app);
  hm::QtMessenger messenger;
  hm::QtFileDialogs dialogs;
  hm::ModalBlockDialogs blockDialogs(messenger);
  hm::SettingsStore settings(hm::realFileSystem(), hm::SettingsStore::defaultPath());
  hm::MainWindow window(
      {messenger, dialogs, blockDialogs, hm::realFileSystem(), hm::systemClock(), settings, ""});
  window.findChild<QLineEdit*>("inFile")->setText(argv[1]);
  window.findChild<QLineEdit*>("outFile")->setText(argv[2]);
  window.show();
  window.bSer_Click();
  QTimer::singleShot(500, [&] {
    QPixmap shot = window.screen()->grabWindow(
        0, window.frameGeometry().x(), window.frameGeometry().y(), window.frameGeometry().width(),
        window.frameGeometry().height());
    if (shot.isNull()) shot = window.grab();
    app.exit(shot.save(argv[3]) ? 0 : 1);
  });
  return app.exec();
}
