// The ODBC backend: the type mapping and connection strings, then real data
// sources: PostgreSQL through psqlODBC and SQLite through its ODBC driver.
#include "database/failure.h"
#include "text/field_text.h"
#include "database/database.h"
#include "database/odbc/odbc_backend.h"
#include "database/query.h"
#include "database/session.h"
#include "database/statement_text.h"
#include "support/connected.h"
#include "support/services.h"
#include "support/temp_database.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>
#include <utility>

TEST(OdbcTypes, DriverDescriptionsMapToFieldTypes) {
  int size = 0;
  EXPECT_EQ(OdbcFieldType(SQL_VARCHAR, 20, "varchar", false, false, size), ftString);
  EXPECT_EQ(size, 20);
  EXPECT_EQ(OdbcFieldType(SQL_WCHAR, 11, "bpchar", false, false, size), ftString);
  EXPECT_EQ(size, 11);
  EXPECT_EQ(OdbcFieldType(SQL_WVARCHAR, 0, "varchar", false, false, size), ftMemo);
  EXPECT_EQ(OdbcFieldType(SQL_VARCHAR, 8001, "varchar", false, false, size), ftMemo);
  EXPECT_EQ(OdbcFieldType(SQL_WLONGVARCHAR, 8190, "text", false, false, size), ftMemo);
  EXPECT_EQ(OdbcFieldType(SQL_SMALLINT, 5, "int2", false, false, size), ftSmallint);
  EXPECT_EQ(OdbcFieldType(SQL_TINYINT, 3, "tinyint", true, false, size), ftWord);
  EXPECT_EQ(OdbcFieldType(SQL_BIGINT, 19, "int8", false, false, size), ftInteger);
  EXPECT_EQ(OdbcFieldType(SQL_INTEGER, 10, "int4", false, true, size), ftAutoInc);
  EXPECT_EQ(OdbcFieldType(SQL_BIT, 1, "bit", false, false, size), ftBoolean);
  EXPECT_EQ(OdbcFieldType(SQL_VARCHAR, 5, "bool", false, false, size), ftBoolean);
  EXPECT_EQ(OdbcFieldType(SQL_DOUBLE, 15, "float8", false, false, size), ftFloat);
  EXPECT_EQ(OdbcFieldType(SQL_FLOAT, 15, "money", false, false, size), ftCurrency);
  EXPECT_EQ(OdbcFieldType(SQL_NUMERIC, 18, "numeric", false, false, size), ftBCD);
  EXPECT_EQ(OdbcFieldType(SQL_TYPE_DATE, 10, "date", false, false, size), ftDate);
  EXPECT_EQ(OdbcFieldType(SQL_TYPE_TIME, 8, "time", false, false, size), ftTime);
  EXPECT_EQ(OdbcFieldType(SQL_TYPE_TIMESTAMP, 26, "timestamp", false, false, size), ftDateTime);
  EXPECT_EQ(OdbcFieldType(SQL_LONGVARBINARY, 0, "bytea", false, false, size), ftBlob);
  EXPECT_EQ(OdbcFieldType(SQL_GUID, 36, "uuid", false, false, size), ftUnknown);
}

TEST(OdbcTypes, ConnectionStringsPerDriver) {
  EXPECT_EQ(OdbcDataSourceConnection(QStringLiteral("Ledger"), QStringLiteral("clerk"), QStringLiteral("a;b}c")),
            QStringLiteral("DSN=Ledger;UID=clerk;PWD={a;b}}c};"));
  QMap<QString, QString> params{{QStringLiteral("SERVER NAME"), QStringLiteral("db1:5433/ledger")},
                                {QStringLiteral("HOST NAME"), QStringLiteral("WS01")},
                                {QStringLiteral("USER NAME"), QStringLiteral("clerk")},
                                {QStringLiteral("PASSWORD"), QStringLiteral("pw")},
                                {QStringLiteral("APPLICATION NAME"), QStringLiteral("query2text 7 A01 it's")}};
  EXPECT_EQ(OdbcDriverConnection(QStringLiteral("PostgreSQL Unicode"), params),
            QStringLiteral("DRIVER={PostgreSQL Unicode};Servername=db1;Port=5433;Database=ledger;UID=clerk;PWD=pw;"
                           "pqopt={application_name='query2text 7 A01 it\\'s'};UseDeclareFetch=1;Fetch=10000;"));
  EXPECT_EQ(OdbcDriverConnection(QStringLiteral("FreeTDS"), params),
            QStringLiteral("DRIVER={FreeTDS};Server=db1;Port=5433;Database=ledger;UID=clerk;PWD=pw;"
                           "APP={query2text 7 A01 it's};WSID=WS01;"));
  params[QStringLiteral("SERVER NAME")] = QStringLiteral("/srv/ledger.db");
  EXPECT_EQ(OdbcDriverConnection(QStringLiteral("SQLite3"), params),
            QStringLiteral("DRIVER={SQLite3};Database=/srv/ledger.db;Timeout=5000;"));
  params[QStringLiteral("SERVER NAME")] = QStringLiteral("db2");
  EXPECT_EQ(OdbcDriverConnection(QStringLiteral("MariaDB Unicode"), params),
            QStringLiteral("DRIVER={MariaDB Unicode};Server=db2;UID=clerk;PWD=pw;"));
}

