#include "platform/qt/qt_file_dialogs.h"

#include "platform/qt/qt_messenger.h"
#include "platform/qt/qt_text.h"
#include "platform/user_texts.h"

#include <QFileDialog>
#include <QStringList>

namespace hm {

namespace {

// "*.[Dd][Ii][Ff]": the extension in any letter case, whatever the file system's case rules.
QString anyCasePattern(const QString& extension) {
  QString pattern = QStringLiteral("*.");
  for (QChar c : extension) {
    if (c.isLetter()) {
      pattern += u'[' + c.toUpper() + c.toLower() + u']';
    } else {
      pattern += c;
    }
  }
  return pattern;
}

QString nameFilter(const QString& extension) {
  return QStringLiteral("*.%1 (%2)").arg(extension, anyCasePattern(extension));
}

QStringList nameFilters(const FileDialogRequest& request) {
  QStringList filters = {nameFilter(qt(request.extension)), qt(kAllFilesFilterText)};
  for (const std::string& more : request.moreExtensions) filters += nameFilter(qt(more));
  return filters;
}

}  // namespace

std::unique_ptr<QFileDialog> makeFileDialog(const FileDialogRequest& request, QWidget* parent) {
  const QString extension = qt(request.extension);
  auto dialog = std::make_unique<QFileDialog>(parent, qt(request.title));
  // Qt's own dialog behaves the same on every desktop and can be driven in tests.
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setOption(QFileDialog::HideNameFilterDetails);
  if (!request.startFolder.empty()) {
    dialog->setDirectory(qt(request.startFolder));
  }
  const QStringList filters = nameFilters(request);
  dialog->setNameFilters(filters);
  dialog->selectNameFilter(filters.front());
  if (request.save) {
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    // The caller appends the extension to a bare name; appending it here already lets the
    // overwrite question cover the file that will really be written.
    dialog->setDefaultSuffix(extension);
  } else {
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
  }
  return dialog;
}

std::string QtFileDialogs::choose(const FileDialogRequest& request) {
  if (isHeadlessPlatform()) return {};
  std::unique_ptr<QFileDialog> dialog = makeFileDialog(request, parent_);
  if (dialog->exec() != QDialog::Accepted) return {};
  const QStringList files = dialog->selectedFiles();
  return files.isEmpty() ? std::string() : utf8(files.front());
}

}  // namespace hm
