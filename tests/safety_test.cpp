// Inputs meant to do harm: values that would escape a generated script,
// statements that would write through a window that only reads.
#include "ui/clipboard.h"
#include "database/failure.h"
#include "controls/text_pane.h"
#include "text/row_text.h"
#include "database/database.h"
#include "database/password_mask.h"
#include "database/query.h"
#include "database/statement_text.h"
#include "support/modal.h"
#include "support/temp_database.h"
#include "support/window_fixture.h"

#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString Sqlite3(const QString& file, const QString& sql) {
  QProcess shell;
  shell.start(QStringLiteral("sqlite3"), {file});
  shell.write(sql.toUtf8());
  shell.closeWriteChannel();
  EXPECT_TRUE(shell.waitForFinished(30000));
  EXPECT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString();
  return QString::fromUtf8(shell.readAllStandardOutput());
}

const char* kTrickySchema =
    "create table tricky (i integer, r real, m money, t varchar(60));"
    "create table victim (a integer); insert into victim values (1);";

}  // namespace

using UiScriptInjection = WindowTest;

// The insert script of a table whose number columns hold text (SQLite allows
// it), run by sqlite3 on a copy of the schema, gives back the same table and
// touches nothing else.
TEST_F(UiScriptInjection, InsertScriptRoundTripsThroughSqlite3) {
  TempDatabase db(QString::fromLatin1(kTrickySchema) + QStringLiteral(
      "insert into tricky values (1, 0.5, 12.5, 'plain');"
      "insert into tricky values ('0,0,''x''); drop table victim; --', 'abc', 'n/a', 'it''s');"
      "insert into tricky values ('1); delete from victim; select (1', '1e', '-', 'both '' and \"');"
      "insert into tricky values (-42, -1.5e300, null, null);"
      "insert into tricky values ('12abc', '', ' 7', '中文 \"quoted\"');"),
                  QStringLiteral("INJECTDB"));
  UseDatabase(db.Alias());
  W().chbShowMemo->setChecked(false);
  W().ChBEachRow->setChecked(true);
  W().ChBColName->setChecked(true);
  W().MemoSQL->setPlainText(QStringLiteral("select * from tricky"));
  QTest::mouseClick(W().ButtonSQLExec, Qt::LeftButton);

  QStringList script;
  for (const QString& line : OutputLines())
    if (line != QLatin1String("use qledger") && line != QLatin1String("go")) script << line + QLatin1Char(';');
  ASSERT_EQ(script.size(), 5);
  EXPECT_TRUE(script[1].contains(QStringLiteral("\"0,0,'x'); drop table victim; --\""))) << script[1].toStdString();

  QTemporaryDir dir;
  const QString copy = dir.filePath(QStringLiteral("copy.db"));
  Sqlite3(copy, QString::fromLatin1(kTrickySchema));
  Sqlite3(copy, script.join(QLatin1Char('\n')));
  const QString dump = QStringLiteral("select quote(i), quote(r), quote(m), quote(t) from tricky order by rowid;");
  EXPECT_EQ(Sqlite3(copy, dump), Sqlite3(db.Path(), dump));
  EXPECT_EQ(Sqlite3(copy, QStringLiteral("select count(*) from victim;")), QStringLiteral("1\n"));
}

using UiReadOnlyRun = WindowTest;

TEST_F(UiReadOnlyRun, TheWindowRefusesASecondStatementBeforeAnythingRuns) {
  TempDatabase db(QStringLiteral("create table keepme (a integer); insert into keepme values (1), (2);"),
                  QStringLiteral("KEEPDB"));
  UseDatabase(db.Alias());
  W().chbShowMemo->setChecked(false);
  ModalAnswerer answerer;
  W().MemoSQL->setPlainText(QStringLiteral("select 1 as a; delete from keepme"));
  QTest::mouseClick(W().ButtonSQLExec, Qt::LeftButton);
  EXPECT_EQ(answerer.Texts(), QStringList({MultipleStatementsMessage()}));
  W().MemoSQL->setPlainText(QStringLiteral("select count(*) as n from keepme"));
  QTest::mouseClick(W().ButtonSQLExec, Qt::LeftButton);
  EXPECT_EQ(OutputLines(), QStringList({QStringLiteral("2")}));
}