namespace {

class PgOdbc : public ::testing::Test {
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
    database_.SetAliasName(QStringLiteral("Q2T_PG"));
    database_.SetLoginPrompt(false);
    query_.SetDatabaseName(QStringLiteral("PGTEST"));
  }
  TQuery& Open(const QString& sql) { return Reopen(query_, sql); }
  TDatabase database_;
  TQuery query_;
};

}  // namespace

TEST_F(PgOdbc, ColumnTypesAndSizes) {
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

TEST_F(PgOdbc, ValuesArriveIntact) {
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

TEST_F(PgOdbc, LongValuesManyRowsAndTables) {
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

TEST_F(PgOdbc, StatementsWithoutRowsAndFailures) {
  database_.SetConnected(true);
  auto none = database_.Connection()->Prepare(QStringLiteral("delete from pg_types where 1 = 2"), StatementAccess::ReadWrite);
  EXPECT_NO_THROW(none->Execute());
  EXPECT_EQ(none->RowsAffected(), 0);
  auto some = database_.Connection()->Prepare(QStringLiteral("update pg_types set s = 1"), StatementAccess::ReadWrite);
  some->Execute();
  EXPECT_EQ(some->RowsAffected(), 2);
  EXPECT_THROW(Open(QStringLiteral("select nosuch from pg_types")), EDatabaseError);
}

TEST_F(PgOdbc, AFailedConnectionNeverShowsThePassword) {
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

TEST(PgSqliteOdbc, SqliteThroughItsOdbcDriver) {
  if (!TestServicesRunning()) GTEST_SKIP() << "needs the services of ./dev test";
  const QString path = qEnvironmentVariable("Q2T_ODBC_SQLITE");
  QFile::remove(path);
  TempDatabase source(QStringLiteral("create table s (id integer primary key autoincrement, name varchar(10),"
                                     " big integer, note text, d decimal(10,2));"
                                     "insert into s (name, big, note, d) values ('中文', 9007199254740993, '', 1.25);"
                                     "insert into s (name, big, note) values (null, -1, null);"),
                      QStringLiteral("UNUSED"));
  ASSERT_TRUE(QFile::copy(source.Path(), path));
  QStringList aliases;
  Session().GetAliasNames(aliases);
  EXPECT_EQ(aliases.first(), QStringLiteral("DBDEMOS"));
  EXPECT_TRUE(aliases.contains(QStringLiteral("Q2T_SQLITE")));
  EXPECT_TRUE(aliases.contains(QStringLiteral("Q2T_PG")));
  TDatabase database;
  database.SetDatabaseName(QStringLiteral("SQLITEODBC"));
  database.SetAliasName(QStringLiteral("q2t_sqlite"));  // alias names ignore case
  TQuery query;
  query.SetDatabaseName(QStringLiteral("SQLITEODBC"));
  query.SQL().SetText(QStringLiteral("select * from s order by id"));
  query.Open();
  EXPECT_EQ(query.FieldByName("name")->DataType(), ftString);
  EXPECT_EQ(query.FieldByName("name")->Size(), 10);
  EXPECT_EQ(query.FieldByName("big")->DataType(), ftInteger);
  EXPECT_EQ(query.FieldByName("name")->AsString(), QStringLiteral("中文"));
  EXPECT_EQ(query.FieldByName("big")->AsInteger(), 9007199254740993LL);
  EXPECT_FALSE(query.FieldByName("note")->IsNull());
  query.Next();
  EXPECT_TRUE(query.FieldByName("name")->IsNull());
  EXPECT_TRUE(query.FieldByName("note")->IsNull());
  EXPECT_EQ(query.RecordCount(), 2);
  QStringList tables;
  Session().GetTableNames(QStringLiteral("SQLITEODBC"), tables);
  EXPECT_EQ(tables, QStringList({QStringLiteral("s")}));  // no sqlite_sequence
}

TEST_F(PgOdbc, ReadOnlyRunsChangeNothing) {
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

// A SQLite file that another writer holds locked: both paths wait a few
// seconds (not a hundred), then say so; once the lock is gone they work.
TEST(PgSqliteLocked, BothPathsWaitAWhileThenSaySo) {
  if (!TestServicesRunning()) GTEST_SKIP() << "needs the services of ./dev test";
  const QString odbcFile = qEnvironmentVariable("Q2T_ODBC_SQLITE");
  QFile::remove(odbcFile);
  TempDatabase builtIn(QStringLiteral("create table s (a integer); insert into s values (1);"), QStringLiteral("LOCKDB"));
  ASSERT_TRUE(QFile::copy(builtIn.Path(), odbcFile));
  for (const auto& [alias, file] : {std::pair{QStringLiteral("LOCKDB"), builtIn.Path()},
                                    std::pair{QStringLiteral("Q2T_SQLITE"), odbcFile}}) {
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(file.toUtf8().constData(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer, "begin exclusive; insert into s values (2);", nullptr, nullptr, nullptr), SQLITE_OK);
    TDatabase database;
    database.SetDatabaseName(QStringLiteral("LOCKED"));
    database.SetAliasName(alias);
    database.SetLoginPrompt(false);
    TQuery query;
    query.SetDatabaseName(QStringLiteral("LOCKED"));
    query.SQL().SetText(QStringLiteral("select count(*) from s"));
    try {
      query.Open();
      ADD_FAILURE() << alias.toStdString() << " read through another writer's lock";
    } catch (const EDatabaseError& e) {
      EXPECT_TRUE(e.Message().contains(QStringLiteral("鎖住"))) << e.Message().toStdString();
      EXPECT_TRUE(e.Message().contains(QStringLiteral("database is locked"))) << e.Message().toStdString();
    }
    sqlite3_exec(writer, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close(writer);
    query.Close();
    query.Open();
    EXPECT_EQ(query.Fields(0)->AsInteger(), 1) << alias.toStdString();
  }
}

// Dates psqlODBC cannot put in its structures used to arrive as other dates
// (-infinity as today); now they are the server's text, or null and counted.
TEST_F(PgOdbc, DatesBeyondTheOdbcStructuresAreNeverOtherDates) {
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
  EXPECT_EQ(lines, QStringList({QStringLiteral("null,-infinity,-infinity,00:00:00"),
                                QStringLiteral("null,null,null,23:59:59"),
                                QStringLiteral("2024/02/29,0044-03-15 00:00:00 BC,2024/02/29 13:05:09,13:05:09"),
                                QStringLiteral("0001/01/01,2024/02/29 13:05:09,null,null")}))
      << lines.join(QLatin1Char('\n')).toStdString();
  EXPECT_EQ(q.UnrepresentableValues(), 3);
}

TEST(ServerDateText, KeepsRealDatesAndTheEnginesOwnText) {
  auto normal = [](const char* in, ServerDate expected, const char* out) {
    QByteArray text(in);
    EXPECT_EQ(NormalizeServerDateText(text), expected) << in;
    EXPECT_EQ(text, QByteArray(out)) << in;
  };
  normal("2024-02-29", ServerDate::Representable, "2024-02-29");
  normal("2024-02-29 13:05:09.123456+05:30", ServerDate::Representable, "2024-02-29 13:05:09.123456");
  normal("13:05:09-08", ServerDate::Representable, "13:05:09");
  normal("0000-00-00", ServerDate::Unrepresentable, "0000-00-00");
  normal("2023-02-29", ServerDate::Unrepresentable, "2023-02-29");
  normal("infinity", ServerDate::EngineText, "infinity");
  normal("9999-01-01 00:00:00 BC", ServerDate::EngineText, "-infinity");
  normal("0044-03-15 00:00:00 BC", ServerDate::EngineText, "0044-03-15 00:00:00 BC");
  normal("24:00:00", ServerDate::Representable, "24:00:00");
}

TEST_F(PgOdbc, ALostConnectionIsMadeAgainOnTheNextRun) {
  const qint64 pid = Open(QStringLiteral("select pg_backend_pid()")).Fields(0)->AsInteger();
  query_.Close();
  PgExec({QStringLiteral("select pg_terminate_backend(%1)").arg(pid)});
  TQuery& again = Open(QStringLiteral("select pg_backend_pid()"));
  EXPECT_NE(again.Fields(0)->AsInteger(), pid);
}
