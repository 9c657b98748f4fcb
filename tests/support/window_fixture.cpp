#include "support/window_fixture.h"

#include "controls/text_pane.h"
#include "database/database.h"
#include "database/query.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "support/modal.h"

void WindowTest::Type(QWidget* target, const QString& text) {
  for (QChar c : text) {
    const int key = c == QLatin1Char('\r') ? Qt::Key_Return : Qt::Key_unknown;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
    QApplication::sendEvent(target, &release);
  }
}

void WindowTest::UseDatabase(const QString& alias) {
  W().Database1->SetConnected(false);
  W().Database1->SetAliasName(alias);
  W().Database1->SetDatabaseName(alias);
  W().Query1->SetDatabaseName(alias);
  W().FormShow(&W());
}

QStringList WindowTest::RunShowing(const QString& statement) {
  W().MemoSQL->setPlainText(statement);
  ModalAnswerer answerer;
  QTest::mouseClick(W().ButtonSQLExec, Qt::LeftButton);
  QApplication::processEvents();
  return answerer.Texts();
}

QStringList WindowTest::OutputLines() const {
  const QString text = window_->MemoOutput->toPlainText();
  return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}