using UiClipboardCopy = WindowTest;

// The right-click copy skips the rich-text control it used to go through;
// the text on the clipboard must stay what that control gave.
TEST_F(UiClipboardCopy, RightClickCopyGivesWhatARichTextCopyGave) {
  const QString text = QStringLiteral("a\u00A0b\tc\u2028d\u2029e 中文\u200B\nline 2\n\n");
  QTextEdit buffer;
  buffer.setPlainText(text);
  buffer.selectAll();
  buffer.copy();
  const QString before = QGuiApplication::clipboard()->text();
  W().MemoOutput->setPlainText(text);
  QGuiApplication::clipboard()->clear();
  QTest::mouseClick(W().MemoOutput->viewport(), Qt::RightButton, {}, QPoint(10, 10));
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), before.toStdString());
  EXPECT_EQ(RichTextCopyText(text).toStdString(), before.toStdString());
}

// A value of megabytes makes one line: only its visible part is laid out,
// and the caret, clicks and selection still land on the right characters.
TEST(UiLongLine, TheVisiblePartOfAHugeLineIsWhereTheCaretSays) {
  TTextPane pane;
  pane.resize(400, 200);
  pane.show();
  QString huge(5'000'000, QLatin1Char('x'));
  huge[4'000'000] = QChar(0x4E2D);  // one wide character on the way
  huge += QStringLiteral("END");
  pane.setPlainText(QStringLiteral("first\n") + huge + QStringLiteral("\nlast"));
  pane.setCaretPosition(6);
  QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
  QApplication::sendEvent(&pane, &end);
  EXPECT_EQ(pane.caretPosition(), 6 + huge.size());
  ASSERT_GT(pane.horizontalScrollBar()->value(), 0);
  EXPECT_FALSE(pane.viewport()->grab().isNull());
  const QFontMetrics fm = pane.fontMetrics();
  QWidget* view = pane.viewport();
  QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::ShiftModifier);
  for (int i = 0; i < 3; ++i) QApplication::sendEvent(&pane, &left);
  EXPECT_EQ(pane.selectedText(), QStringLiteral("END"));
  const int lineY = fm.lineSpacing() + fm.lineSpacing() / 2;  // the second line
  QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(view->width() - 1, lineY));
  // The click lands within a few characters of the end.
  EXPECT_GE(pane.caretPosition(), 6 + huge.size() - view->width() / std::max(1, fm.horizontalAdvance(QLatin1Char('x'))));
  EXPECT_LE(pane.caretPosition(), 6 + huge.size());
}

TEST_F(UiReadOnlyRun, BytesThatAreNoUtf8AreShownAsReplacementsAndCounted) {
  TempDatabase db(QStringLiteral("create table t (n integer, s varchar(10));"
                                 "insert into t values (1, cast(x'41FF42' as text)), (2, 'ok'), (3, cast(x'C3' as text));"),
                  QStringLiteral("UTF8DB"));
  UseDatabase(db.Alias());
  W().chbShowMemo->setChecked(false);
  ModalAnswerer answerer;
  W().MemoSQL->setPlainText(QStringLiteral("select * from t"));
  QTest::mouseClick(W().ButtonSQLExec, Qt::LeftButton);
  EXPECT_EQ(OutputLines(), QStringList({QStringLiteral("1,'A\uFFFDB'"), QStringLiteral("2,'ok'"),
                                        QStringLiteral("3,'\uFFFD'")}));
  ASSERT_EQ(answerer.Texts().size(), 1);
  EXPECT_TRUE(answerer.Texts().first().contains(QStringLiteral("有 2 個文字值"))) << answerer.Texts().first().toStdString();
}
