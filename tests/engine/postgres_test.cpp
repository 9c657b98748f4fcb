// PostgreSQL through its own client library, held against the same server
// reached through the PostgreSQL ODBC driver (data source Q2T_PG_ODBC keeps
// the driver): the same fields and the same text, byte for byte.
#include "database/backend.h"
#include "database/database.h"
#include "database/failure.h"
#include "database/postgres/pg_settings.h"
#include "database/query.h"
#include "database/session.h"
#include "database/statement_text.h"
#include "support/collect_lines.h"
#include "support/connected.h"
#include "support/pg_recorder.h"
#include "support/resident.h"
#include "support/services.h"
#include "text/field_text.h"
#include "text/row_run.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

// The pane's text of a run over `sql`, delimited or as insert statements.
QString RunText(TQuery& query, const QString& sql, bool insertMode) {
  Reopen(query, sql);
  CollectLines sink;
  RowRunOptions options;
  options.columnNames = true;
  options.insertMode = insertMode;
  options.insertInto = QStringLiteral("insert into t ");
  options.values = QStringLiteral(" values ");
  RenderRows(query, options, sink, [](qint64) { return true; });
  return sink.lines.join(QLatin1Char('\n'));
}

QString FieldsText(TQuery& query) {
  QStringList fields;
  for (int i = 0; i < query.FieldCount(); ++i)
    fields << QStringLiteral("%1 %2 %3")
                  .arg(query.Fields(i)->FieldName())
                  .arg(static_cast<int>(query.Fields(i)->DataType()))
                  .arg(query.Fields(i)->Size());
  return fields.join(QLatin1Char('\n'));
}

class PgNative : public ::testing::Test {
protected:
  void SetUp() override {
    if (!TestServicesRunning()) GTEST_SKIP() << "needs the services of ./dev test";
  }
  static void Open(TDatabase& database, TQuery& query, const char* alias) {
    database.SetDatabaseName(QStringLiteral("N_") + QLatin1String(alias));
    database.SetAliasName(QLatin1String(alias));
    database.SetLoginPrompt(false);
    query.SetDatabaseName(database.DatabaseName());
  }
};

}  // namespace

