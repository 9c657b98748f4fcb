// The engine layer against real SQLite files.
#include "database/failure.h"
#include "database/database.h"
#include "database/query.h"
#include "database/row_store.h"
#include "database/session.h"
#include "database/value_text.h"
#include "support/connected.h"
#include "support/temp_database.h"

#include <QFile>
#include <QLocale>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>

namespace {


const char* const kTypesTable = R"(
create table types (
  b1 boolean, b2 bit, w1 smallint unsigned, w2 tinyint unsigned, s1 smallint, s2 tinyint, s3 int2,
  c1 money, c2 currency, d1 decimal(18,6), d2 numeric, dt1 datetime, dt2 timestamp, da date, ti time,
  bl1 blob, bl2 varbinary(10), bl3 bytea, bl4 image, g graphic, f1 real, f2 float, f3 double precision,
  i1 integer, i2 bigint, st1 varchar(20), st2 char, st3 nchar(5), st4 nvarchar(7), st5 string,
  m1 text, m2 clob, m3 memo, u1 whatever
);
create table counter (id integer primary key autoincrement, plain integer);
create table keyed (id integer primary key, name varchar(10));
)";

}  // namespace

TEST(FieldType, HasTheFixedMembersAndDataSizes) {
  EXPECT_EQ(kFieldTypeCount, 23);
  EXPECT_EQ(ftUnknown, 0);
  EXPECT_EQ(ftBCD, 8);
  EXPECT_EQ(ftAutoInc, 14);
  EXPECT_EQ(ftCursor, 22);
  EXPECT_EQ(FieldDataSize(ftString, 10), 11);
  EXPECT_EQ(FieldDataSize(ftWord, 0), 2);
  EXPECT_EQ(FieldDataSize(ftAutoInc, 0), 4);
  EXPECT_EQ(FieldDataSize(ftDateTime, 0), 8);
  EXPECT_EQ(FieldDataSize(ftBCD, 0), 34);
  EXPECT_EQ(FieldDataSize(ftBytes, 6), 6);
  EXPECT_EQ(FieldDataSize(ftVarBytes, 6), 8);
  EXPECT_EQ(FieldDataSize(ftMemo, 0), 0);
}

TEST(SqliteTypes, DeclaredTypesMapByTheFirstMatchingRule) {
  TempDatabase db(QString::fromUtf8(kTypesTable));
  Connected c(db.Alias());
  TQuery& q = c.Open(QStringLiteral("select * from types"));
  struct Expect {
    const char* name;
    TFieldType type;
    int size;
    int dataSize;
  };
  const Expect expected[] = {
      {"b1", ftBoolean, 0, 2},    {"b2", ftBoolean, 0, 2},   {"w1", ftWord, 0, 2},       {"w2", ftWord, 0, 2},
      {"s1", ftSmallint, 0, 2},   {"s2", ftSmallint, 0, 2},  {"s3", ftSmallint, 0, 2},   {"c1", ftCurrency, 0, 8},
      {"c2", ftCurrency, 0, 8},   {"d1", ftBCD, 0, 34},      {"d2", ftBCD, 0, 34},       {"dt1", ftDateTime, 0, 8},
      {"dt2", ftDateTime, 0, 8},  {"da", ftDate, 0, 4},      {"ti", ftTime, 0, 4},       {"bl1", ftBlob, 0, 0},
      {"bl2", ftBlob, 0, 0},      {"bl3", ftBlob, 0, 0},     {"bl4", ftBlob, 0, 0},      {"g", ftGraphic, 0, 0},
      {"f1", ftFloat, 0, 8},      {"f2", ftFloat, 0, 8},     {"f3", ftFloat, 0, 8},      {"i1", ftInteger, 0, 4},
      {"i2", ftInteger, 0, 4},    {"st1", ftString, 20, 21}, {"st2", ftString, 255, 256}, {"st3", ftString, 5, 6},
      {"st4", ftString, 7, 8},    {"st5", ftString, 255, 256}, {"m1", ftMemo, 0, 0},     {"m2", ftMemo, 0, 0},
      {"m3", ftMemo, 0, 0},       {"u1", ftUnknown, 0, 0},
  };
  ASSERT_EQ(q.FieldCount(), static_cast<int>(std::size(expected)));
  for (int i = 0; i < q.FieldCount(); ++i) {
    const TField* f = q.Fields(i);
    SCOPED_TRACE(f->FieldName().toStdString());
    EXPECT_EQ(f->FieldName(), QLatin1String(expected[i].name));
    EXPECT_EQ(f->DataType(), expected[i].type);
    EXPECT_EQ(f->Size(), expected[i].size);
    EXPECT_EQ(f->DataSize(), expected[i].dataSize);
  }
}

