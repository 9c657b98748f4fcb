// The spreadsheet export against a recording spreadsheet of the tests' own.
#include "export/spreadsheet.h"
#include "controls/save_dialog.h"
#include "database/database.h"
#include "database/query.h"
#include "support/connected.h"
#include "support/fake_spreadsheet.h"
#include "support/modal.h"
#include "support/temp_database.h"
#include "support/window_fixture.h"
#include "ui/spreadsheet_export.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include "ui/long_run.h"

#include <QApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

namespace {

class SpreadsheetExport : public ::testing::Test {
protected:
  void SetUp() override {
    world_ = std::make_shared<FakeWorld>();
    InstallFakeSpreadsheet(world_);
  }
  // `rows` records of a string field A (00123 in the first), an integer B
  // (null in the second) and a date D.
  TQuery& Result(int rows) {
    return Opened(QStringLiteral("create table r (A varchar(10), B integer, D date);"
                                 "with recursive c(x) as (select 1 union all select x + 1 from c where x < %1) "
                                 "insert into r select case x when 1 then '00123' else 'v' || x end,"
                                 " case x when 2 then null else x end, '2024-01-02' from c where %1 > 0;")
                      .arg(rows),
                  QStringLiteral("select * from r"));
  }
  // `statement` open on a SQLite file made by `script`.
  TQuery& Opened(const QString& script, const QString& statement) {
    db_ = std::make_unique<TempDatabase>(script, QStringLiteral("SHEETDB"));
    database_ = std::make_unique<TDatabase>();
    database_->SetAliasName(db_->Alias());
    database_->SetDatabaseName(db_->Alias());
    query_ = std::make_unique<TQuery>();
    query_->SetDatabaseName(db_->Alias());
    query_->SQL().SetText(statement);
    query_->Open();
    return *query_;
  }
  QStringList SheetNames() const {
    QStringList names;
    for (const auto& s : world_->workbooks.back()->sheets) names << s->name;
    return names;
  }
  QStringList Export(TQuery& q, const QString& server) {
    ModalAnswerer answerer;
    QProgressBar bar;
    ExportToSpreadsheet(q, QStringLiteral("/tmp/out.xls"), server, &bar);
    if (answerer.Texts().isEmpty()) {
      EXPECT_EQ(bar.value(), bar.maximum());  // a whole export ends full
    }
    return answerer.Texts();
  }

  std::shared_ptr<FakeWorld> world_;
  std::unique_ptr<TempDatabase> db_;
  std::unique_ptr<TDatabase> database_;
  std::unique_ptr<TQuery> query_;
};

}  // namespace

TEST(SpreadsheetRoutines, ColumnLettersForEveryColumn) {
  const std::pair<int, const char*> cases[] = {{1, "A"},   {26, "Z"},   {27, "AA"},  {52, "AZ"},
                                               {53, "BA"}, {255, "IU"}, {702, "ZZ"}, {703, "AAA"}};
  for (const auto& [n, letters] : cases) EXPECT_EQ(ColumnLetters(n), QLatin1String(letters)) << n;
}

TEST_F(SpreadsheetExport, TheCallsInOrderForASmallResult) {
  TQuery& q = Result(2);
  EXPECT_TRUE(Export(q, QStringLiteral("DBDEMOS")).isEmpty());
  EXPECT_EQ(world_->log, QStringList({
                             "app.Set Visible=False",
                             "app.Get WorkBooks",
                             "books.Call add(1)",
                             "app.Get WorkBooks(1)",
                             "book.Get ActiveSheet",
                             "sheet.Get UsedRange",
                             "range.Get columns",
                             "part.Get count",
                             "sheet.Get UsedRange",
                             "range.Get rows",
                             "part.Get count",
                             "sheet.Get name",
                             "sheet.Set name=DBDEMOS",
                             "sheet.Get name",
                             "sheet.Set cells(1,1)=A",
                             "sheet.Set cells(1,2)=B",
                             "sheet.Set cells(1,3)=D",
                             "sheet.Get cells(2,1)",
                             "cell.Set NumberFormat=@",
                             "sheet.Set cells(2,1)=00123",
                             "sheet.Set cells(2,2)=1",
                             "sheet.Get cells(2,3)",
                             "cell.Set NumberFormat=@",
                             "sheet.Set cells(2,3)=2024/01/02",
                             "sheet.Get cells(3,1)",
                             "cell.Set NumberFormat=@",
                             "sheet.Set cells(3,1)=v2",
                             "sheet.Set cells(3,2)=",
                             "sheet.Get cells(3,3)",
                             "cell.Set NumberFormat=@",
                             "sheet.Set cells(3,3)=2024/01/02",
                             "sheet.Get name",
                             "sheet.Get name",
                             "sheet.Set name=DBDEMOS - 2",
                             "sheet.Get name",
                             "sheet.Get UsedRange",
                             "range.Get columns",
                             "part.Get count",
                             "sheet.Get UsedRange",
                             "range.Get rows",
                             "part.Get count",
                             "sheet.Get Range(A1:C3)",
                             "range.Set WrapText=False",
                             "book.Call SaveAs FileName:=/tmp/out.xls",
                             "app.Call Quit",
                         }));
  EXPECT_EQ(world_->workbooks.back()->savedAs, QStringLiteral("/tmp/out.xls"));
  EXPECT_TRUE(q.Eof());
}

