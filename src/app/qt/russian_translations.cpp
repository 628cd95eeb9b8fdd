#include "app/qt/russian_translations.h"

#include "platform/qt/qt_text.h"
#include "platform/user_texts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace hm {

namespace {

// Texts of Qt's file dialog that the Russian catalogue of some Qt releases lacks; without them
// the dialog's file list would call every folder "Folder".
class MissingQtTexts : public QTranslator {
 public:
  using QTranslator::QTranslator;

  QString translate(const char* context, const char* source, const char*, int) const override {
    if (qstrcmp(context, "QAbstractFileIconProvider") != 0) return {};
    struct Text {
      const char* english;
      const char* russian;
    };
    static constexpr Text kTexts[] = {
        {"Folder", kFolderKindText},     {"File", kFileKindText},
        {"%1 File", kTypedFileKindText}, {"Drive", kDriveKindText},
        {"Shortcut", kShortcutKindText}, {"Unknown", kUnknownKindText}};
    for (const Text& t : kTexts) {
      if (qstrcmp(source, t.english) == 0) return qt(t.russian);
    }
    return {};
  }
  bool isEmpty() const override { return false; }
};

}  // namespace

bool installRussianTranslations(QCoreApplication& app) {
  const QLocale russian(QLocale::Russian, QLocale::Russia);
  // Numbers and sizes shown by Qt's dialogs follow the language of the texts.
  QLocale::setDefault(russian);
  QCoreApplication::installTranslator(new MissingQtTexts(&app));
  auto* translator = new QTranslator(&app);
  if (!translator->load(russian, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  // Installed last, so it is asked first; the missing texts answer what it does not know.
  return QCoreApplication::installTranslator(translator);
}

}  // namespace hm
