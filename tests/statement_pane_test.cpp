// The statement pane for people who write SQL all day: names completed from
// the connected database, the statements of this session, running the
// selection, and the colours of what is typed.
#include "controls/statement/sql_highlighter.h"
#include "controls/statement/statement_assist.h"
#include "controls/text_pane.h"
#include "database/query.h"
#include "support/modal.h"
#include "support/temp_database.h"
#include "support/window_fixture.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QCompleter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

namespace {

class UiStatementPane : public WindowTest {
protected:
  void SetUp() override {
    db_ = std::make_unique<TempDatabase>(
        QStringLiteral("create table very_long_table_name_for_cutting (amount integer, account varchar(10), note text);"
                       "insert into very_long_table_name_for_cutting values (5, 'x', 'n');"
                       "create table short (k integer);"
                       "insert into short values (1), (2);"
                       "create table \"訂單 明細\" (k integer);"),
        QStringLiteral("PANEDB"));
    WindowTest::SetUp();
    QApplication::setActiveWindow(&W());
    UseDatabase(db_->Alias());
    W().chbShowMemo->setChecked(false);
    W().MemoSQL->clear();
    W().MemoSQL->setFocus();
  }
  QAbstractItemView* Popup() { return W().SqlAssist->Completer()->popup(); }
  QStringList Offered() {
    QStringList names;
    QAbstractItemModel* model = W().SqlAssist->Completer()->completionModel();
    for (int row = 0; row < model->rowCount(); ++row) names << model->index(row, 0).data().toString();
    return names;
  }
  void CtrlSpace() { QTest::keyClick(W().MemoSQL, Qt::Key_Space, Qt::ControlModifier); }
  void RunWithF5() {
    ModalAnswerer answerer;
    QTest::keyClick(W().MemoSQL, Qt::Key_F5);
    QApplication::processEvents();
    messages_ = answerer.Texts();
  }
  std::unique_ptr<TempDatabase> db_;
  QStringList messages_;
};

}  // namespace

TEST_F(UiStatementPane, TableNamesCompleteAfterThreeLettersAndOnCtrlSpace) {
  // Two letters offer nothing; the third opens the list without taking the
  // keys: typing goes on into the statement.
  Type(W().MemoSQL, QStringLiteral("select * from ve"));
  QApplication::processEvents();  // the list follows what the pane took
  EXPECT_FALSE(Popup()->isVisible());
  Type(W().MemoSQL, QStringLiteral("r"));
  QApplication::processEvents();  // the list follows what the pane took
  ASSERT_TRUE(Popup()->isVisible());
  EXPECT_EQ(Offered(), QStringList({QStringLiteral("very_long_table_name_for_cutting")}));
  Type(W().MemoSQL, QStringLiteral("y"));
  QApplication::processEvents();  // the list follows what the pane took
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("select * from very"));
  QTest::keyClick(W().MemoSQL, Qt::Key_Return);  // the pane keeps the keyboard while the list shows
  EXPECT_FALSE(Popup()->isVisible());
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("select * from very_long_table_name_for_cutting"));
  // Esc closes the list and changes nothing.
  Type(W().MemoSQL, QStringLiteral(" where sho"));
  QApplication::processEvents();  // the list follows what the pane took
  ASSERT_TRUE(Popup()->isVisible());
  QTest::keyClick(W().MemoSQL, Qt::Key_Escape);
  EXPECT_FALSE(Popup()->isVisible());
  EXPECT_TRUE(W().MemoSQL->toPlainText().endsWith(QStringLiteral(" where sho")));
  // Ctrl+Space with a single candidate takes it at once; a name that is no
  // plain name is completed quoted.
  W().MemoSQL->setPlainText(QStringLiteral("select * from sh"));
  W().MemoSQL->moveCursor(QTextCursor::End);
  CtrlSpace();
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("select * from short"));
  W().MemoSQL->setPlainText(QStringLiteral("select * from 訂"));
  W().MemoSQL->moveCursor(QTextCursor::End);
  CtrlSpace();
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("select * from \"訂單 明細\""));
  RunWithF5();
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join(QLatin1Char('\n')).toStdString();
  // F5 while the list shows runs the statement, as ever.
  W().ButtonClearResult->click();
  W().MemoSQL->clear();
  Type(W().MemoSQL, QStringLiteral("select k from short"));
  QApplication::processEvents();  // the list follows what the pane took
  ASSERT_TRUE(Popup()->isVisible());
  RunWithF5();
  EXPECT_FALSE(Popup()->isVisible());
  EXPECT_EQ(OutputLines(), QStringList({"1", "2"}));
}

