#pragma once

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

}  // namespace hm::test
