#include "support/window_fixture.h"

#include <QKeyEvent>

void WindowTest::Type(QWidget* target, const QString& text) {
  for (QChar c : text) {
    const int key = c == QLatin1Char('\r') ? Qt::Key_Return : Qt::Key_unknown;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
    QApplication::sendEvent(target, &release);
  }
}