TEST_F(PgNative, EveryTypeReadsAsThroughTheOdbcDriver) {
  PgExec({QStringLiteral("drop table if exists every_type"), QStringLiteral("drop domain if exists small_count cascade"),
          QStringLiteral("drop type if exists mood cascade"), QStringLiteral("create domain small_count as int"),
          QStringLiteral("create type mood as enum ('ok', 'sad')"),
          QStringLiteral(
              "create table every_type (se serial, c char(11), v varchar(20), vn varchar, vl varchar(1000), t text,"
              " s smallint, i integer, b bigint, bo boolean, r real, d double precision, m money, n numeric(18,6),"
              " nn numeric, da date, ti time, tt timetz, ts timestamp, tz timestamptz, iv interval, by bytea,"
              " u uuid, j json, jb jsonb, ar int[], x xml, ip inet, ci cidr, ma macaddr, nm name, ch \"char\","
              " oi oid, bt bit(3), dc small_count, mo mood, po point, idn bigint generated always as identity,"
              " de int not null default 5)"),
          QStringLiteral(
              "insert into every_type (c, v, vn, vl, t, s, i, b, bo, r, d, m, n, nn, da, ti, tt, ts, tz, iv, by, u,"
              " j, jb, ar, x, ip, ci, ma, nm, ch, oi, bt, dc, mo, po) values"
              " ('abc', '中文字', 'x''y', repeat('長', 300), E'多行\\n文字\\t\"引號\"', -32768, 2147483647,"
              " 9007199254740993, true, 1.1, 0.30000000000000004, 1234.5, 123.456, 1e-20, '2024-02-29',"
              " '13:05:09.5', '13:05:09+08', '2024-02-29 13:05:09.123', '2024-02-29 13:05:09+00',"
              " '1 day 02:00', '\\x00ff27', 'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11', '{\"a\":1}', '{\"a\": 1}',"
              " '{1,2}', '<a/>', '10.0.0.1/8', '10.0.0.0/8', '08:00:2b:01:02:03', 'nm', 'q', 12, B'101', 4,"
              " 'ok', '(1,2)'),"
              " ('', '', '', '', '', 0, -1, -9223372036854775808, false, -0.5, 1e300, -12.5, -0.000001, 0,"
              " '0001-01-01', '00:00:00', '00:00:00-01', '1999-12-31 23:59:59.999', '2000-01-01 00:00:00-08',"
              " '-3 years', '', '00000000-0000-0000-0000-000000000000', 'null', '[]', '{}', '', '::1', '::/0',"
              " '00:00:00:00:00:00', '', ' ', 0, B'000', -1, 'sad', '(0,0)')"),
          QStringLiteral("insert into every_type (de) values (7)")});
  TDatabase nativeDb, odbcDb;
  TQuery native, odbc;
  Open(nativeDb, native, "Q2T_PG");
  Open(odbcDb, odbc, "Q2T_PG_ODBC");
  const QString sql = QStringLiteral(
      "select *, 1 as one, 'lit' as lit, count(*) over () as cnt, 1.5 as num, 2.5::float4 as f4, null as nothing,"
      " upper(v) as up, 'a'::varchar(5) as cv, se + 0 as plain from every_type order by se");
  for (bool insertMode : {false, true}) {
    const QString expected = RunText(odbc, sql, insertMode);
    EXPECT_EQ(RunText(native, sql, insertMode).toStdString(), expected.toStdString());
    EXPECT_EQ(FieldsText(native).toStdString(), FieldsText(odbc).toStdString());
  }
  EXPECT_EQ(native.FieldByName(QStringLiteral("se"))->DataType(), ftAutoInc);
  EXPECT_EQ(native.FieldByName(QStringLiteral("idn"))->DataType(), ftAutoInc);
  EXPECT_EQ(native.FieldByName(QStringLiteral("de"))->DataType(), ftInteger);
  EXPECT_EQ(native.FieldByName(QStringLiteral("plain"))->DataType(), ftInteger);
  QStringList nativeTables, odbcTables;
  Session().GetTableNames(nativeDb.DatabaseName(), nativeTables);
  Session().GetTableNames(odbcDb.DatabaseName(), odbcTables);
  EXPECT_EQ(nativeTables, odbcTables);
  EXPECT_TRUE(nativeTables.contains(QStringLiteral("every_type")));
}

// Values at the edges of their types, and the forms the server writes for
// them, read the same both ways.
TEST_F(PgNative, EdgeValuesReadAsThroughTheOdbcDriver) {
  TDatabase nativeDb, odbcDb;
  TQuery native, odbc;
  Open(nativeDb, native, "Q2T_PG");
  Open(odbcDb, odbc, "Q2T_PG_ODBC");
  const QString sql = QStringLiteral(
      "select 'NaN'::float8 as a, 'Infinity'::float8 as b, '-Infinity'::float4 as c, 'NaN'::numeric as d,"
      " 1.7976931348623157e308::float8 as e, 5e-324::float8 as f, -0.0::float8 as g, '-92233720368547758.08'::money as h,"
      " '24:00:00'::time as i, '2024-02-29 13:05:09.999999'::timestamp as j, 'infinity'::numeric as k,"
      " E'\\\\x'::bytea as l, repeat('x', 300)::char(300) as m, '\u00e9'::text as n");
  for (bool insertMode : {false, true})
    EXPECT_EQ(RunText(native, sql, insertMode).toStdString(), RunText(odbc, sql, insertMode).toStdString());
}