TEST(SqliteTypes, AutoIncrementOnlyForTheKeyword) {
  TempDatabase db(QString::fromUtf8(kTypesTable));
  Connected c(db.Alias());
  TQuery& q = c.Open(QStringLiteral("select c.id, c.plain, k.id as kid from counter c, keyed k"));
  EXPECT_EQ(q.Fields(0)->DataType(), ftAutoInc);
  EXPECT_EQ(q.Fields(0)->DataSize(), 4);
  EXPECT_EQ(q.Fields(1)->DataType(), ftInteger);
  EXPECT_EQ(q.Fields(2)->DataType(), ftInteger);
}

TEST(SqliteTypes, ExpressionsTakeTheFirstRowsStorageClass) {
  TempDatabase db(QString::fromUtf8(kTypesTable));
  Connected c(db.Alias());
  TQuery& q = c.Open(QStringLiteral("select count(*), 1.5, 'x', x'00ff', null, 7 as seven"));
  EXPECT_EQ(q.Fields(0)->DataType(), ftInteger);
  EXPECT_EQ(q.Fields(1)->DataType(), ftFloat);
  EXPECT_EQ(q.Fields(2)->DataType(), ftString);
  EXPECT_EQ(q.Fields(2)->Size(), 255);
  EXPECT_EQ(q.Fields(3)->DataType(), ftBlob);
  EXPECT_EQ(q.Fields(4)->DataType(), ftUnknown);
  EXPECT_EQ(q.Fields(5)->FieldName(), QStringLiteral("seven"));
  // The same mapping with no rows: declared types still count.
  TQuery& empty = c.Open(QStringLiteral("select * from types where 1=2"));
  EXPECT_EQ(empty.Fields(0)->DataType(), ftBoolean);
  EXPECT_EQ(empty.RecordCount(), 0);
  EXPECT_TRUE(empty.Eof());
}

TEST(SqliteFields, LabelsWidthsAndMissingNames) {
  TempDatabase db(QString::fromUtf8(kTypesTable));
  Connected c(db.Alias());
  TQuery& q = c.Open(QStringLiteral("select st1, st3, i1, m1 from types"));
  EXPECT_EQ(q.Fields(0)->DisplayLabel(), QStringLiteral("st1"));
  EXPECT_EQ(q.Fields(0)->DisplayWidth(), 20);
  EXPECT_EQ(q.Fields(1)->DisplayWidth(), 5);
  EXPECT_EQ(q.Fields(2)->DisplayWidth(), 10);
  EXPECT_EQ(q.Fields(3)->DisplayWidth(), 10);
  q.Fields(2)->SetDisplayLabel(QStringLiteral("編號"));
  EXPECT_EQ(q.Fields(2)->DisplayLabel(), QStringLiteral("編號"));
  EXPECT_EQ(q.FieldByName(QStringLiteral("ST1")), q.Fields(0));
  try {
    q.FieldByName(QStringLiteral("nosuch"));
    FAIL() << "a missing field must fail";
  } catch (const EDatabaseError& e) {
    EXPECT_TRUE(e.Message().contains(QStringLiteral("nosuch")));
  }
}