TEST_F(SpreadsheetExport, SheetsOfAtMostSixtyThousandRecords) {
  world_->logCells = false;
  Export(Result(250), QStringLiteral("DBDEMOS"));
  EXPECT_EQ(SheetNames(), QStringList({QStringLiteral("DBDEMOS - 250")}));

  SetUp();
  world_->logCells = false;
  Export(Result(60000), QStringLiteral("DBDEMOS"));
  EXPECT_EQ(SheetNames(), QStringList({QStringLiteral("DBDEMOS - 60000")}));

  SetUp();
  world_->logCells = false;
  Export(Result(60001), QStringLiteral("DBDEMOS"));
  EXPECT_EQ(SheetNames(), QStringList({QStringLiteral("Rcd#60001 - 60001"), QStringLiteral("Rcd#1 - 60000")}));
  const auto& front = *world_->workbooks.back()->sheets.front();
  EXPECT_EQ(front.cells.value({1, 1}), QStringLiteral("A"));  // its own title row
  EXPECT_EQ(front.cells.value({2, 1}), QStringLiteral("v60001"));
  EXPECT_TRUE(front.wrapOff);
  EXPECT_FALSE(world_->workbooks.back()->sheets.back()->wrapOff);  // only the last sheet filled
}

TEST_F(SpreadsheetExport, EmptyResultsAndEmptyAliasNames) {
  Export(Result(0), QStringLiteral("DBDEMOS"));
  EXPECT_EQ(SheetNames(), QStringList({QStringLiteral("DBDEMOS")}));
  EXPECT_EQ(world_->workbooks.back()->sheets.front()->cells.size(), 3);  // the title row only

  SetUp();
  Export(Result(3), QString());  // the login-managed connection has no alias
  const QString name = SheetNames().first();
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{6} - 3$")).match(name).hasMatch()) << name.toStdString();
}

TEST_F(SpreadsheetExport, ValuesTextStaysTextNullStaysEmpty) {
  Export(Result(2), QStringLiteral("X"));
  const auto& sheet = *world_->workbooks.back()->sheets.front();
  EXPECT_EQ(sheet.cells.value({2, 1}), QStringLiteral("00123"));
  EXPECT_TRUE(sheet.textFormat.contains({2, 1}));
  EXPECT_FALSE(sheet.textFormat.contains({2, 2}));  // numbers are left to the application
  EXPECT_FALSE(sheet.cells.contains({3, 2}));       // null: empty, not "null"
}

// A number the application would change when it reads the cell's text as a
// double is given as text.
TEST_F(SpreadsheetExport, NumbersADoubleWouldChangeStayText) {
  Export(Opened(QStringLiteral("create table n (i integer); insert into n values (9007199254740993), (9007199254740992);"),
                QStringLiteral("select i from n")),
         QStringLiteral("X"));
  const auto& sheet = *world_->workbooks.back()->sheets.front();
  EXPECT_EQ(sheet.cells.value({2, 1}), QStringLiteral("9007199254740993"));
  EXPECT_TRUE(sheet.textFormat.contains({2, 1}));
  EXPECT_FALSE(sheet.textFormat.contains({3, 1}));  // 2^53 is a double's
}

TEST_F(SpreadsheetExport, AnExistingWorkbookGetsAFrontSheet) {
  auto disk = std::make_shared<FakeWorkbook>();
  disk->sheets.push_back(std::make_shared<FakeSheet>(FakeSheet{QStringLiteral("Old"), {{{1, 1}, "kept"}, {{2, 1}, "x"}}, {}, false}));
  disk->sheets.push_back(std::make_shared<FakeSheet>(FakeSheet{QStringLiteral("Other"), {}, {}, false}));
  world_->onDisk = disk;
  const QString path = QStringLiteral("/tmp/q2t-existing-%1.xls").arg(QCoreApplication::applicationPid());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  ExportToSpreadsheet(Result(1), path, QStringLiteral("DBDEMOS"), nullptr);
  QFile::remove(path);
  EXPECT_TRUE(world_->log.contains(QStringLiteral("app.Set displayalerts=False")));
  EXPECT_TRUE(world_->log.contains(QStringLiteral("books.Call Open(") + path + QStringLiteral(") readonly:=False")));
  EXPECT_EQ(SheetNames(), QStringList({QStringLiteral("DBDEMOS - 1"), QStringLiteral("Old"), QStringLiteral("Other")}));
  EXPECT_EQ(disk->sheets[1]->cells.value({1, 1}), QStringLiteral("kept"));
  EXPECT_EQ(disk->savedAs, path);
}