namespace {

class PgServer : public ::testing::TestWithParam<const char*> {
protected:
  void SetUp() override {
    if (!TestServicesRunning()) GTEST_SKIP() << "needs the services of ./dev test";
    PgExec({QStringLiteral("drop table if exists pg_types"), QStringLiteral("drop schema if exists other cascade"),
            QStringLiteral("create table pg_types (c char(11), v varchar(20), t text, s smallint, i integer,"
                           " b bigint, bo boolean, r real, d double precision, m money, n numeric(18,6), da date,"
                           " ti time, ts timestamp, by bytea, se serial)"),
            QStringLiteral("insert into pg_types (c, v, t, s, i, b, bo, r, d, m, n, da, ti, ts, by) values"
                           " ('abc', '中文字', '多行\n文字', -5, 300, 9007199254740993, true, 1.5, 0.1, 1234.50,"
                           " 123.456000, '2024-02-29', '13:05:09', '2024-02-29 13:05:09', '\\x00ff10')"),
            QStringLiteral("insert into pg_types (v, t, m, bo) values ('', null, -12.5, false)"),
            QStringLiteral("create schema other"), QStringLiteral("create table other.hidden (a int)")});
    database_.SetDatabaseName(QStringLiteral("PGTEST"));
    database_.SetAliasName(QLatin1String(GetParam()));
    database_.SetLoginPrompt(false);
    query_.SetDatabaseName(QStringLiteral("PGTEST"));
  }
  TQuery& Open(const QString& sql) { return Reopen(query_, sql); }
  bool IsNative() const { return QLatin1String(GetParam()) == QLatin1String("Q2T_PG"); }
  TDatabase database_;
  TQuery query_;
};

}  // namespace

TEST_P(PgServer, ColumnTypesAndSizes) {
  TQuery& q = Open(QStringLiteral("select * from pg_types order by se"));
  const TFieldType expected[] = {ftString, ftString, ftMemo,  ftSmallint, ftInteger, ftInteger, ftBoolean, ftFloat,
                                 ftFloat,  ftCurrency, ftBCD, ftDate,     ftTime,    ftDateTime, ftBlob};
  for (int i = 0; i < static_cast<int>(std::size(expected)); ++i)
    EXPECT_EQ(q.Fields(i)->DataType(), expected[i]) << q.Fields(i)->FieldName().toStdString();
  EXPECT_EQ(q.Fields(0)->Size(), 11);
  EXPECT_EQ(q.Fields(0)->DataSize(), 12);
  EXPECT_EQ(q.Fields(1)->Size(), 20);
  const TFieldType serial = q.FieldByName(QStringLiteral("se"))->DataType();
  EXPECT_TRUE(serial == ftAutoInc || serial == ftInteger);
}

TEST_P(PgServer, ValuesArriveIntact) {
  TQuery& q = Open(QStringLiteral("select * from pg_types order by se"));
  EXPECT_EQ(q.FieldByName("c")->AsString(), QStringLiteral("abc        "));
  EXPECT_EQ(q.FieldByName("v")->AsString(), QStringLiteral("中文字"));
  EXPECT_EQ(q.FieldByName("t")->AsString(), QStringLiteral("多行\n文字"));
  EXPECT_EQ(q.FieldByName("s")->AsInteger(), -5);
  EXPECT_EQ(q.FieldByName("b")->AsInteger(), 9007199254740993LL);  // beyond a double's integers
  EXPECT_TRUE(q.FieldByName("bo")->AsBoolean());
  EXPECT_DOUBLE_EQ(q.FieldByName("d")->AsFloat(), 0.1);
  EXPECT_DOUBLE_EQ(q.FieldByName("m")->AsFloat(), 1234.5);  // "$1,234.50" on the wire
  EXPECT_EQ(q.FieldByName("n")->AsString(), QStringLiteral("123.456"));
  EXPECT_EQ(q.FieldByName("da")->AsDateTime().date(), QDate(2024, 2, 29));
  EXPECT_EQ(q.FieldByName("ti")->AsDateTime().time(), QTime(13, 5, 9));
  EXPECT_EQ(q.FieldByName("ts")->AsDateTime(), QDateTime(QDate(2024, 2, 29), QTime(13, 5, 9), Qt::UTC));
  EXPECT_EQ(q.FieldByName("by")->AsBytes(), QByteArray("\x00\xff\x10", 3));
  q.Next();
  EXPECT_FALSE(q.FieldByName("v")->IsNull());  // empty is not null
  EXPECT_EQ(q.FieldByName("v")->AsString(), QString());
  EXPECT_TRUE(q.FieldByName("t")->IsNull());
  EXPECT_TRUE(q.FieldByName("c")->IsNull());
  EXPECT_DOUBLE_EQ(q.FieldByName("m")->AsFloat(), -12.5);
  EXPECT_FALSE(q.FieldByName("bo")->AsBoolean());
}