TEST_F(UiStatementPane, FieldNamesOfTheTablesOfTheStatementComplete) {
  // A word in a statement whose FROM part names the table.
  W().MemoSQL->setPlainText(QStringLiteral("select amo from very_long_table_name_for_cutting"));
  QTextCursor cursor = W().MemoSQL->textCursor();
  cursor.setPosition(static_cast<int>(QStringLiteral("select amo").size()));
  W().MemoSQL->setTextCursor(cursor);
  CtrlSpace();
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("select amount from very_long_table_name_for_cutting"));
  // After "table." only that table's fields.
  W().MemoSQL->setPlainText(QStringLiteral("select short."));
  W().MemoSQL->moveCursor(QTextCursor::End);
  CtrlSpace();
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("select short.k"));
  W().MemoSQL->setPlainText(QStringLiteral("select very_long_table_name_for_cutting.a"));
  W().MemoSQL->moveCursor(QTextCursor::End);
  CtrlSpace();
  ASSERT_TRUE(Popup()->isVisible());
  EXPECT_EQ(Offered(), QStringList({QStringLiteral("account"), QStringLiteral("amount")}));
  // Reading the fields left the window's result as it was.
  EXPECT_FALSE(W().Query1->Active());
}

TEST_F(UiStatementPane, AltUpAndDownRecallTheStatementsRunAndUndoTakesThemBack) {
  for (const char* statement : {"select k from short", "select k from short", "select amount from very_long_table_name_for_cutting",
                                "select k from short where k = 2"}) {
    W().MemoSQL->setPlainText(QLatin1String(statement));
    RunWithF5();
  }
  // A repeat in a row is kept once.
  EXPECT_EQ(W().SqlAssist->History().size(), 3);
  W().MemoSQL->setPlainText(QStringLiteral("draft"));
  QTest::keyClick(W().MemoSQL, Qt::Key_Up, Qt::AltModifier);
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("select k from short where k = 2"));
  QTest::keyClick(W().MemoSQL, Qt::Key_Up, Qt::AltModifier);
  QTest::keyClick(W().MemoSQL, Qt::Key_Up, Qt::AltModifier);
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("select k from short"));
  QTest::keyClick(W().MemoSQL, Qt::Key_Up, Qt::AltModifier);  // nothing older
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("select k from short"));
  QTest::keyClick(W().MemoSQL, Qt::Key_Down, Qt::AltModifier);
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("select amount from very_long_table_name_for_cutting"));
  // Each recall is one undo step.
  W().MemoSQL->undo();
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("select k from short"));
  W().MemoSQL->undo();
  W().MemoSQL->undo();
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("select k from short where k = 2"));
  W().MemoSQL->undo();
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("draft"));
  // Down past the newest brings back the text there was before.
  QTest::keyClick(W().MemoSQL, Qt::Key_Up, Qt::AltModifier);
  QTest::keyClick(W().MemoSQL, Qt::Key_Down, Qt::AltModifier);
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("draft"));
}

