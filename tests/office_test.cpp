// The spreadsheet export through a real LibreOffice, read back by openpyxl
// and xlrd.
#include "database/database.h"
#include "database/query.h"
#include "support/modal.h"
#include "support/temp_database.h"
#include "ui/spreadsheet_export.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class OfficeExport : public ::testing::Test {
protected:
  void SetUp() override {
    if (!QFileInfo::exists(QStringLiteral("/usr/lib/libreoffice/program/soffice.bin")))
      GTEST_SKIP() << "LibreOffice is not installed";
    db_ = std::make_unique<TempDatabase>(QStringLiteral(
        "create table r (code varchar(10), n integer, price float, note text);"
        "insert into r values ('00123', 123, 1.5, '中文'), ('x', null, null, null), ('y', -7, 0.25, 'a\nb');"),
        QStringLiteral("OFFICEDB"));
    database_.SetAliasName(db_->Alias());
    database_.SetDatabaseName(db_->Alias());
    query_.SetDatabaseName(db_->Alias());
    query_.SQL().SetText(QStringLiteral("select * from r"));
    query_.Open();
  }
  // Sheet names, then each sheet's rows as "a|b|c" lines, as openpyxl reads them.
  QStringList ReadBack(const QString& path) {
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral(R"(
import sys
path = sys.argv[1]
def show(v):
    return '' if v is None else (repr(v) if not isinstance(v, str) else v.replace('\n', '/'))
if path.endswith('.xlsx'):
    import openpyxl
    book = openpyxl.load_workbook(path)
    print('|'.join(book.sheetnames))
    for ws in book.worksheets:
        for row in ws.iter_rows(values_only=True):
            print(ws.title + ':' + '|'.join(show(v) for v in row))
else:
    import xlrd
    book = xlrd.open_workbook(path)
    print('|'.join(book.sheet_names()))
    for ws in book.sheets():
        for r in range(ws.nrows):
            print(ws.name + ':' + '|'.join(show(ws.cell_value(r, c) if ws.cell_type(r, c) != 0 else None) for c in range(ws.ncols)))
)"), path});
    EXPECT_TRUE(python.waitForFinished(60000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    return QString::fromUtf8(python.readAllStandardOutput()).trimmed().split(QLatin1Char('\n'));
  }
  static bool OfficeOfOursRunning() {
    QProcess pgrep;
    pgrep.start(QStringLiteral("pgrep"), {QStringLiteral("-f"),
                                          QStringLiteral("name=q2t_%1_").arg(QCoreApplication::applicationPid())});
    pgrep.waitForFinished();
    return !pgrep.readAllStandardOutput().trimmed().isEmpty();
  }
  void Export(const QString& path, const QString& server) {
    ModalAnswerer answerer;
    query_.First();
    ExportToSpreadsheet(query_, path, server, nullptr);
    EXPECT_TRUE(answerer.Texts().isEmpty()) << answerer.Texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(OfficeOfOursRunning());
  }

  QTemporaryDir dir_;
  std::unique_ptr<TempDatabase> db_;
  TDatabase database_;
  TQuery query_;
};

}  // namespace

TEST_F(OfficeExport, WorkbookHoldsTextAsTextNumbersAsNumbersAndEmptyNulls) {
  const QString path = dir_.filePath(QStringLiteral("out.xlsx"));
  Export(path, QStringLiteral("DBDEMOS"));
  EXPECT_EQ(ReadBack(path), QStringList({"DBDEMOS - 3", "DBDEMOS - 3:code|n|price|note",
                                         "DBDEMOS - 3:00123|123|1.5|中文", "DBDEMOS - 3:x|||",
                                         "DBDEMOS - 3:y|-7|0.25|a/b"}));
}

TEST_F(OfficeExport, AnExistingWorkbookKeepsItsSheetsAndGetsANewFrontOne) {
  const QString path = dir_.filePath(QStringLiteral("book.xls"));
  Export(path, QStringLiteral("First"));
  Export(path, QStringLiteral("Second"));
  const QStringList lines = ReadBack(path);
  ASSERT_FALSE(lines.isEmpty());
  EXPECT_EQ(lines.first(), QStringLiteral("Second - 3|First - 3"));
  EXPECT_TRUE(lines.contains(QStringLiteral("First - 3:00123|123.0|1.5|中文")));
  EXPECT_TRUE(lines.contains(QStringLiteral("Second - 3:00123|123.0|1.5|中文")));
}

TEST_F(OfficeExport, RefusedSheetNamesGetATimePrefix) {
  const QString path = dir_.filePath(QStringLiteral("named.ods"));
  Export(path, QStringLiteral("a:b/c"));  // a spreadsheet refuses ":" and "/"
  Export(dir_.filePath(QStringLiteral("named.xlsx")), QStringLiteral("x/y"));
  const QStringList lines = ReadBack(dir_.filePath(QStringLiteral("named.xlsx")));
  ASSERT_FALSE(lines.isEmpty());
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{6}xy - 3$")).match(lines.first()).hasMatch())
      << lines.first().toStdString();
  EXPECT_TRUE(QFileInfo::exists(path));
}