TEST_P(PgServer, LongValuesManyRowsAndTables) {
  TQuery& big = Open(QStringLiteral("select repeat('長', 20000) as long_text, decode(repeat('ab', 30000), 'hex') as blob"));
  EXPECT_EQ(big.Fields(0)->AsString(), QString(20000, QChar(0x9577)));
  EXPECT_EQ(big.Fields(1)->AsBytes(), QByteArray(30000, '\xab'));
  TQuery& many = Open(QStringLiteral("select g from generate_series(1, 25000) g"));
  EXPECT_EQ(many.RecordCount(), 25000);
  qint64 sum = 0;
  for (many.First(); !many.Eof(); many.Next()) sum += many.Fields(0)->AsInteger();
  EXPECT_EQ(sum, 25000LL * 25001 / 2);
  QStringList tables;
  Session().GetTableNames(QStringLiteral("PGTEST"), tables);
  EXPECT_TRUE(tables.contains(QStringLiteral("pg_types")));
  EXPECT_FALSE(tables.contains(QStringLiteral("hidden")));
  EXPECT_FALSE(tables.contains(QStringLiteral("pg_class")));
}

TEST_P(PgServer, StatementsWithoutRowsAndFailures) {
  database_.SetConnected(true);
  auto none = database_.Connection()->Prepare(QStringLiteral("delete from pg_types where 1 = 2"), StatementAccess::ReadWrite);
  EXPECT_NO_THROW(none->Execute());
  EXPECT_EQ(none->RowsAffected(), 0);
  auto some = database_.Connection()->Prepare(QStringLiteral("update pg_types set s = 1"), StatementAccess::ReadWrite);
  some->Execute();
  EXPECT_EQ(some->RowsAffected(), 2);
  EXPECT_THROW(Open(QStringLiteral("select nosuch from pg_types")), EDatabaseError);
}

TEST_F(PgNative, AFailedConnectionNeverShowsThePassword) {
  TDatabase wrong;
  wrong.SetDatabaseName(QStringLiteral("WRONG"));
  wrong.SetDriverName(QStringLiteral("PostgreSQL Unicode"));
  wrong.SetLoginPrompt(false);
  wrong.Params().SetValue(QStringLiteral("SERVER NAME"), QStringLiteral("127.0.0.1:1/nodb"));
  wrong.Params().SetValue(QStringLiteral("USER NAME"), QStringLiteral("nobody"));
  wrong.Params().SetValue(QStringLiteral("PASSWORD"), QStringLiteral("Sup3rSecret"));
  try {
    wrong.SetConnected(true);
    FAIL() << "nothing listens on port 1";
  } catch (const EDatabaseError& e) {
    EXPECT_FALSE(e.Message().contains(QStringLiteral("Sup3rSecret")));
    EXPECT_FALSE(e.Message().isEmpty());
  }
}

TEST_P(PgServer, ReadOnlyRunsChangeNothing) {
  PgExec({QStringLiteral("drop table if exists keepme"), QStringLiteral("drop table if exists t2"),
          QStringLiteral("create table keepme (a int)"), QStringLiteral("insert into keepme values (1), (2)"),
          QStringLiteral("create or replace function wipe() returns int language sql as"
                         " 'delete from keepme; select 1'")});
  query_.SetReadOnly(true);
  try {
    Open(QStringLiteral("select 1 as a; delete from keepme"));
    ADD_FAILURE() << "ran two statements";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), MultipleStatementsMessage());
  }
  for (const char* writing : {"select * into t2 from keepme", "select wipe()"}) {
    try {
      Open(QString::fromLatin1(writing));
      ADD_FAILURE() << "ran " << writing;
    } catch (const EDatabaseError& e) {
      EXPECT_TRUE(e.Message().contains(QStringLiteral("read-only transaction"))) << e.Message().toStdString();
    }
  }
  // A statement that turns the session's default back does not open the door.
  Open(QStringLiteral("select set_config('default_transaction_read_only', 'off', false)"));
  EXPECT_THROW(Open(QStringLiteral("select wipe()")), EDatabaseError);
  query_.SetReadOnly(false);
  EXPECT_EQ(Open(QStringLiteral("select count(*) from keepme")).Fields(0)->AsInteger(), 2);
  EXPECT_EQ(Open(QStringLiteral("select to_regclass('t2') is null")).Fields(0)->AsBoolean(), true);
}

