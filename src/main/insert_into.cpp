// The table name of the statement and the default insert texts.
#include "main/form1.h"

#include "text/text_utils.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

// Removes blanks and control characters at both ends.
QString TrimControls(const QString& text) {
  qsizetype from = 0, to = text.size();
  while (from < to && text.at(from).unicode() <= ' ') ++from;
  while (to > from && text.at(to - 1).unicode() <= ' ') --to;
  return text.mid(from, to - from);
}

}  // namespace

QString TForm1::StatementText() const {
  QString text = MemoSQL->toPlainText();
  text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return text;
}

void UpdateInsertInto() {
  TForm1* form = Form1;
  const QString statement = form->StatementText();
  // 1-based position of "from", 0 when absent; the name starts at p + 5.
  const qsizetype p = LowerAscii(statement).indexOf(QLatin1String("from")) + 1;
  QString table = TrimControls(statement.mid(p + 4, 20));
  if (const qsizetype blank = table.indexOf(QLatin1Char(' ')); blank >= 0) table = TrimControls(table.left(blank));
  form->TableName = table;

  if (form->ChBEachRow->isChecked() && form->EdInsertInto->text().trimmed().isEmpty() &&
      form->EdValues->text().trimmed().isEmpty()) {
    form->EdInsertInto->setText(QStringLiteral("insert into ") + (p > 0 ? table : QString()));
    form->EdValues->setText(QStringLiteral("values"));
    form->ChBLeftBrace->setChecked(true);
    form->ChBRightBrace->setChecked(true);
  }

  const QString insertInto = form->EdInsertInto->text();
  if (!insertInto.isEmpty() && (table.isEmpty() || !insertInto.contains(table))) {
    const qsizetype into = insertInto.indexOf(QLatin1String("into"), 0, Qt::CaseInsensitive);
    // A text without "into" becomes a whole insert clause rather than its
    // first three characters.
    const QString head = into >= 0 ? insertInto.left(into + 4) : QStringLiteral("insert into");
    form->EdInsertInto->setText(head + QLatin1Char(' ') + table);
  }
}

void TForm1::ChBEachRowClick(QObject*) { UpdateInsertInto(); }