TEST_F(SpreadsheetExport, FailuresSaveWhatWasWrittenQuitAndSaySo) {
  world_->logCells = false;
  world_->refusedNames = {QStringLiteral("Rcd#60001")};
  const QStringList messages = Export(Result(60001), QStringLiteral("DBDEMOS"));
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages.first().startsWith(QStringLiteral("Excel轉出中斷: 工作表名稱不正確: Rcd#60001")));
  EXPECT_EQ(world_->workbooks.back()->savedAs, QStringLiteral("/tmp/out.xls"));
  EXPECT_TRUE(world_->quit);

  // A spreadsheet that refuses every name: bounded retries, then the failure path.
  SetUp();
  world_->refuseEveryName = true;
  const QStringList refused = Export(Result(1), QStringLiteral("DBDEMOS"));
  ASSERT_EQ(refused.size(), 1);
  EXPECT_EQ(world_->log.filter(QStringLiteral("sheet.Set name=")).size(), kSheetNameAttempts);
  EXPECT_TRUE(world_->quit);

  // A failure before any workbook exists still ends the application.
  SetUp();
  ModalAnswerer answerer;
  QFile existing(QStringLiteral("/tmp/q2t-not-a-workbook.xls"));
  ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
  existing.close();
  ExportToSpreadsheet(Result(1), existing.fileName(), QStringLiteral("DBDEMOS"), nullptr);
  existing.remove();
  EXPECT_TRUE(world_->quit);
  ASSERT_EQ(answerer.Texts().size(), 1);
  EXPECT_TRUE(answerer.Texts().first().contains(QStringLiteral("無法開啟活頁簿")));
}

TEST_F(SpreadsheetExport, ATitleCellFailureMidwayTakesTheFailurePath) {
  world_->failAfterCells = 2;  // the second title cell
  const QStringList messages = Export(Result(1), QStringLiteral("DBDEMOS"));
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages.first().contains(QStringLiteral("automation 伺服器沒有回應")));
  EXPECT_EQ(world_->workbooks.back()->savedAs, QStringLiteral("/tmp/out.xls"));
  EXPECT_TRUE(world_->quit);
}

TEST_F(SpreadsheetExport, NoApplicationNoWorkbook) {
  RegisterAutomationProvider(QStringLiteral("Excel.Application"), {});
  EXPECT_THROW(ExportToSpreadsheet(Result(1), QStringLiteral("/tmp/none.xls"), QString(), nullptr), std::exception);
  EXPECT_TRUE(world_->log.isEmpty());
}

using UiExcelMenu = WindowTest;

TEST_F(UiExcelMenu, AClosedResultShowsNoDialog) {
  auto world = std::make_shared<FakeWorld>();
  InstallFakeSpreadsheet(world);
  bool dialogShown = false;
  ModalAnswerer answerer([&](QWidget* modal) {
    dialogShown = true;
    qobject_cast<QDialog*>(modal)->reject();
  });
  W().mnuExcelOut->trigger();
  EXPECT_FALSE(dialogShown);
  EXPECT_TRUE(world->log.isEmpty());
}

TEST_F(SpreadsheetExport, AStoppedExportSavesNothingAndEndsTheApplication) {
  TQuery& q = Result(5);
  QProgressBar bar;
  LongRun run(&bar, {});
  // Esc before the first record: the export stops at once.
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(&bar, &escape);
  ModalAnswerer answerer;
  ExportToSpreadsheet(q, QStringLiteral("/tmp/stopped.xls"), QStringLiteral("DBDEMOS"), &bar, &run);
  EXPECT_EQ(answerer.Texts(), QStringList({QStringLiteral("Excel轉出已停止, 沒有儲存活頁簿 /tmp/stopped.xls")}));
  EXPECT_TRUE(world_->quit);
  EXPECT_TRUE(world_->workbooks.back()->savedAs.isEmpty());
}

// A value longer than a cell holds is written whole; the application keeps
// its start, and the export says how many were cut.
TEST_F(SpreadsheetExport, ValuesLongerThanACellAreCountedAndReported) {
  TQuery& q = Result(3);
  q.Close();
  db_->Exec(QStringLiteral("update r set A = substr(replace(hex(zeroblob(20000)), '0', 'xy'), 1, 40000) where B = 1"));
  Reopen(q, QStringLiteral("select * from r"));
  const QStringList messages = Export(q, QStringLiteral("X"));
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages.first().startsWith(QStringLiteral("有 1 個值超過試算表儲存格的 32767 個字元")))
      << messages.first().toStdString();
}
