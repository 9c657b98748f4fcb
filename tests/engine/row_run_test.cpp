// The row loop written in steps as rows arrive gives the same lines as the
// loop written at once, and never waits for rows that have not arrived.
#include "database/database.h"
#include "database/query.h"
#include "support/connected.h"
#include "support/temp_database.h"
#include "text/row_run.h"

#include <gtest/gtest.h>

namespace {

class CollectLines : public LineSink {
public:
  QString& BeginLine() override {
    lines.append(QString());
    return lines.back();
  }
  void EndLine() override {}
  QStringList lines;
};

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
  RowRun run(query, options, steps);
  while (!query.AllFetched()) {
    const qint64 arrived = query.FetchedCount();
    ASSERT_TRUE(run.WriteArrived(always));
    EXPECT_EQ(query.FetchedCount(), arrived) << "writing waited for rows";
    EXPECT_EQ(query.RecNo(), arrived - 1);  // short of the last row that arrived
    query.FetchMore(1500);
  }
  const RowRunReport report = run.Finish(always);
  EXPECT_EQ(report.rows, 7000);
  EXPECT_FALSE(report.stopped);
  EXPECT_EQ(steps.lines, whole.lines);
  EXPECT_EQ(whole.lines.count(QStringLiteral("go")), 2);  // after every 3000th row
}
