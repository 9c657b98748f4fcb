// The text dumps of grids, datasets and queries, and the grid's dump commands.
#include "text/dumps.h"
#include "ui/grid_dump.h"
#include "ui/query_dump.h"
#include "controls/db_grid.h"
#include "database/database.h"
#include "database/query.h"
#include "support/modal.h"
#include "support/temp_database.h"
#include "support/window_fixture.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace {

std::unique_ptr<QTableWidget> Grid(int rows, int cols) {
  auto grid = std::make_unique<QTableWidget>(rows, cols);
  grid->setObjectName(QStringLiteral("G"));
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) grid->setItem(r, c, new QTableWidgetItem(QStringLiteral("r%1c%2").arg(r).arg(c)));
  return grid;
}

struct Rows {
  static inline int instances = 0;
  explicit Rows(int count, const QString& extra = QString()) {
    db = std::make_unique<TempDatabase>(
        QStringLiteral("create table d (n integer, t text);"
                       "with recursive c(x) as (select 1 union all select x + 1 from c where x < %1) "
                       "insert into d select x, 'v' || x from c where %1 > 0;%2")
            .arg(count)
            .arg(extra),
        QStringLiteral("DUMPS%1").arg(++instances));
    database.SetAliasName(db->Alias());
    database.SetDatabaseName(db->Alias());
    query.setObjectName(QStringLiteral("Query1"));
    query.SetDatabaseName(db->Alias());
    query.SQL().SetText(QStringLiteral("select * from d order by n"));
    query.Open();
  }
  std::unique_ptr<TempDatabase> db;
  TDatabase database;
  TQuery query;
};

}  // namespace

TEST(GridDump, ExampleAndRowLimits) {
  QTableWidget two(2, 2);
  two.setObjectName(QStringLiteral("G"));
  two.setItem(0, 0, new QTableWidgetItem(QStringLiteral("a")));
  two.setItem(0, 1, new QTableWidgetItem(QStringLiteral("b")));
  two.setItem(1, 0, new QTableWidgetItem(QStringLiteral("c")));
  two.setItem(1, 1, new QTableWidgetItem(QStringLiteral("d")));
  EXPECT_EQ(StringGridText(two, QStringLiteral("|")), QStringLiteral("G: RowCount=2 ColCount=2\r\na|b|\r\nc|d|"));

  auto lines = [](int rows) { return StringGridText(*Grid(rows, 2), QStringLiteral(",")).split(QStringLiteral("\r\n")); };
  const QStringList l600 = lines(600), l502 = lines(502), l501 = lines(501);
  EXPECT_EQ(l600.size(), 1 + 502 + 1);
  EXPECT_EQ(l600.last(), kCutOffLine);
  EXPECT_EQ(l600.at(502), QStringLiteral("r501c0,r501c1,"));
  EXPECT_EQ(l502.size(), 1 + 502 + 1);
  EXPECT_EQ(l502.last(), kCutOffLine);
  EXPECT_EQ(l501.size(), 1 + 501);
  EXPECT_EQ(l501.last(), QStringLiteral("r500c0,r500c1,"));
}

TEST(DataSetDump, RecordLimitsAndFirstRecord) {
  Rows hundred(100);
  const QStringList l100 = DataSetText(hundred.query, QStringLiteral("|")).split(QStringLiteral("\r\n"));
  EXPECT_EQ(l100.first(), QStringLiteral("Query1: Total Records=100"));
  EXPECT_EQ(l100.at(1), QStringLiteral("Rcd#|n|t|"));
  EXPECT_EQ(l100.at(2), QStringLiteral("1|1|'v1'|").remove(QLatin1Char('\'')));
  EXPECT_EQ(l100.size(), 2 + 100);
  EXPECT_EQ(hundred.query.RecNo(), 0);

  Rows more(150);
  const QStringList l101 = DataSetText(more.query, QStringLiteral("|")).split(QStringLiteral("\r\n"));
  EXPECT_EQ(l101.size(), 2 + 101 + 1);
  EXPECT_EQ(l101.at(102), QStringLiteral("101|101|v101|"));
  EXPECT_EQ(l101.last(), kCutOffLine);
  EXPECT_EQ(more.query.RecNo(), 0);

  Rows none(0);
  EXPECT_EQ(DataSetText(none.query, QStringLiteral("|")), QStringLiteral("Query1: Total Records=0\r\nRcd#|n|t|"));
  none.query.Close();
  EXPECT_THROW(DataSetText(none.query, QStringLiteral("|")), std::exception);
}