// Dates psqlODBC cannot put in its structures used to arrive as other dates
// (-infinity as today): through the driver they are now the server's text,
// or null and counted; natively every one is the server's text.
TEST_P(PgServer, DatesBeyondTheOdbcStructuresAreNeverOtherDates) {
  PgExec({QStringLiteral("drop table if exists far_dates"),
          QStringLiteral("create table far_dates (n int, d date, ts timestamp, tz timestamptz, ti time)"),
          QStringLiteral("insert into far_dates values"
                         " (1, '-infinity', '-infinity', '-infinity', '00:00:00'),"
                         " (2, '5874897-12-31', '294276-12-31 23:59:59', null, '23:59:59.999'),"
                         " (3, '2024-02-29', '0044-03-15 BC', '2024-02-29 13:05:09.5+00', '13:05:09'),"
                         " (4, '0001-01-01', '2024-02-29 13:05:09.123456', null, null)")});
  TQuery& q = Open(QStringLiteral("select d, ts, tz, ti from far_dates order by n"));
  QStringList lines;
  for (; !q.Eof(); q.Next()) {
    QStringList values;
    for (int i = 0; i < q.FieldCount(); ++i) values << FieldToText(q.Fields(i));
    lines << values.join(QLatin1Char(','));
  }
  const bool native = IsNative();
  EXPECT_EQ(lines, QStringList({native ? QStringLiteral("-infinity,-infinity,-infinity,00:00:00")
                                       : QStringLiteral("null,-infinity,-infinity,00:00:00"),
                                native ? QStringLiteral("5874897-12-31,294276-12-31 23:59:59,null,23:59:59")
                                       : QStringLiteral("null,null,null,23:59:59"),
                                QStringLiteral("2024/02/29,0044-03-15 00:00:00 BC,2024/02/29 13:05:09,13:05:09"),
                                QStringLiteral("0001/01/01,2024/02/29 13:05:09,null,null")}))
      << lines.join(QLatin1Char('\n')).toStdString();
  EXPECT_EQ(q.UnrepresentableValues(), native ? 0 : 3);
}

// (Read-only, as the window runs its statements: the transaction's start
// finds the connection gone before the statement is sent. A statement the
// server had begun is never run again; see AStatementTheServerEndedIsNotRunAgain.)
TEST_P(PgServer, ALostConnectionIsMadeAgainOnTheNextRun) {
  query_.SetReadOnly(true);
  const qint64 pid = Open(QStringLiteral("select pg_backend_pid()")).Fields(0)->AsInteger();
  query_.Close();
  PgExec({QStringLiteral("select pg_terminate_backend(%1)").arg(pid)});
  TQuery& again = Open(QStringLiteral("select pg_backend_pid()"));
  EXPECT_NE(again.Fields(0)->AsInteger(), pid);
}

INSTANTIATE_TEST_SUITE_P(PgPaths, PgServer, ::testing::Values("Q2T_PG_ODBC", "Q2T_PG"),
                         [](const auto& info) { return std::string(info.param) == "Q2T_PG" ? "Native" : "Odbc"; });

// 100,000 rows of a kilobyte each: a backend that held the result before
// handing over the first row would grow by 100 MB and more; one block of
// rows in the library's buffers costs a few tens.
TEST_F(PgNative, ALargeResultStreamsInFlatMemory) {
  Connected pg(QStringLiteral("Q2T_PG"));
  auto statement = pg.database.Connection()->Prepare(
      QStringLiteral("select g, repeat('x', 1000) as filler from generate_series(1, 100000) g"),
      StatementAccess::ReadOnly);
  const long before = ResidentKiB();
  statement->Execute();
  RowStore rows;
  long highest = before;
  qint64 count = 0;
  while (statement->FetchRow(rows)) {
    if (++count % 1000 == 0) {
      rows.Clear();
      highest = std::max(highest, ResidentKiB());
    }
  }
  EXPECT_EQ(count, 100000);
  EXPECT_LT(highest - before, 64 * 1024) << "grew by " << (highest - before) << " KiB";
}

