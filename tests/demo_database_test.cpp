// The bundled demo database: tables, types and pictures.
#include "database/session.h"
#include "support/connected.h"

#include <QImage>
#include <gtest/gtest.h>
#include <set>

TEST(DemoDatabase, HasTheTablesTypesAndPicturesItPromises) {
  Connected c(QStringLiteral("DBDEMOS"));
  QStringList tables;
  Session().GetTableNames(c.database.DatabaseName(), tables);
  EXPECT_GE(tables.size(), 8);
  EXPECT_FALSE(tables.contains(QStringLiteral("sqlite_sequence")));
  std::set<TFieldType> types;
  for (const QString& table : tables) {
    TQuery& q = c.Open(QStringLiteral("select * from ") + table + QStringLiteral(" where 1=2"));
    for (int i = 0; i < q.FieldCount(); ++i) types.insert(q.Fields(i)->DataType());
  }
  for (TFieldType t : {ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD, ftDate, ftTime,
                       ftDateTime, ftAutoInc, ftBlob, ftMemo, ftGraphic})
    EXPECT_TRUE(types.count(t)) << "no demo column of type " << t;
  EXPECT_EQ(c.Open(QStringLiteral("select * from pending_tasks")).RecordCount(), 0);
  EXPECT_EQ(c.Open(QStringLiteral("select * from sales_log")).RecordCount(), 5000);
  TQuery& fish = c.Open(QStringLiteral("select picture from species"));
  QImage picture;
  EXPECT_TRUE(picture.loadFromData(fish.Fields(0)->AsBytes(), "PNG"));
  TQuery& chinese = c.Open(QStringLiteral("select company from customer order by cust_no"));
  EXPECT_EQ(chinese.Fields(0)->AsString(), QStringLiteral("大同水族貿易有限公司"));
}