TEST(QueryDump, SqlParametersAndAffectedRows) {
  Rows r(1);
  EXPECT_EQ(QueryDumpText(r.query), QStringLiteral("Query1.SQL.Text:select * from d order by n\r\n\r\n"));
  r.query.SQL().SetText(QStringLiteral("select * from d\nwhere n = :wanted and t = :label"));
  r.query.Prepare();
  r.query.Params(0).Value = 7;
  r.query.Params(1).Value = true;
  EXPECT_EQ(QueryDumpText(r.query), QStringLiteral("Query1.SQL.Text:select * from d\r\nwhere n = :wanted and t = "
                                                   ":label\r\n\r\nParambyname('wanted').asstring:7\r\n"
                                                   "Parambyname('label').asstring:True\r\n"));
  TQuery empty;
  empty.setObjectName(QStringLiteral("Query1"));
  EXPECT_EQ(QueryDumpText(empty), QStringLiteral("Query1.SQL.Text:\r\n"));
}

TEST(QueryDump, AffectedRowCountWhenTheEngineReportsOne) {
  Rows r(3);
  r.query.Close();
  r.query.SQL().SetText(QStringLiteral("update d set t = 'x' where n < 3"));
  EXPECT_THROW(r.query.Open(), std::exception);  // no result set, but the update ran
  EXPECT_EQ(r.query.RowsAffected(), 2);
  EXPECT_TRUE(QueryDumpText(r.query).endsWith(QStringLiteral("\r\n\r\nRowsAffected=2\r\n")));
}

using UiDumpMenu = WindowTest;

TEST_F(UiDumpMenu, SqlDumpWithoutAResultShowsAndCopiesTheStatement) {
  W().Query1->SQL().SetText(QStringLiteral("select 1"));
  ModalAnswerer answer;
  W().mnuSQLOut->trigger();
  ASSERT_EQ(answer.Texts().size(), 1);
  EXPECT_EQ(answer.Texts().first(), QStringLiteral("Query1.SQL.Text:select 1\r\n\r\n"));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), answer.Texts().first());
}

TEST_F(UiDumpMenu, DataDumpCollapsesEmptyLinesAndCutsTheMessage) {
  W().Query1->SQL().SetText(QStringLiteral("select 'a' || char(13,10,13,10,13,10) || 'b' as t, '中文' as c"));
  W().Query1->Open();
  ModalAnswerer answer;
  W().mnuDataOut->trigger();
  const QString expected = QStringLiteral("Query1: Total Records=1\r\nRcd#|t|c|\r\n1|a\r\nb|中文|\r\n");
  EXPECT_EQ(QGuiApplication::clipboard()->text(), expected);
  ASSERT_EQ(answer.Texts().size(), 1);
  EXPECT_EQ(answer.Texts().first(), expected + QStringLiteral(" ..."));
  EXPECT_EQ(W().Query1->RecNo(), 0);

  // A long dump: the message holds 200 bytes of it and " ...".
  W().Query1->Close();
  W().Query1->SQL().SetText(QStringLiteral("select name, capital from country"));
  W().Query1->Open();
  W().mnuDataOut->trigger();
  ASSERT_EQ(answer.Texts().size(), 2);
  const QString shown = answer.Texts().last();
  EXPECT_TRUE(shown.endsWith(QStringLiteral(" ...")));
  EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith(shown.chopped(4)));
  EXPECT_LE(shown.chopped(4).toUtf8().size(), 200 * 3);
}

TEST_F(UiDumpMenu, DataDumpOfAClosedResultFails) {
  QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
  ModalAnswerer answer;
  W().mnuDataOut->trigger();
  ASSERT_EQ(answer.Texts().size(), 1);
  EXPECT_EQ(answer.Texts().first(), QStringLiteral("不能對一個已關閉的 dataset 進行此操作"));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
}
