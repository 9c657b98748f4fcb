// What keeps a run safe before any window is involved: numbers written bare
// only when they are numbers, one statement per run, read-only runs, and a
// password that never shows.
#include "database/database.h"
#include "database/failure.h"
#include "database/password_mask.h"
#include "database/query.h"
#include "database/statement_text.h"
#include "support/temp_database.h"
#include "text/row_text.h"

#include <gtest/gtest.h>

TEST(NumericLiteral, OnlyWhatAnEngineReadsAsANumber) {
  for (const char* good : {"0", "-12", "+7", "1.5", ".5", "5.", "-0.25", "1E+300", "2e-5", "9223372036854775807"})
    EXPECT_TRUE(IsNumericLiteral(QString::fromLatin1(good))) << good;
  for (const char* bad : {"", "-", ".", "1.2.3", "1e", "e5", "1,5", " 1", "1 ", "INF", "NAN", "0x1F", "1--1",
                          "0,0,'x'); drop table victim; --"})
    EXPECT_FALSE(IsNumericLiteral(QString::fromLatin1(bad))) << bad;
}

TEST(StatementText, OneStatementWhateverTheQuotes) {
  for (const char* one : {"select 1", "select 1;", "select 1 ;  \n", "select ';' as a", "select \"a;b\" from t",
                          "select 1; -- done", "select 1; /* done; */", "select 'it''s; ok'", "select [a;b] from t",
                          "select 1 -- ; delete from t\n"})
    EXPECT_TRUE(HoldsOneStatement(QString::fromLatin1(one))) << one;
  for (const char* more : {"select 1; delete from t", "select 1;;select 2", "select 1 as a; delete from keepme",
                           "select 'a'; drop table t; --'", "select 'a\\'; delete from t; --'",
                           "select E'\\''; delete from t", "select $a$; delete from t; $a$", "select 1 /* x */; x",
                           // Some engine would read two statements here, so it is refused.
                           "select $$;$$"})
    EXPECT_FALSE(HoldsOneStatement(QString::fromLatin1(more))) << more;
}

TEST(SqliteSafety, OneStatementAndReadOnlyRuns) {
  TempDatabase db(QStringLiteral("create table keepme (a integer); insert into keepme values (1), (2);"),
                  QStringLiteral("SAFEDB"));
  TDatabase database;
  database.SetDatabaseName(QStringLiteral("SAFE"));
  database.SetAliasName(db.Alias());
  TQuery query;
  query.SetDatabaseName(QStringLiteral("SAFE"));
  query.SetReadOnly(true);
  auto open = [&](const QString& sql) {
    query.Close();
    query.SQL().SetText(sql);
    query.Open();
  };
  for (const char* bad : {"select 1 as a; delete from keepme", "select 1 as a;\ndelete from keepme;",
                          "select * from keepme; select 2"}) {
    try {
      open(QString::fromLatin1(bad));
      ADD_FAILURE() << "ran " << bad;
    } catch (const EDatabaseError& e) {
      EXPECT_EQ(e.Message(), MultipleStatementsMessage());
    }
  }
  EXPECT_THROW(open(QStringLiteral("insert into keepme values (3) returning a")), EDatabaseError);
  EXPECT_THROW(open(QStringLiteral("delete from keepme returning a")), EDatabaseError);
  open(QStringLiteral("select count(*) from keepme; -- two rows"));
  EXPECT_EQ(query.Fields(0)->AsInteger(), 2);
  // A query that may write still runs one statement only.
  query.SetReadOnly(false);
  EXPECT_THROW(open(QStringLiteral("select 1; delete from keepme")), EDatabaseError);
  open(QStringLiteral("select count(*) from keepme"));
  EXPECT_EQ(query.Fields(0)->AsInteger(), 2);
}

TEST(PasswordMask, HidesThePasswordWithoutRevealingItOrItsLength) {
  // A one-letter password must not turn every "o" into stars.
  EXPECT_EQ(MaskPassword(QStringLiteral("connection refused"), QStringLiteral("o")), QStringLiteral("connection refused"));
  EXPECT_EQ(MaskPassword(QStringLiteral("bad string UID=clerk;PWD=o;Server=x"), QStringLiteral("o")),
            QStringLiteral("bad string UID=clerk;PWD=********;Server=x"));
  EXPECT_EQ(MaskPassword(QStringLiteral("password = {a;b}}c} rejected"), QStringLiteral("a;b}c")),
            QStringLiteral("password = ******** rejected"));
  EXPECT_EQ(MaskPassword(QStringLiteral("user q2t: Sup3rSecret is wrong"), QStringLiteral("Sup3rSecret")),
            QStringLiteral("user q2t: ******** is wrong"));
  EXPECT_EQ(MaskPassword(QStringLiteral("host abc"), QStringLiteral("abc")), QStringLiteral("host abc"));
}
