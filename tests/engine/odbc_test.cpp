// The ODBC backend: the type mapping and connection strings, then real data
// sources: SQLite through its ODBC driver (PostgreSQL: postgres_test.cpp).
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
  database.SetAliasName(QStringLiteral("q2t_sqlite_odbc"));  // alias names ignore case
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

// A SQLite file that another writer holds locked: both paths wait a few
// seconds (not a hundred), then say so; once the lock is gone they work.
TEST(PgSqliteLocked, BothPathsWaitAWhileThenSaySo) {
  if (!TestServicesRunning()) GTEST_SKIP() << "needs the services of ./dev test";
  const QString odbcFile = qEnvironmentVariable("Q2T_ODBC_SQLITE");
  QFile::remove(odbcFile);
  TempDatabase builtIn(QStringLiteral("create table s (a integer); insert into s values (1);"), QStringLiteral("LOCKDB"));
  ASSERT_TRUE(QFile::copy(builtIn.Path(), odbcFile));
  for (const auto& [alias, file] : {std::pair{QStringLiteral("LOCKDB"), builtIn.Path()},
                                    std::pair{QStringLiteral("Q2T_SQLITE_ODBC"), odbcFile}}) {
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

// What the SQLite driver would change without a word ('0x1F' to 31, '-' to
// null, an impossible date to null) comes through a data source that keeps
// the driver as the built-in path gives it; a data source the program opens
// itself (the default) gives even what the driver changes as text (a time
// 0.5 as 00:00:00, a text cut at a NUL, bytes that are no UTF-8).
TEST(PgSqliteDriver, ValuesComeAsTheFileStoresThem) {
  if (!TestServicesRunning()) GTEST_SKIP() << "needs the services of ./dev test";
  const QString odbcFile = qEnvironmentVariable("Q2T_ODBC_SQLITE");
  QFile::remove(odbcFile);
  TempDatabase builtIn(QStringLiteral(
                           "create table odd (n integer, d date, ts datetime, b boolean, t time, s text);"
                           "insert into odd values ('0x1F', '2024-13-45', '2024-03-05 13:04:05', 1, 0.5, 'a' || char(0) || 'b');"
                           "insert into odd values ('-', '2024-02-29', 'soon', 0, '13:04:05', cast(x'41FF42' as text));"
                           "insert into odd values (42, null, null, null, null, null);"),
                       QStringLiteral("ODDDB"));
  ASSERT_TRUE(QFile::copy(builtIn.Path(), odbcFile));
  const auto texts = [](const QString& alias, int columns) {
    Connected sqlite(alias);
    QStringList values;
    TQuery& query = sqlite.Open(QStringLiteral("select * from odd"));
    for (; !query.Eof(); query.Next())
      for (int i = 0; i < columns; ++i) values << FieldToText(query.Fields(i));
    return values;
  };
  const QStringList stored = texts(QStringLiteral("ODDDB"), 6);
  EXPECT_EQ(stored.mid(0, 4), QStringList({"0x1F", "2024-13-45", "2024/03/05 13:04:05", "1"}));
  EXPECT_EQ(texts(QStringLiteral("Q2T_SQLITE"), 6), stored);
  EXPECT_EQ(texts(QStringLiteral("Q2T_SQLITE_ODBC"), 4), texts(QStringLiteral("ODDDB"), 4));
}