// The server ends the connection in the middle of a result: one message in
// the program's words with the server's text, the rows fetched so far stay,
// and the next run connects again.
TEST_F(PgNative, AConnectionLostMidFetchIsOneMessageAndTheNextRunWorks) {
  Connected pg(QStringLiteral("Q2T_PG"));
  pg.query.SetReadOnly(true);
  const qint64 pid = pg.Open(QStringLiteral("select pg_backend_pid()")).Fields(0)->AsInteger();
  // More rows than the reader holds ahead, so that some are still to come.
  pg.Open(QStringLiteral("select g from generate_series(1, 500000) g"));
  PgExec({QStringLiteral("select pg_terminate_backend(%1)").arg(pid)});
  try {
    pg.query.FetchAll([](qint64) { return true; });
    FAIL() << "the connection was ended";
  } catch (const EDatabaseError& e) {
    EXPECT_TRUE(e.Message().startsWith(QStringLiteral("與 PostgreSQL 伺服器的連線中斷"))) << e.Message().toStdString();
    EXPECT_TRUE(e.Message().contains(QStringLiteral("terminat"))) << e.Message().toStdString();
  }
  EXPECT_GE(pg.query.FetchedCount(), 1000);  // the first block (1000 rows) arrived before
  EXPECT_EQ(pg.Open(QStringLiteral("select count(*) from generate_series(1, 50000)")).Fields(0)->AsInteger(), 50000);
}

// Failures before any row: each says what failed in the program's words and
// carries the server's text; the connection stays usable after a statement
// error; the password is never part of a message.
TEST_F(PgNative, FailuresSayWhatFailedWithTheServersText) {
  auto connectFailure = [](const QString& server, const QString& user, const QString& password) {
    TDatabase database;
    database.SetDatabaseName(QStringLiteral("FAILING"));
    database.SetDriverName(QStringLiteral("PostgreSQL Unicode"));
    database.SetLoginPrompt(false);
    database.Params().SetValue(QStringLiteral("SERVER NAME"), server);
    database.Params().SetValue(QStringLiteral("USER NAME"), user);
    database.Params().SetValue(QStringLiteral("PASSWORD"), password);
    try {
      database.SetConnected(true);
    } catch (const EDatabaseError& e) {
      return e.Message();
    }
    return QString();
  };
  const QString refused = connectFailure(QStringLiteral("127.0.0.1:1/q2t_test"), QStringLiteral("q2t"), QString());
  EXPECT_TRUE(refused.startsWith(QStringLiteral("無法連接到 PostgreSQL 伺服器"))) << refused.toStdString();
  EXPECT_TRUE(refused.contains(QStringLiteral("refused"))) << refused.toStdString();
  const QString unknown = connectFailure(PgServerAddress().replace(QStringLiteral("q2t_test"), QStringLiteral("no_db")),
                                         QStringLiteral("q2t"), QString());
  EXPECT_TRUE(unknown.contains(QStringLiteral("\"no_db\" does not exist"))) << unknown.toStdString();
  const int recorderPort = qEnvironmentVariableIntValue("Q2T_RECORDER_PORT");
  PgLoginRecorder recorder(recorderPort);
  const QString wrong = connectFailure(QStringLiteral("127.0.0.1:%1/recorded").arg(recorderPort),
                                       QStringLiteral("clerk"), QStringLiteral("Sup3rSecret"));
  EXPECT_TRUE(wrong.contains(QStringLiteral("password authentication failed"))) << wrong.toStdString();
  EXPECT_FALSE(wrong.contains(QStringLiteral("Sup3rSecret")));
  EXPECT_EQ(recorder.Passwords(), QStringList({QStringLiteral("Sup3rSecret")}));

  Connected pg(QStringLiteral("Q2T_PG"));
  pg.query.SetReadOnly(true);
  try {
    pg.Open(QStringLiteral("select 1 / 0"));
    FAIL() << "division by zero";
  } catch (const EDatabaseError& e) {
    EXPECT_TRUE(e.Message().startsWith(QStringLiteral("PostgreSQL 執行失敗:\n"))) << e.Message().toStdString();
    EXPECT_TRUE(e.Message().contains(QStringLiteral("division by zero")));
  }
  EXPECT_EQ(pg.Open(QStringLiteral("select 2")).Fields(0)->AsInteger(), 2);
}

