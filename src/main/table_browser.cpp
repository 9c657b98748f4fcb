// The table box: the field browser and the key echo.
#include "main/form1.h"

#include "text/codepage.h"
#include "database/engine_wait.h"
#include "database/failure.h"
#include "ui/messages.h"
#include "text/row_text.h"
#include "database/backend.h"
#include "database/database.h"
#include "database/query.h"
#include "text/names.h"
#include "controls/db_image.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextCursor>

void TForm1::CmbTablesEnter(QObject*) {
  const QString table = CmbTables->currentText();
  // A table of the list whose name is no plain name ("sales old",
  // "sales--old") is named quoted, as the engine quotes names; a text the
  // user typed is the user's own SQL and stays as it is.
  const bool listed = CmbTables->findText(table, Qt::MatchFixedString | Qt::MatchCaseSensitive) >= 0;
  const BackendConnection* connection = Database1->Connection();
  const QString named = listed ? SpelledName(table, connection ? connection->IdentifierQuote() : QLatin1Char('"')) : table;
  DBImage1->SetDataField(QString());
  DBImage1->SetAutoDisplay(false);
  Query1->Close();
  // Connecting to a database without tables leaves nothing to browse: the
  // statement "select * from  where 1=2" could only fail, and the user did
  // not ask for it. An emptied box the user leaves is reported, as before.
  if (!(InFormShow && table.trimmed().isEmpty())) BrowseTable(named);
  if (!InFormShow && (table.isEmpty() || !MemoSQL->toPlainText().contains(table)))
    AppendStatementLine(QStringLiteral("select * from ") + named);
}

// The fields of a table into the field box, its row count into the label.
void TForm1::BrowseTable(const QString& named) {
  Query1->SQL().SetText(QStringLiteral("select * from ") + named + QStringLiteral(" where 1=2"));
  try {
    Query1->Open();
    LabelFieldCnt->setText(QString::number(Query1->FieldCount()));
    MemoFields->clear();
    QStringList lines;
    for (int i = 0; i < Query1->FieldCount(); ++i) {
      const TField* field = Query1->Fields(i);
      lines << field->FieldName() + QLatin1Char('\t') + FieldTypeName(field->DataType()) + QLatin1Char('(') +
                   QString::number(field->DataSize()) + QLatin1Char(')');
    }
    MemoFields->setPlainText(lines.join(QLatin1Char('\n')));
    Query1->Close();
    Query1->SQL().SetText(QStringLiteral("select count(*) as rec_cnt from ") + named);
    Query1->Open();
    LabelRecCnt->setText(QString::number(Query1->FieldByName(QStringLiteral("rec_cnt"))->AsInteger()));
    Query1->Close();
  } catch (const EStopped& stopped) {
    ShowMessage(stopped.Message());
  } catch (const EQueryHeld&) {
    throw;  // a run holds the query: nothing of the browser happens
  } catch (const Failure& failure) {
    ShowError(failure.Message());
  }
}

void TForm1::CmbTablesKeyPress(QObject*, QChar& key) {
  // The character's code in the window's code page (its first byte for a
  // two-byte character).
  const QByteArray bytes = ToBig5(QString(key));
  const int code = bytes.isEmpty() ? 0 : static_cast<unsigned char>(bytes.at(0));
  LabelFieldCnt->setText(QStringLiteral("Ord(") + key + QStringLiteral(")=") + QString::number(code));
  if (code == 13) LabelFieldCnt->setText(QStringLiteral("Ord( )=") + QStringLiteral("13"));
  LabelFieldCnt->setText(LabelFieldCnt->text() + QStringLiteral(" = Hex(") +
                         QStringLiteral("%1").arg(code, 2, 16, QLatin1Char('0')).toUpper() + QLatin1Char(')'));
  if (code == 13) CmbTablesEnter(this);
}

// A line added below the statement, as one step of its undo history.
void TForm1::AppendStatementLine(const QString& line) {
  QTextCursor cursor(MemoSQL->document());
  cursor.beginEditBlock();
  cursor.movePosition(QTextCursor::End);
  if (!MemoSQL->document()->isEmpty()) cursor.insertBlock();
  cursor.insertText(line);
  cursor.endEditBlock();
}
