// MariaDB's and MySQL's own rules for a statement's text, and the values
// their servers write, read as the program stores them: no server needed.
#include "database/mariadb/mariadb_statement_text.h"
#include "database/mysql_values.h"
#include "database/row_store.h"
#include "text/insert_into.h"

#include <gtest/gtest.h>

namespace {

bool Runs(const char* sql, bool readOnly = true) { return MariaDbStatementRefusal(QString::fromUtf8(sql), readOnly).isEmpty(); }

}  // namespace

TEST(MariaDbStatementText, OneStatementByTheServersCommentRules) {
  for (const char* one : {"select 1", "select 1;", "select 1; # done", "select 1 # ; delete from t",
                          "select 1 -- ; delete from t\n", "select 1; -- done", "select 1;\t--\tdone",
                          "select ';' as a", "select `a;b` from t", "select 'it''s; ok'",
                          "select /* ; */ 1", "select 1 /*!50000 + 1 */", "select \"a;b\""})
    EXPECT_TRUE(Runs(one)) << one;
  for (const char* more : {"select 1; delete from t",
                           // the server runs what is inside /*! */ and /*M! */
                           "select 1 /*! ; delete from t */", "select 1 /*M!100000 ; delete from t */",
                           // "--" with no blank after it is no comment
                           "select 1 --1; delete from t", "select 1 --; delete from t",
                           // comments do not nest: the first */ ends this one
                           "select 1 /* /* */ ; delete from t */",
                           // a backslash escapes the quote under the default mode, not under
                           // NO_BACKSLASH_ESCAPES: either way two statements are refused
                           "select 'a\\'; delete from t; --'", "select 'it\\'s; ok'"})
    EXPECT_FALSE(Runs(more)) << more;
}

TEST(MariaDbStatementText, ReadOnlyRunsNeitherWriteFilesNorLockRows) {
  for (const char* refused : {"select * from t into outfile '/tmp/x'", "select 1 INTO\nDUMPFILE '/tmp/x'",
                              "select 1 /*! into outfile '/tmp/x' */", "select * from t for update",
                              "select * from t where a = 1 FOR  UPDATE nowait", "select * from t lock in share mode",
                              "select * from t for share"})
    EXPECT_FALSE(Runs(refused)) << refused;
  for (const char* fine : {"select 'into outfile'", "select `into`, outfile from t", "select 1 # for update",
                           "select * from t into @x", "select for_update from t", "select 1 /* for update */"})
    EXPECT_TRUE(Runs(fine)) << fine;
  // A statement of the program's own that may write is not read-only.
  EXPECT_TRUE(Runs("select * from t for update", false));
  EXPECT_FALSE(Runs("select 1; select 2", false));
}

TEST(MySqlValues, TheServersTextKeptWhereTheProgramWouldChangeIt) {
  struct Case {
    MySqlRead read;
    const char* text;
    CellKind kind;
    std::int64_t integer;  // for Integer cells
    const char* stored;    // for Text and Blob cells
    bool counted;
  };
  const Case cases[] = {
      {MySqlRead::Integer, "-9223372036854775808", CellKind::Integer, INT64_MIN, nullptr, false},
      {MySqlRead::Unsigned, "9223372036854775807", CellKind::Integer, INT64_MAX, nullptr, false},
      {MySqlRead::Unsigned, "9223372036854775808", CellKind::Text, 0, "9223372036854775808", false},
      {MySqlRead::Unsigned, "18446744073709551615", CellKind::Text, 0, "18446744073709551615", false},
      {MySqlRead::ServerText, "1.7976931348623157e308", CellKind::Text, 0, "1.7976931348623157e308", false},
      {MySqlRead::ServerText, "0000", CellKind::Text, 0, "0000", false},
      {MySqlRead::Bit1, "\x01", CellKind::Text, 0, "1", false},
      {MySqlRead::Bit1, std::string_view("\x00", 1).data(), CellKind::Text, 0, "0", false},
      {MySqlRead::DateText, "2024-02-29", CellKind::Text, 0, "2024-02-29", false},
      {MySqlRead::DateText, "2024-01-01 10:00:00.123456", CellKind::Text, 0, "2024-01-01 10:00:00.123456", false},
      {MySqlRead::DateText, "12:34:56.5", CellKind::Text, 0, "12:34:56.5", false},
      {MySqlRead::DateText, "0000-00-00", CellKind::Text, 0, "0000-00-00", true},
      {MySqlRead::DateText, "2024-00-00 10:00:00", CellKind::Text, 0, "2024-00-00 10:00:00", true},
      {MySqlRead::DateText, "0001-01-01", CellKind::Text, 0, "0001-01-01", false},
      {MySqlRead::DateText, "24:00:00", CellKind::Text, 0, "24:00:00", true},
      {MySqlRead::DateText, "-00:00:01", CellKind::Text, 0, "-00:00:01", true},
      {MySqlRead::DateText, "838:59:59.000000", CellKind::Text, 0, "838:59:59.000000", true},
  };
  for (const Case& c : cases) {
    RowStore rows;
    qint64 counted = 0;
    const std::size_t size = c.read == MySqlRead::Bit1 ? 1 : std::strlen(c.text);
    StoreMySqlValue(c.read, c.text, size, rows, counted);
    rows.EndRow();
    const CellValue v = rows.Value(0, 0);
    EXPECT_EQ(v.kind, c.kind) << c.text;
    if (c.kind == CellKind::Integer) EXPECT_EQ(v.integer, c.integer) << c.text;
    else EXPECT_EQ(std::string(v.data, v.size), std::string(c.stored)) << c.text;
    EXPECT_EQ(counted, c.counted ? 1 : 0) << c.text;
  }
}

TEST(InsertIntoTable, AQuotedNameIsTakenWhole) {
  auto table = [](const char* statement) {
    return DeriveInsertInto(QString::fromUtf8(statement), QString(), QString(), true).tableName.toStdString();
  };
  EXPECT_EQ(table("select * from `order items` order by id"), "`order items`");
  EXPECT_EQ(table("select * from `a``b c`.`x y` where 1=1"), "`a``b c`.`x y`");
  EXPECT_EQ(table("select * from db.`the table with a long name`"), "db.`the table with a long name`");
  EXPECT_EQ(table("select * from \"a b\""), "\"a b\"");
  EXPECT_EQ(table("select * from [a b] x"), "[a b]");
  // Plain names keep the old rule: cut at the first blank, at most 20 characters.
  EXPECT_EQ(table("select * from orders o"), "orders");
  EXPECT_EQ(table("select * from a_very_long_table_name_indeed"), "a_very_long_table_na");
  EXPECT_EQ(table("select * from `unclosed"), "`unclosed");
}
