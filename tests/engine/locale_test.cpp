// Locales whose decimal separator is a comma: the export forms (row lines,
// dumps) write numbers with a point, as they write dates in one fixed form;
// the grid's ordinary text keeps the system's separator. The system locale
// is read when the program starts, so the test runs itself again under it.
#include "database/field.h"
#include "database/query.h"
#include "support/collect_lines.h"
#include "support/connected.h"
#include "support/temp_database.h"
#include "text/field_text.h"
#include "text/row_run.h"
#include "database/value_text.h"

#include <QCoreApplication>
#include <QLocale>
#include <QProcess>
#include <gtest/gtest.h>

namespace {
constexpr char kChildFlag[] = "Q2T_DECIMAL_COMMA_CHILD";
}

// Runs under each locale in a process of its own.
TEST(DecimalComma, ExportFormsWriteAPointInEveryLocale) {
  for (const char* locale : {"de_DE.UTF-8", "fr_FR.UTF-8", "ar_EG.UTF-8", "fa_IR.UTF-8"}) {
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QLatin1String(locale));
    environment.insert(QLatin1String(kChildFlag), QStringLiteral("1"));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=DecimalCommaChild.*")});
    ASSERT_TRUE(child.waitForFinished(60000)) << locale;
    const QString output = QString::fromUtf8(child.readAllStandardOutput());
    EXPECT_EQ(child.exitCode(), 0) << locale << "\n" << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << locale << "\n" << output.toStdString();
  }
}

TEST(DecimalCommaChild, UnderTheLocaleOfItsParent) {
  if (!qEnvironmentVariableIsSet(kChildFlag)) GTEST_SKIP() << "run by DecimalComma under another locale";
  ASSERT_NE(QLocale::system().decimalPoint(), QStringLiteral("."));
  TempDatabase db(QStringLiteral("create table t (f float, r real, m money, d decimal(10,2), e float);"
                                 "insert into t values (1.5, 2.25, 12.5, 3.10, 1e20);"),
                  QStringLiteral("COMMA"));
  Connected sqlite(db.Alias());
  RowRunOptions options;
  options.insertMode = true;
  options.columnNames = true;
  options.insertInto = QStringLiteral("insert into t");
  options.values = QStringLiteral("values");
  options.row.leftBrace = options.row.rightBrace = true;
  CollectLines lines;
  RenderRows(sqlite.Open(QStringLiteral("select * from t")), options, lines, [](qint64) { return true; });
  EXPECT_EQ(lines.lines, QStringList({QStringLiteral("insert into t (f,r,m,d,e) values (1.5,2.25,12.5,'3.1',1E+20)")}));
  // The ordinary text, which the grid shows, keeps the system's separator.
  TQuery& query = sqlite.query;
  query.First();
  EXPECT_EQ(query.Fields(0)->AsString(), QStringLiteral("1") + QLocale::system().decimalPoint() + QStringLiteral("5"));
}

// The grid's time in the system's long format, with no letter Qt cannot
// write ("B" in zh_TW) and no empty brackets where the zone name was.
TEST(LocaleTimes, TheLongTimeFormatHasOnlyWhatQtWrites) {
  const QTime time(13, 4, 5);
  const auto shown = [&](const char* name) {
    const QLocale locale{QLatin1String(name)};
    return locale.toString(time, LongTimeFormatOf(locale));
  };
  EXPECT_EQ(shown("zh_TW"), QStringLiteral("下午1:04:05"));
  EXPECT_EQ(shown("fa_IR"), QLocale(QStringLiteral("fa_IR")).toString(time, QStringLiteral("H:mm:ss")));
  EXPECT_EQ(shown("de_DE"), QStringLiteral("13:04:05"));
  EXPECT_EQ(shown("en_US"), QStringLiteral("1:04:05 PM"));
  EXPECT_EQ(shown("ja_JP"), QStringLiteral("13時04分05秒"));
}