TEST(SqliteValues, TextIntegersFloatsAndDecimals) {
  TempDatabase db(QStringLiteral(
      "create table v (i bigint, f double, m money, d decimal(18,6), s varchar(10), b boolean, bl blob, t text);"
      "insert into v values (9223372036854775807, 0.1, 12.5, '123.456000', '中文', 1, x'001FA0', '多行\n文字');"
      "insert into v values (-9223372036854775808, 1e20, 3, 2000000.000001, '', 0, x'', null);"
      "insert into v values (4294967296, 123456789012345678, -0.25, '100.000', null, 'false', null, '');"));
  Connected c(db.Alias());
  TQuery& q = c.Open(QStringLiteral("select * from v"));
  const QString point = QLocale::system().decimalPoint();
  auto dec = [&](QString s) { return s.replace(QLatin1Char('.'), point); };

  EXPECT_EQ(q.Fields(0)->AsInteger(), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(q.Fields(0)->AsString(), QStringLiteral("9223372036854775807"));
  EXPECT_EQ(q.Fields(1)->AsString(), dec(QStringLiteral("0.1")));
  EXPECT_EQ(q.Fields(2)->AsString(), dec(QStringLiteral("12.5")));
  EXPECT_EQ(q.Fields(3)->AsString(), dec(QStringLiteral("123.456")));
  EXPECT_EQ(q.Fields(4)->AsString(), QStringLiteral("中文"));
  EXPECT_EQ(q.Fields(5)->AsString(), QStringLiteral("True"));
  EXPECT_TRUE(q.Fields(5)->AsBoolean());
  EXPECT_EQ(q.Fields(6)->AsBytes(), QByteArray("\x00\x1F\xA0", 3));
  EXPECT_EQ(q.Fields(7)->AsString(), QStringLiteral("多行\n文字"));

  q.Next();
  EXPECT_EQ(q.Fields(0)->AsString(), QStringLiteral("-9223372036854775808"));
  EXPECT_EQ(q.Fields(1)->AsString(), QStringLiteral("1E+20"));
  EXPECT_EQ(q.Fields(3)->AsString(), dec(QStringLiteral("2000000.000001")));  // not rounded to 4 places
  EXPECT_EQ(q.Fields(4)->AsString(), QString());
  EXPECT_FALSE(q.Fields(4)->IsNull());  // empty is not null
  EXPECT_EQ(q.Fields(5)->AsString(), QStringLiteral("False"));
  EXPECT_FALSE(q.Fields(6)->IsNull());
  EXPECT_TRUE(q.Fields(6)->AsBytes().isEmpty());
  EXPECT_TRUE(q.Fields(7)->IsNull());
  EXPECT_EQ(q.Fields(7)->AsString(), QString());

  q.Next();
  EXPECT_EQ(q.Fields(0)->AsInteger(), 4294967296LL);
  EXPECT_EQ(q.Fields(1)->AsString(), dec(QStringLiteral("1.23456789012346E+17")));
  EXPECT_EQ(q.Fields(2)->AsString(), dec(QStringLiteral("-0.25")));
  EXPECT_EQ(q.Fields(3)->AsString(), QStringLiteral("100"));
  EXPECT_TRUE(q.Fields(4)->IsNull());
  EXPECT_FALSE(q.Fields(5)->AsBoolean());
}

TEST(SqliteValues, DatesAndTimesFollowTheSystemFormats) {
  TempDatabase db(QStringLiteral(
      "create table d (dt datetime, da date, ti time);"
      "insert into d values ('2001-05-04 13:05:09', '2001-05-04', '13:05:09');"
      "insert into d values ('2001-05-04 00:00:00', '1999-12-31', '00:00:00');"
      "insert into d values ('2024-02-29T23:59:58.250', null, '23:59');"));
  Connected c(db.Alias());
  TQuery& q = c.Open(QStringLiteral("select * from d"));
  const QLocale locale = QLocale::system();
  QString longTime = locale.timeFormat(QLocale::LongFormat);
  longTime.remove(QLatin1Char('t'));
  longTime = longTime.trimmed();
  const QDateTime first(QDate(2001, 5, 4), QTime(13, 5, 9), Qt::UTC);
  EXPECT_EQ(q.Fields(0)->AsDateTime(), first);
  EXPECT_EQ(q.Fields(0)->AsString(), locale.toString(first.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                                         locale.toString(first.time(), longTime));
  EXPECT_EQ(q.Fields(1)->AsString(), locale.toString(first.date(), QLocale::ShortFormat));
  EXPECT_EQ(q.Fields(2)->AsDateTime(), QDateTime(QDate(1899, 12, 30), QTime(13, 5, 9), Qt::UTC));
  q.Next();
  // Midnight: the date alone.
  EXPECT_EQ(q.Fields(0)->AsString(), locale.toString(QDate(2001, 5, 4), QLocale::ShortFormat));
  q.Next();
  EXPECT_EQ(q.Fields(0)->AsDateTime(), QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58, 250), Qt::UTC));
  EXPECT_TRUE(q.Fields(1)->IsNull());
  EXPECT_EQ(q.Fields(2)->AsDateTime().time(), QTime(23, 59));
}