// One result streams at a time on a connection: a statement run while
// another has rows left ends that one, which then says so instead of
// ending early as if its result were whole (the rows it had read stay).
TEST_F(PgNative, AStatementRunWhileAnotherStreamsEndsThatOneLoudly) {
  Connected pg(QStringLiteral("Q2T_PG"));
  auto first = pg.database.Connection()->Prepare(QStringLiteral("select g from generate_series(1, 300000) g"),
                                                 StatementAccess::ReadOnly);
  first->Execute();
  RowStore rows;
  ASSERT_TRUE(first->FetchRow(rows));
  auto second = pg.database.Connection()->Prepare(QStringLiteral("select 7"), StatementAccess::ReadOnly);
  second->Execute();
  ASSERT_TRUE(second->FetchRow(rows));
  EXPECT_EQ(rows.Value(1, 0).integer, 7);
  EXPECT_FALSE(second->FetchRow(rows));
  EXPECT_THROW(while (first->FetchRow(rows)) {}, EDatabaseError);
  first->Execute();  // run again, it is whole
  qint64 count = 0;
  while (const qint64 more = first->FetchRows(rows, 100000)) count += more;
  EXPECT_EQ(count, 300000);
}

// Which data sources the program reaches through libpq: those of the
// PostgreSQL driver that set nothing libpq would not honour the same way.
TEST_F(PgNative, OnlyDataSourcesThatLibpqReadsTheSameWayGoNative) {
  const auto native = PgSettingsOfDataSource(QStringLiteral("Q2T_PG"), QString(), QStringLiteral("pw"));
  ASSERT_TRUE(native.has_value());
  EXPECT_EQ(native->host, QStringLiteral("127.0.0.1"));
  EXPECT_EQ(native->port, PgPort());
  EXPECT_EQ(native->database, QStringLiteral("q2t_test"));
  EXPECT_EQ(native->user, QStringLiteral("q2t"));  // the data source's own user
  EXPECT_EQ(native->password, QStringLiteral("pw"));
  EXPECT_FALSE(PgSettingsOfDataSource(QStringLiteral("Q2T_PG_ODBC"), QString(), QString()))
      << "Query2TextNative = No keeps the driver";
  EXPECT_FALSE(PgSettingsOfDataSource(QStringLiteral("Q2T_PG_TYPES"), QString(), QString()))
      << "text columns described otherwise by the driver";
  EXPECT_FALSE(PgSettingsOfDataSource(QStringLiteral("Q2T_SQLITE"), QString(), QString()));
  // Through the window's path too: the long text column is a memo natively,
  // a string through the driver set so.
  TDatabase typesDb;
  TQuery types;
  Open(typesDb, types, "Q2T_PG_TYPES");
  EXPECT_EQ(Reopen(types, QStringLiteral("select 'x'::text as t")).Fields(0)->DataType(), ftString);
  QMap<QString, QString> params;
  params.insert(QStringLiteral("SERVER NAME"), QStringLiteral("db.example:6543/ledger"));
  params.insert(QStringLiteral("USER NAME"), QStringLiteral("clerk"));
  const auto managed = PgSettingsOfDriver(QStringLiteral("PostgreSQL Unicode"), params);
  ASSERT_TRUE(managed.has_value());
  EXPECT_EQ(managed->host + QLatin1Char('|') + managed->port + QLatin1Char('|') + managed->database,
            QStringLiteral("db.example|6543|ledger"));
  EXPECT_FALSE(PgSettingsOfDriver(QStringLiteral("MariaDB Unicode"), params));
}
