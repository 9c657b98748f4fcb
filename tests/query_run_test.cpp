// Running a statement through the window and the lines it writes.
#include "controls/db_grid.h"
#include "controls/db_image.h"
#include "controls/text_pane.h"
#include "database/query.h"
#include "support/modal.h"
#include "support/temp_database.h"
#include "support/window_fixture.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

namespace {

class UiQueryRun : public WindowTest {
protected:
  void SetUp() override {
    db_ = std::make_unique<TempDatabase>(QStringLiteral(
        "create table T1 (a integer, b varchar(10));"
        "insert into T1 values (1, 'x'), (2, null);"
        "create table Q (a integer, b varchar(20));"
        "insert into Q values (1, 'it''s'), (2, null), (3, 'abc'), (4, 'both '' and \"'), (5, 'say \"hi\"');"
        "create table V (n integer, ok boolean, bl blob, at datetime, f float);"
        "insert into V values (null, 1, x'00FF', '2024-02-29 00:00:00', 1.5);"
        "insert into V values (7, 0, x'', '2024-02-29 00:00:00.001', null);"
        "create table N (i integer);"
        "with recursive c(x) as (select 1 union all select x + 1 from c where x < 3000) insert into N select x from c;"
        "create table E (a integer);"),
        QStringLiteral("RUNDB"));
    WindowTest::SetUp();
    UseDatabase(db_->Alias());
    W().chbShowMemo->setChecked(false);
  }
  void Run(const QString& statement) {
    W().MemoSQL->setPlainText(statement);
    QTest::mouseClick(W().ButtonSQLExec, Qt::LeftButton);
  }
  void InsertMode() {
    W().ChBEachRow->setChecked(true);
    W().ChBColName->setChecked(true);
  }
  std::unique_ptr<TempDatabase> db_;
};

}  // namespace

