// The table name of the statement and the default insert texts.
#include "main/form1.h"

#include "text/insert_into.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>

QString TForm1::StatementText() const {
  const QTextCursor selection = MemoSQL->textCursor();
  QString text = selection.hasSelection() ? selection.selectedText() : MemoSQL->toPlainText();
  // A selection separates its lines with the paragraph separator.
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return text;
}

void UpdateInsertInto() {
  TForm1* form = Form1;
  const InsertIntoTexts texts = DeriveInsertInto(form->StatementText(), form->EdInsertInto->text(),
                                                 form->EdValues->text(), form->ChBEachRow->isChecked());
  form->TableName = texts.tableName;
  if (texts.insertInto != form->EdInsertInto->text()) form->EdInsertInto->setText(texts.insertInto);
  if (texts.values != form->EdValues->text()) form->EdValues->setText(texts.values);
  if (texts.setBraces) {
    form->ChBLeftBrace->setChecked(true);
    form->ChBRightBrace->setChecked(true);
  }
}

void TForm1::ChBEachRowClick(QObject*) { UpdateInsertInto(); }
