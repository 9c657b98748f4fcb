// The row loop written in steps as rows arrive gives the same lines as the
// loop written at once, and never waits for rows that have not arrived; rows
// read ahead on a thread are never lost when another statement comes first.
#include "database/backend.h"
#include "database/database.h"
#include "database/query.h"
#include "database/value_text.h"
#include "support/collect_lines.h"
#include "support/connected.h"
#include "support/resident.h"
#include "support/services.h"
#include "support/temp_database.h"
#include "text/result_lines.h"

#include <QFile>
#include <chrono>
#include <thread>
#include <gtest/gtest.h>

namespace {

RowRunOptions InsertOptions() {
  RowRunOptions options;
  options.columnNames = true;
  options.insertMode = true;
  options.insertInto = QStringLiteral("insert into t");
  options.values = QStringLiteral("values");
  return options;
}

}  // namespace

TEST(RowRunSteps, WritingAsRowsArriveGivesTheSameLines) {
  TempDatabase db(QStringLiteral("create table t (n integer, s varchar(10), f float);"
                                 "with recursive c(x) as (select 1 union all select x + 1 from c where x < 7000)"
                                 " insert into t select x, 'row ' || x, x / 4.0 from c;"),
                  QStringLiteral("ROWRUN"));
  Connected sqlite(db.Alias());
  const RowRunOptions options = InsertOptions();
  const auto always = [](qint64) { return true; };

  CollectLines whole;
  RenderRows(sqlite.Open(QStringLiteral("select * from t")), options, whole, always);

  TQuery& query = sqlite.Open(QStringLiteral("select * from t"));
  CollectLines steps;
  {
    ResultLines run(query, options, steps);
    while (!query.AllFetched()) {
      const qint64 arrived = query.FetchedCount();
      ASSERT_TRUE(run.WriteArrived(always));
      EXPECT_EQ(query.FetchedCount(), arrived) << "writing waited for rows";
      EXPECT_LE(run.Written(), arrived);
      query.FetchMore(1500);
    }
    const RowRunReport report = run.Finish(always);
    EXPECT_EQ(report.rows, 7000);
    EXPECT_FALSE(report.stopped);
    EXPECT_TRUE(query.Eof());  // past the last record, as a loop over the records leaves it
  }
  EXPECT_EQ(steps.lines, whole.lines);
  EXPECT_EQ(whole.lines.count(QStringLiteral("go")), 2);  // after every 3000th row
}

// Stopped at any moment, the lines are whole and those of the first rows,
// the report counts exactly the rows whose lines arrived, and the query
// stands on the first row not written. A result ended early by the engine
// still gets the lines of every row read before.
TEST(RowRunSteps, AStopOrAnEarlyEndKeepsWholeLinesAndCountsThem) {
  TempDatabase db(QStringLiteral("create table t (n integer, s text);"
                                 "with recursive c(x) as (select 1 union all select x + 1 from c where x < 60000)"
                                 " insert into t select x, 'text ' || x from c;"),
                  QStringLiteral("ROWSTOP"));
  Connected sqlite(db.Alias());
  RowRunOptions options;
  options.columnNames = true;
  const auto always = [](qint64) { return true; };
  CollectLines whole;
  RenderRows(sqlite.Open(QStringLiteral("select * from t")), options, whole, always);
  ASSERT_EQ(whole.lines.size(), 60001);

  for (const int stopAfterMs : {0, 2, 10}) {
    TQuery& query = sqlite.Open(QStringLiteral("select * from t"));
    query.RecordCount();
    CollectLines lines;
    ResultLines run(query, options, lines);
    run.WriteArrived(always);
    std::this_thread::sleep_for(std::chrono::milliseconds(stopAfterMs));
    const RowRunReport report = run.Stopped();
    EXPECT_TRUE(report.stopped);
    ASSERT_EQ(lines.lines.size(), report.rows + 1) << "stopped after " << stopAfterMs << " ms";
    EXPECT_EQ(lines.lines, whole.lines.mid(0, lines.lines.size()));
    if (report.rows < 60000) {
      EXPECT_EQ(query.RecNo(), report.rows);
    }
  }

  TQuery& query = sqlite.Open(QStringLiteral("select * from t"));
  query.FetchMore(25000);
  CollectLines lines;
  ResultLines run(query, options, lines);
  run.WriteArrived(always);
  const RowRunReport report = run.EndedEarly();
  EXPECT_FALSE(report.stopped);
  EXPECT_EQ(report.rows, query.FetchedCount());
  EXPECT_EQ(lines.lines, whole.lines.mid(0, report.rows + 1));
}