TEST_F(UiQueryRun, InsertStatementsWithUseAndGoLines) {
  InsertMode();
  W().ChBLeftBrace->setChecked(true);
  W().ChBRightBrace->setChecked(true);
  W().EdInsertInto->setText(QStringLiteral("insert into T1"));
  W().EdValues->setText(QStringLiteral("values"));
  Run(QStringLiteral("select * from T1"));
  EXPECT_EQ(OutputLines(), QStringList({"use qledger", "go", "insert into T1 (a,b) values (1,'x')",
                                        "insert into T1 (a,b) values (2,null)", "go"}));
  EXPECT_EQ(W().LabelFieldCnt->text(), QStringLiteral("2"));
  EXPECT_EQ(W().LabelRecCnt->text(), QStringLiteral("2"));
  EXPECT_EQ(W().LabelRecNo->text(), QStringLiteral("2"));
  EXPECT_EQ(W().ProgressBar1->maximum(), 2);
  EXPECT_EQ(W().ProgressBar1->value(), 2);
  EXPECT_TRUE(W().Query1->Active());
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(UiQueryRun, DelimitedLinesQuoteMarksAndAppending) {
  W().ChBColName->setChecked(true);
  W().ChBLeftBrace->setChecked(true);
  W().ChBRightBrace->setChecked(true);
  Run(QStringLiteral("select * from Q"));
  // A value holding the column's mark goes between double quotes; double
  // quotes inside it are doubled, so no value can end its literal early.
  const QStringList first = {"(a,b)", "(1,\"it's\")", "(2,null)", "(3,'abc')", "(4,\"both ' and \"\"\")",
                             "(5,'say \"hi\"')"};
  EXPECT_EQ(OutputLines(), first);
  W().ChBColName->setChecked(false);
  W().Delimiter->setText(QString());
  W().ChBLeftBrace->setChecked(false);
  W().ChBRightBrace->setChecked(false);
  Run(QStringLiteral("select * from T1"));
  EXPECT_EQ(OutputLines(), first + QStringList({"1'x'", "2null"}));  // appended below
  W().Delimiter->setText(QStringLiteral(" | "));
  Run(QStringLiteral("select * from T1"));
  EXPECT_EQ(OutputLines().mid(8), QStringList({"1 | 'x'", "2 | null"}));
}

TEST_F(UiQueryRun, NullBooleanBlobAndDateValues) {
  Run(QStringLiteral("select * from V"));
  const QString oneAndAHalf = QStringLiteral("1") + QLocale::system().decimalPoint() + QStringLiteral("5");
  EXPECT_EQ(OutputLines(), QStringList({"null,1,0x00FF,'2024/02/29'," + oneAndAHalf,
                                        "7,0,0x,'2024/02/29 00:00:00',null"}));
  EXPECT_EQ(W().DBImage1->DataField(), QStringLiteral("bl"));
  EXPECT_TRUE(W().DBImage1->AutoDisplay());
}

TEST_F(UiQueryRun, ThreeThousandRowsEndWithTwoGoLines) {
  InsertMode();
  Run(QStringLiteral("select i from N"));
  const QStringList lines = OutputLines();
  ASSERT_EQ(lines.size(), 2 + 3000 + 2);
  EXPECT_EQ(lines.at(2), QStringLiteral("insert into N (i) values (1)"));
  EXPECT_EQ(lines.at(3001), QStringLiteral("insert into N (i) values (3000)"));
  EXPECT_EQ(lines.mid(3002), QStringList({"go", "go"}));
  EXPECT_EQ(W().EdInsertInto->text(), QStringLiteral("insert into N"));
  EXPECT_EQ(W().EdValues->text(), QStringLiteral("values"));
  EXPECT_TRUE(W().ChBLeftBrace->isChecked());
}

TEST_F(UiQueryRun, BareRowsInInsertModeWithoutColumnNames) {
  W().ChBEachRow->setChecked(true);
  Run(QStringLiteral("select * from T1"));
  EXPECT_EQ(OutputLines(), QStringList({"use qledger", "go", "(1,'x')", "(2,null)", "go"}));
}

TEST_F(UiQueryRun, StatementMustStartWithSelect) {
  W().MemoOutput->setPlainText(QStringLiteral("kept"));
  for (const QString& bad : {QStringLiteral(" select * from T1"), QStringLiteral("\nselect * from T1"),
                             QStringLiteral("update T1 set a=1"), QStringLiteral("sel")}) {
    ModalAnswerer answerer;
    Run(bad);
    ASSERT_EQ(answerer.Texts(), QStringList({QStringLiteral("指令必須以select開始")})) << bad.toStdString();
    EXPECT_EQ(OutputLines(), QStringList({"kept"}));
    EXPECT_FALSE(W().Query1->Active());
  }
  Run(QStringLiteral("SeLeCt * FROM T1"));
  EXPECT_EQ(OutputLines().size(), 3);
}

TEST_F(UiQueryRun, OnlyTheGridWhenTheOutputIsSwitchedOff) {
  W().chbShowMemo->setChecked(true);
  W().LabelRecCnt->setText(QStringLiteral("99"));
  W().ChBEachRow->setChecked(true);
  Run(QStringLiteral("select * from T1"));
  EXPECT_TRUE(OutputLines().isEmpty());
  EXPECT_EQ(W().LabelRecCnt->text(), QStringLiteral("99"));  // the count form is rejected here
  EXPECT_TRUE(W().Query1->Active());
  EXPECT_TRUE(W().DBGrid1->isEnabled());
}

TEST_F(UiQueryRun, RendersWhatTheResultHoldsWhateverTheLabelSays) {
  W().LabelRecCnt->setText(QStringLiteral("5"));
  Run(QStringLiteral("select * from E"));
  EXPECT_TRUE(OutputLines().isEmpty());
  EXPECT_EQ(W().LabelRecCnt->text(), QStringLiteral("5"));
  EXPECT_EQ(W().ProgressBar1->maximum(), 0);
}

TEST_F(UiQueryRun, AFailingStatementKeepsItsOpeningLinesAndTheCursor) {
  InsertMode();
  ModalAnswerer answerer;
  Run(QStringLiteral("select nosuch from T1"));
  ASSERT_EQ(answerer.Texts().size(), 1);
  EXPECT_TRUE(answerer.Texts().first().contains(QStringLiteral("nosuch")));
  EXPECT_EQ(OutputLines(), QStringList({"use qledger", "go"}));
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(UiQueryRun, WideResultsRenderEveryColumn) {
  QStringList columns;
  for (int i = 1; i <= 120; ++i) columns << QStringLiteral("'v%1' as c%1").arg(i);
  Run(QStringLiteral("select ") + columns.join(QStringLiteral(", ")));
  ASSERT_EQ(OutputLines().size(), 1);
  const QStringList values = OutputLines().first().split(QLatin1Char(','));
  ASSERT_EQ(values.size(), 120);
  EXPECT_EQ(values.last(), QStringLiteral("'v120'"));
}

TEST_F(UiQueryRun, InsertIntoTakesTheTableOfTheStatement) {
  W().ChBEachRow->setChecked(true);
  W().MemoSQL->setPlainText(QStringLiteral("select * from Cir1100 where a=1"));
  UpdateInsertInto();
  EXPECT_EQ(W().TableName, QStringLiteral("Cir1100"));
  EXPECT_EQ(W().EdInsertInto->text(), QStringLiteral("insert into Cir1100"));
  EXPECT_EQ(W().EdValues->text(), QStringLiteral("values"));
  EXPECT_TRUE(W().ChBLeftBrace->isChecked() && W().ChBRightBrace->isChecked());

  W().ChBEachRow->setChecked(false);
  W().MemoSQL->setPlainText(QStringLiteral("select * from T1"));
  UpdateInsertInto();
  EXPECT_EQ(W().EdInsertInto->text(), QStringLiteral("insert into T1"));
  W().EdInsertInto->setText(QStringLiteral("INSERT INTO X (a) extra"));
  UpdateInsertInto();
  EXPECT_EQ(W().EdInsertInto->text(), QStringLiteral("INSERT INTO T1"));
  W().EdInsertInto->setText(QStringLiteral("ins X"));  // no "into": a whole clause, not "ins"
  UpdateInsertInto();
  EXPECT_EQ(W().EdInsertInto->text(), QStringLiteral("insert into T1"));

  W().MemoSQL->setPlainText(QStringLiteral("select * from a_table_name_longer_than_twenty"));
  UpdateInsertInto();
  EXPECT_EQ(W().TableName, QStringLiteral("a_table_name_longer_"));
  W().MemoSQL->setPlainText(QStringLiteral("select * from T1\nwhere a=1"));
  UpdateInsertInto();
  EXPECT_EQ(W().TableName, QStringLiteral("T1\r\nwhere"));  // a line break is no blank
  W().MemoSQL->setPlainText(QStringLiteral("select 1"));
  UpdateInsertInto();
  EXPECT_EQ(W().TableName, QStringLiteral("ct"));  // no "from": from the fifth character on, to a blank

  // Clicking the box runs it too; unticked, the defaults are not applied.
  W().EdInsertInto->clear();
  W().EdValues->clear();
  W().ChBLeftBrace->setChecked(false);
  W().MemoSQL->setPlainText(QStringLiteral("select * from T1"));
  QTest::mouseClick(W().ChBEachRow, Qt::LeftButton, {}, QPoint(5, W().ChBEachRow->height() / 2));
  EXPECT_TRUE(W().ChBEachRow->isChecked());
  EXPECT_EQ(W().EdInsertInto->text(), QStringLiteral("insert into T1"));
  W().EdInsertInto->clear();
  W().EdValues->clear();
  QTest::mouseClick(W().ChBEachRow, Qt::LeftButton, {}, QPoint(5, W().ChBEachRow->height() / 2));
  EXPECT_FALSE(W().ChBEachRow->isChecked());
  EXPECT_TRUE(W().EdInsertInto->text().isEmpty());
}

TEST_F(UiQueryRun, DemoPictureColumnIsShown) {
  UseDatabase(QStringLiteral("DBDEMOS"));
  Run(QStringLiteral("select species_no, picture from species"));
  QApplication::processEvents();
  EXPECT_EQ(W().DBImage1->DataField(), QStringLiteral("picture"));
  EXPECT_FALSE(W().DBImage1->Picture().isNull());
  EXPECT_EQ(OutputLines().size(), 6);
  EXPECT_TRUE(OutputLines().first().startsWith(QStringLiteral("90001,0x89504E47")));
}