TEST(SqliteQuery, RecordCountNavigationAndClosedDataset) {
  TempDatabase db(QStringLiteral(
      "create table n (i integer);"
      "with recursive c(x) as (select 1 union all select x + 1 from c where x < 2500) insert into n select x from c;"));
  Connected c(db.Alias());
  TQuery& q = c.Open(QStringLiteral("select i from n order by i"));
  EXPECT_LT(q.FetchedCount(), 2500);  // rows come as they are needed
  EXPECT_EQ(q.RecordCount(), 2500);
  qint64 seen = 0, sum = 0;
  for (q.First(); !q.Eof(); q.Next()) {
    ++seen;
    sum += q.Fields(0)->AsInteger();
  }
  EXPECT_EQ(seen, 2500);
  EXPECT_EQ(sum, 2500LL * 2501 / 2);
  EXPECT_EQ(q.Fields(0)->AsInteger(), 2500);  // stays on the last record at the end
  q.Close();
  EXPECT_FALSE(q.Active());
  try {
    q.RecordCount();
    FAIL() << "a closed dataset has no record count";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("不能對一個已關閉的 dataset 進行此操作"));
  }
}

TEST(SqliteQuery, SqlLinesParamsAndBadStatements) {
  TempDatabase db(QStringLiteral("create table t (a integer); insert into t values (1);"));
  Connected c(db.Alias());
  TQuery& q = c.query;
  q.SQL().SetText(QStringLiteral("select a\r\nfrom t\nwhere a = :wanted"));
  EXPECT_EQ(q.SQL().Count(), 3);
  EXPECT_EQ(q.SQL().Text(), QStringLiteral("select a\r\nfrom t\r\nwhere a = :wanted\r\n"));
  q.Prepare();
  ASSERT_EQ(q.ParamCount(), 1);
  EXPECT_EQ(q.Params(0).Name, QStringLiteral("wanted"));
  EXPECT_EQ(q.Params(0).AsString(), QString());
  q.Open();
  EXPECT_TRUE(q.Active());
  q.SQL().Add(QStringLiteral("or 1=1"));  // a change closes the query
  EXPECT_FALSE(q.Active());
  EXPECT_FALSE(q.Prepared());
  q.SQL().SetText(QStringLiteral("select nosuch from t"));
  EXPECT_THROW(q.Open(), EDatabaseError);
  EXPECT_FALSE(q.Active());
  q.SQL().SetText(QStringLiteral("select * from t"));
  q.Open();
  EXPECT_EQ(q.RowsAffected(), -1);
  EXPECT_THROW(q.SetDatabaseName(QStringLiteral("other")), EDatabaseError);
}

TEST(SqliteDatabase, ParamsConnectionAndTables) {
  TDatabaseParams params;
  params.SetValue(QStringLiteral("USER NAME"), QStringLiteral("clerk"));
  params.SetValue(QStringLiteral("PASSWORD"), QStringLiteral("x"));
  params.SetValue(QStringLiteral("user name"), QStringLiteral("boss"));
  EXPECT_EQ(params.Text(), QStringLiteral("user name=boss\r\nPASSWORD=x\r\n"));
  params.SetValue(QStringLiteral("Password"), QString());
  EXPECT_EQ(params.Text(), QStringLiteral("user name=boss\r\n"));
  EXPECT_EQ(params.Value(QStringLiteral("USER NAME")), QStringLiteral("boss"));

  TempDatabase db(QStringLiteral(
      "create table zeta (a integer primary key autoincrement); create table Alpha (b text);"
      "create view v as select * from zeta; insert into zeta default values; analyze;"));
  Connected c(db.Alias());
  QStringList tables;
  Session().GetTableNames(c.database.DatabaseName(), tables);
  EXPECT_EQ(tables, QStringList({QStringLiteral("Alpha"), QStringLiteral("zeta")}));

  TDatabase other;
  other.SetDatabaseName(QStringLiteral("OTHER"));
  other.SetAliasName(QStringLiteral("NO_SUCH_ALIAS"));
  EXPECT_THROW(other.SetConnected(true), EDatabaseError);
  EXPECT_FALSE(other.Connected());
  other.SetDriverName(QStringLiteral("SQLite3"));
  EXPECT_TRUE(other.AliasName().isEmpty());
}

TEST(SqliteDatabase, DisconnectClosesTheQueriesOnIt) {
  TempDatabase db(QStringLiteral("create table t (a integer); insert into t values (1);"));
  Connected c(db.Alias());
  c.Open(QStringLiteral("select * from t"));
  c.database.SetConnected(false);
  EXPECT_FALSE(c.query.Active());
  c.query.Open();  // reconnects on demand
  EXPECT_TRUE(c.database.Connected());
  EXPECT_EQ(c.query.Fields(0)->AsInteger(), 1);
}

