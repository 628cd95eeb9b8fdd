#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QTest>
#include <QWidget>

namespace hm::test {

// QTest::keyClicks sends only Latin-1 (it asserts on Cyrillic), so other letters go out as a
// key carrying its text, as a keyboard in the Russian layout delivers them.
inline void typeText(QWidget* widget, const QString& text) {
  for (QChar ch : text) {
    if (ch.unicode() < 0x80) {
      QTest::keyClick(widget, ch.toLatin1());
    } else {
      QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(ch.toUpper().unicode()), QString(ch),
                          Qt::NoModifier);
    }
  }
}

inline QLineEdit* field(QDialog& dialog, const char* name) {
  return dialog.findChild<QLineEdit*>(QString::fromLatin1(name));
}

inline QString labelText(QDialog& dialog, const char* name) {
  return dialog.findChild<QLabel*>(QString::fromLatin1(name))->text();
}

inline void click(QDialog& dialog, const char* button) {
  QTest::mouseClick(dialog.findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
}

inline void retype(QDialog& dialog, const char* name, const QString& text) {
  QLineEdit* edit = field(dialog, name);
  edit->clear();
  typeText(edit, text);
}

}  // namespace hm::test