// A result that keeps its first rows only lets the others go as the run
// passes them, yet every line is written, the same as from a result held
// whole.
TEST(RowRunSteps, AResultKeepingItsFirstRowsOnlyGivesEveryLine) {
  TempDatabase db(QStringLiteral("create table t (n integer, s text);"
                                 "with recursive c(x) as (select 1 union all select x + 1 from c where x < 80000)"
                                 " insert into t select x, 'text ' || x from c;"),
                  QStringLiteral("ROWPASS"));
  Connected sqlite(db.Alias());
  const RowRunOptions options = InsertOptions();
  const auto always = [](qint64) { return true; };
  CollectLines whole;
  RenderRows(sqlite.Open(QStringLiteral("select * from t")), options, whole, always);

  sqlite.query.Close();
  sqlite.query.SQL().SetText(QStringLiteral("select * from t"));
  sqlite.query.OpenKeepingFirstRows(100);
  TQuery& query = sqlite.query;
  CollectLines lines;
  ResultLines run(query, options, lines);
  qint64 mostHeld = 0;
  ASSERT_TRUE(query.FetchAll([&](qint64 fetched) {
    mostHeld = std::max(mostHeld, fetched - query.RecNo());
    return run.WriteArrived(always);
  }));
  const RowRunReport report = run.Finish(always);
  EXPECT_EQ(report.rows, 80000);
  EXPECT_EQ(lines.lines, whole.lines);
  query.EndAtKeptRows();
  EXPECT_EQ(query.StoredCount(), 100);
  EXPECT_GT(query.RowsNotKept(), 70000);
  EXPECT_LT(mostHeld, 40000) << "the rows written were not let go";
}

// A SQLite result read ahead on a thread: another statement on the same
// connection stops the thread, and the first result then goes on where it
// was, every row once and in order.
namespace {

const QString kReadAheadTable = QStringLiteral(
    "create table t (n integer, s text);"
    "with recursive c(x) as (select 1 union all select x + 1 from c where x < 50000)"
    " insert into t select x, 'text ' || x from c;");

void ReadWithAnotherStatementBetween(BackendConnection& connection) {
  auto first = connection.Prepare(QStringLiteral("select n, s from t order by n"), StatementAccess::ReadOnly);
  first->Execute();
  RowStore rows;
  qint64 count = first->FetchRows(rows, 10000);
  ASSERT_GT(count, 0);
  // Another statement and the table list while the first one is being read.
  auto second = connection.Prepare(QStringLiteral("select count(*) from t"), StatementAccess::ReadOnly);
  second->Execute();
  RowStore other;
  ASSERT_TRUE(second->FetchRow(other));
  EXPECT_EQ(CellToInteger(other.Value(0, 0)), 50000);
  EXPECT_EQ(connection.TableNames(), QStringList({QStringLiteral("t")}));
  ASSERT_TRUE(first->FetchRow(rows));  // one row on the spot
  ++count;
  while (const qint64 more = first->FetchRows(rows, 10000)) count += more;
  ASSERT_EQ(count, 50000);
  for (qint64 row = 0; row < count; ++row) {
    ASSERT_EQ(CellToInteger(rows.Value(row, 0)), row + 1);  // a number, or its text (SQLite's driver)
    ASSERT_EQ(QByteArray(rows.Value(row, 1).data, static_cast<qsizetype>(rows.Value(row, 1).size)),
              "text " + QByteArray::number(row + 1));
  }
  // Run again while reading: from the start.
  first->Execute();
  RowStore again;
  first->FetchRows(again, 10000);
  first->Execute();
  RowStore third;
  qint64 total = 0;
  while (const qint64 more = first->FetchRows(third, 10000)) total += more;
  EXPECT_EQ(total, 50000);
  EXPECT_EQ(CellToInteger(third.Value(0, 0)), 1);
}

}  // namespace

TEST(SqliteReadAhead, AnotherStatementPausesTheReadingAndNothingIsLost) {
  TempDatabase db(kReadAheadTable, QStringLiteral("READAHEAD"));
  Connected sqlite(db.Alias());
  ReadWithAnotherStatementBetween(*sqlite.database.Connection());
}

// The same through an ODBC driver (SQLite's), whose statements also go on
// where they were.
TEST(PgSqliteOdbcReadAhead, AnotherStatementPausesTheReadingAndNothingIsLost) {
  if (!TestServicesRunning()) GTEST_SKIP() << "needs the ODBC configuration of ./dev test";
  QFile::remove(qEnvironmentVariable("Q2T_ODBC_SQLITE"));
  TempDatabase db(kReadAheadTable, QStringLiteral("READAHEAD_SOURCE"));
  ASSERT_TRUE(QFile::copy(db.Path(), qEnvironmentVariable("Q2T_ODBC_SQLITE")));
  Connected odbc(QStringLiteral("Q2T_SQLITE_ODBC"));
  ReadWithAnotherStatementBetween(*odbc.database.Connection());
}

// Wide rows (100 kB each) read ahead in blocks bounded by their bytes, not
// only by a count of rows: reading 2000 of them, handing them on and
// dropping them never holds more than a few blocks' worth.
TEST(SqliteReadAhead, WideRowsKeepTheBlocksSmall) {
  TempDatabase db(QStringLiteral("create table w (n integer, b blob);"
                                 "with recursive c(x) as (select 1 union all select x + 1 from c where x < 2000)"
                                 " insert into w select x, randomblob(100000) from c;"),
                  QStringLiteral("WIDEROWS"));
  Connected sqlite(db.Alias());
  auto statement = sqlite.database.Connection()->Prepare(QStringLiteral("select n, b from w"), StatementAccess::ReadOnly);
  statement->Execute();
  const long before = ResidentKiB();
  long highest = before;
  qint64 count = 0;
  RowStore rows;
  while (const qint64 more = statement->FetchRows(rows, 100)) {
    count += more;
    highest = std::max(highest, ResidentKiB());
    rows.Clear();
  }
  EXPECT_EQ(count, 2000);
  EXPECT_LT(highest - before, 64 * 1024) << "grew by " << (highest - before) << " KiB";
}
