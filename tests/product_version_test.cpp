// The product version stamp and the application name built from it.
#include "platform/product_version.h"
#include "text/codepage.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

TEST(ProductVersion, ReadsTheBuildStampFromAProgramFile) {
  EXPECT_EQ(GetProductVersion(QStringLiteral(Q2T_PROGRAM)), QStringLiteral(Q2T_VERSION));
  EXPECT_EQ(GetProductVersion(QCoreApplication::applicationFilePath()), QStringLiteral(Q2T_VERSION));
  EXPECT_EQ(GetProductVersion(QStringLiteral("/bin/sh")), QString());  // no stamp
  EXPECT_EQ(GetProductVersion(QStringLiteral("/no/such/file")), QString());
}

TEST(MakeApplicationName, NameBuildUserAndCut) {
  const QString program = QStringLiteral(Q2T_PROGRAM);
  const QString build = QStringLiteral(Q2T_VERSION).section(QLatin1Char('.'), -1);
  EXPECT_EQ(MakeApplicationName(program, QStringLiteral("A01"), QStringLiteral("clerk")),
            QStringLiteral("query2text ") + build + QStringLiteral(" A01 clerk"));
  // Without a stamp: name, user id, user name.
  EXPECT_EQ(MakeApplicationName(QStringLiteral("/bin/sh"), QStringLiteral("A01"), QStringLiteral("clerk")),
            QStringLiteral("sh A01 clerk"));
  // A "." in the user name drops the version and the user id.
  EXPECT_EQ(MakeApplicationName(program, QStringLiteral("A01"), QStringLiteral("j.smith")),
            QStringLiteral("query2text smith"));
  EXPECT_EQ(MakeApplicationName(program, QStringLiteral("A01"), QStringLiteral("DOM\\clerk")),
            QStringLiteral("clerk"));
  const QString longName = MakeApplicationName(program, QStringLiteral("A01"), QStringLiteral("資訊部門系統管理員王小明"));
  EXPECT_LE(Big5Length(longName), 30);
  EXPECT_EQ(longName, QStringLiteral("query2text ") + build + QStringLiteral(" A01 資訊部門系統"));
}