TEST_F(UiStatementPane, ASelectionRunsAloneAndItsTableNamesTheInsertStatements) {
  W().ChBEachRow->setChecked(true);
  W().ChBColName->setChecked(true);
  W().MemoSQL->setPlainText(QStringLiteral("select amount from very_long_table_name_for_cutting\nselect k from short\n"));
  QTextCursor line = W().MemoSQL->textCursor();
  line.setPosition(static_cast<int>(W().MemoSQL->toPlainText().indexOf(QLatin1String("select k"))));
  line.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  W().MemoSQL->setTextCursor(line);
  RunWithF5();
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join(QLatin1Char('\n')).toStdString();
  EXPECT_EQ(OutputLines(), QStringList({"use qledger", "go", "insert into short (k) values (1)",
                                        "insert into short (k) values (2)", "go"}));
  EXPECT_EQ(W().TableName, QStringLiteral("short"));
  // A selection that starts with a blank is refused as the whole text is.
  line.setPosition(static_cast<int>(W().MemoSQL->toPlainText().indexOf(QLatin1String(" from short"))));
  line.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  W().MemoSQL->setTextCursor(line);
  RunWithF5();
  EXPECT_EQ(messages_, QStringList({QStringLiteral("指令必須以select開始")}));
}

TEST_F(UiStatementPane, EachKindOfTextHasItsColour) {
  W().MemoSQL->setPlainText(QStringLiteral(
      "select 'it''s', \"a name\", 12.5e3, x -- a comment\n"
      "from t /* a comment\nover lines */ where s = 'open\nover a line'"));
  SqlHighlighter* highlighter = W().SqlAssist->Highlighter();
  using Kind = SqlHighlighter::Kind;
  // The kind of text at each of these places of the document.
  auto kindAt = [&](const QString& piece) -> QString {
    const int at = static_cast<int>(W().MemoSQL->toPlainText().indexOf(piece));
    const QTextBlock block = W().MemoSQL->document()->findBlock(at);
    for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
      const int position = at - block.position();
      if (position < range.start || position >= range.start + range.length) continue;
      for (Kind kind : {Kind::Keyword, Kind::Text, Kind::Name, Kind::Number, Kind::Comment})
        if (range.format.foreground() == highlighter->Format(kind).foreground()) return QString::number(static_cast<int>(kind));
    }
    return QStringLiteral("plain");
  };
  const auto kind = [](Kind k) { return QString::number(static_cast<int>(k)); };
  EXPECT_EQ(kindAt(QStringLiteral("select")), kind(Kind::Keyword));
  EXPECT_EQ(kindAt(QStringLiteral("it''s")), kind(Kind::Text));
  EXPECT_EQ(kindAt(QStringLiteral("a name")), kind(Kind::Name));
  EXPECT_EQ(kindAt(QStringLiteral("12.5e3")), kind(Kind::Number));
  EXPECT_EQ(kindAt(QStringLiteral("x --")), QStringLiteral("plain"));
  EXPECT_EQ(kindAt(QStringLiteral("-- a comment")), kind(Kind::Comment));
  EXPECT_EQ(kindAt(QStringLiteral("over lines")), kind(Kind::Comment));
  EXPECT_EQ(kindAt(QStringLiteral("where")), kind(Kind::Keyword));
  EXPECT_EQ(kindAt(QStringLiteral("over a line")), kind(Kind::Text));
  // An unclosed quote colours to its end and no further than a closing one.
  W().MemoSQL->setPlainText(QStringLiteral("select 'open\nfrom t\n' from t"));
  EXPECT_EQ(kindAt(QStringLiteral("from t\n")), kind(Kind::Text));
  EXPECT_EQ(kindAt(QStringLiteral(" from t")), QStringLiteral("plain"));
}

TEST(StatementTables, TheFromPartNamesItsTables) {
  EXPECT_EQ(TablesOfStatement(QStringLiteral("select a from t1 x, \"t 2\" as y join t3 on 1=1 where b = 1")),
            QStringList({"t1", "t 2", "t3"}));
  EXPECT_EQ(TablesOfStatement(QStringLiteral("select 1")), QStringList());
}