// Rows stored apart (as a reader thread stores a block) are taken over
// without copying, and rows added afterwards follow them.
TEST(RowStoreBlocks, RowsTakenOverKeepTheirValuesAndOrder) {
  RowStore store, block;
  store.AddInteger(1);
  store.AddText("one", 3);
  store.EndRow();
  for (int i = 2; i <= 3000; ++i) {  // more than one chunk's worth of long values
    const std::string text(2000, static_cast<char>('a' + i % 26));
    block.AddInteger(i);
    block.AddText(text.data(), text.size());
    block.EndRow();
  }
  store.Append(std::move(block));
  EXPECT_EQ(block.Count(), 0);
  store.AddNull();
  store.AddFloat(2.5);
  store.EndRow();
  ASSERT_EQ(store.Count(), 3001);
  EXPECT_EQ(store.Value(0, 1).bytes(), QByteArrayView("one"));
  for (int row = 1; row < 3000; ++row) {
    ASSERT_EQ(store.Value(row, 0).integer, row + 1);
    ASSERT_EQ(store.Value(row, 1).size, 2000u);
    ASSERT_EQ(store.Value(row, 1).data[1999], static_cast<char>('a' + (row + 1) % 26));
  }
  EXPECT_TRUE(store.Value(3000, 0).isNull());
  EXPECT_EQ(store.Value(3000, 1).real, 2.5);
}

// Small integers and lengths are kept inside the value's first byte, larger
// ones after it: every value on either side of that limit comes back whole.
TEST(RowStoreBlocks, ValuesAtTheEdgesOfTheCompactFormComeBackWhole) {
  const std::int64_t integers[] = {0, 1, -1, 15, -15, 16, -16, 17, 30, 31, 32, -31, -32, 1 << 20, -(1 << 20),
                                   INT32_MAX, INT32_MIN, INT64_MAX, INT64_MIN, INT64_MAX - 1, INT64_MIN + 1};
  const std::size_t lengths[] = {0, 1, 14, 15, 16, 30, 31, 32, 127, 128, 16383, 16384, 300000};
  RowStore store;
  for (std::int64_t v : integers) store.AddInteger(v);
  for (std::size_t n : lengths) {
    const std::string text(n, static_cast<char>('a' + n % 26));
    store.AddText(text.data(), text.size());
    store.AddBlob(text.data(), text.size());
  }
  store.AddNull();
  store.AddFloat(-0.0);
  store.EndRow();
  std::vector<CellValue> row(std::size(integers) + 2 * std::size(lengths) + 2);
  store.DecodeRow(0, row);
  int column = 0;
  for (std::int64_t v : integers) {
    ASSERT_EQ(row[column].kind, CellKind::Integer);
    EXPECT_EQ(row[column++].integer, v);
  }
  for (std::size_t n : lengths) {
    for (CellKind kind : {CellKind::Text, CellKind::Blob}) {
      ASSERT_EQ(row[column].kind, kind);
      ASSERT_EQ(row[column].size, n);
      EXPECT_EQ(std::string(row[column++].data, n), std::string(n, static_cast<char>('a' + n % 26)));
    }
  }
  EXPECT_TRUE(row[column++].isNull());
  EXPECT_TRUE(std::signbit(row[column].real));
  EXPECT_EQ(store.Value(0, column).kind, CellKind::Float);
}

// The SQLite file deleted, or another renamed over it: the next statement
// reads the file that is there now (or says it is gone), never the old rows.
TEST(SqliteFile, ADeletedOrReplacedFileIsNeverReadStale) {
  TempDatabase db(QStringLiteral("create table t (v text); insert into t values ('old');"), QStringLiteral("STALE"));
  Connected sqlite(db.Alias());
  EXPECT_EQ(sqlite.Open(QStringLiteral("select v from t")).Fields(0)->AsString(), QStringLiteral("old"));
  const QString replacement = db.Path() + QStringLiteral(".new");
  {
    TempDatabase other(QStringLiteral("create table t (v text); insert into t values ('new');"), QStringLiteral("STALE_NEW"));
    ASSERT_TRUE(QFile::copy(other.Path(), replacement));
  }
  ASSERT_EQ(std::rename(replacement.toUtf8().constData(), db.Path().toUtf8().constData()), 0);
  EXPECT_EQ(sqlite.Open(QStringLiteral("select v from t")).Fields(0)->AsString(), QStringLiteral("new"));
  ASSERT_TRUE(QFile::remove(db.Path()));
  try {
    sqlite.Open(QStringLiteral("select v from t"));
    ADD_FAILURE() << "a deleted file was read";
  } catch (const EDatabaseError& e) {
    EXPECT_TRUE(e.Message().contains(QStringLiteral("找不到資料庫檔案"))) << e.Message().toStdString();
  }
}
