#include "platform/qt/qt_file_dialogs.h"

#include "support/temp_dir.h"

#include <memory>

#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTest>

namespace hm {

namespace {

FileDialogRequest request(bool save, const std::string& extension, const std::string& folder) {
  FileDialogRequest r;
  r.kind = extension == "DIF" ? FileKind::Dif : FileKind::SourceBin;
  r.save = save;
  r.title = save ? "Выберите Новый " + extension + " Файл" : "Выберите " + extension + " Файл";
  r.extension = extension;
  r.startFolder = folder;
  return r;
}

// The names the dialog lists in `folder` under its current filter, once it has read them.
QStringList listedNames(QFileDialog& dialog, const QString& folder) {
  auto* model = dialog.findChild<QFileSystemModel*>();
  if (!model) return {};
  const QModelIndex parent = model->index(folder);
  QStringList names;
  for (int row = 0; row < model->rowCount(parent); ++row) {
    names << model->index(row, 0, parent).data().toString();
  }
  names.sort();
  return names;
}

}  // namespace

class QtFileDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void headlessChooserAnswersAsCancelled() {
    QtFileDialogs dialogs;
    QCOMPARE(dialogs.choose(request(false, "BIN", "/tmp/")), std::string());
    QCOMPARE(dialogs.choose(request(true, "DIF", "/tmp/")), std::string());
  }

  void openDialogNeedsAnExistingFile() {
    test::TempDir dir;
    std::unique_ptr<QFileDialog> dialog =
        makeFileDialog(request(false, "BIN", dir.path() + "/"), nullptr);
    QCOMPARE(dialog->windowTitle(), QString("Выберите BIN Файл"));
    QCOMPARE(QDir(dialog->directory()).canonicalPath(),
             QDir(QString::fromStdString(dir.path())).canonicalPath());
    QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
    QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
    QCOMPARE(dialog->nameFilters(), (QStringList{"*.BIN (*.[Bb][Ii][Nn])", "Все файлы (*)"}));
    // The entry reads "*.BIN"; the pattern behind it stays out of sight.
    QCOMPARE(dialog->selectedNameFilter(), QString("*.BIN"));
  }

  void saveDialogConfirmsOverwriting() {
    std::unique_ptr<QFileDialog> dialog = makeFileDialog(request(true, "DIF", ""), nullptr);
    QCOMPARE(dialog->windowTitle(), QString("Выберите Новый DIF Файл"));
    QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
    QVERIFY(!dialog->testOption(QFileDialog::DontConfirmOverwrite));
    QCOMPARE(dialog->defaultSuffix(), QString("DIF"));
    QCOMPARE(dialog->nameFilters().front(), QString("*.DIF (*.[Dd][Ii][Ff])"));
  }

  void extensionFilterIgnoresLetterCase() {
    test::TempDir dir;
    for (const char* name : {"a.BIN", "b.bin", "c.Bin", "d.txt", "e.binx", "bin"}) {
      test::writeFile(dir.file(name), std::string("x"));
    }
    const QString folder = QDir(QString::fromStdString(dir.path())).canonicalPath();
    std::unique_ptr<QFileDialog> dialog =
        makeFileDialog(request(false, "BIN", folder.toStdString()), nullptr);
    dialog->show();
    QTRY_COMPARE(listedNames(*dialog, folder), (QStringList{"a.BIN", "b.bin", "c.Bin"}));

    dialog->selectNameFilter(dialog->nameFilters().back());
    QTRY_COMPARE(listedNames(*dialog, folder).size(), 6);
  }
};

}  // namespace hm

QTEST_MAIN(hm::QtFileDialogsTest)
#include "qt_file_dialogs_test.moc"
