// The .xlsx workbook: "XLSX" beside "TXT" and "XLS", and 直接存檔 into a
// name ending in .xlsx. Read back by openpyxl, and opened by LibreOffice.
#include "controls/text_pane.h"
#include "database/query.h"
#include "support/files.h"
#include "support/modal.h"
#include "support/save_script.h"
#include "support/temp_database.h"
#include "support/window_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const char* kValues =
    "create table wb (id varchar(10), n integer, big integer, price real, amount numeric(30, 10), day date,"
    " at datetime, note text, pic blob);"
    "insert into wb values ('00123', 1, 9007199254740993, 1.5, 12.25, '2024-02-29', '2024-02-29 13:45:30', '中文', x'00ff');"
    "insert into wb values ('007', -7, 5, -0.25, 12345678901234567890.5, '1899-12-31', '2024-03-01 00:00:00', 'a' || char(10) || 'b', null);"
    "insert into wb values ('x', null, null, null, null, null, null, '', x'');"
    "insert into wb values ('4', 4, 4, 4, 4, '2000-01-01', '2000-01-01 00:00:01', '=1+1', null);";

// Sheet names, then each row as "sheet:a|b|c", every value with its type
// as openpyxl reads it (a date as datetime, a number as int or float).
QStringList ReadBack(const QString& path) {
  QProcess python;
  python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral(R"(
import sys, openpyxl, datetime
book = openpyxl.load_workbook(sys.argv[1])
print('|'.join(book.sheetnames))
def show(cell):
    v = cell.value
    if v is None: return '-'
    if isinstance(v, str): return 's:' + v.replace('\n', '/')
    if isinstance(v, datetime.datetime): return 'd:' + v.isoformat() + ' ' + cell.number_format
    return type(v).__name__ + ':' + repr(v)
for ws in book.worksheets:
    for row in ws.iter_rows():
        print(ws.title + ':' + '|'.join(show(c) for c in row))
)"), path});
  EXPECT_TRUE(python.waitForFinished(60000));
  EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
  return QString::fromUtf8(python.readAllStandardOutput()).trimmed().split(QLatin1Char('\n'));
}

class UiWorkbookSave : public WindowTest {
protected:
  void SetUp() override {
    db_ = std::make_unique<TempDatabase>(QString::fromUtf8(kValues), QStringLiteral("WBDB"));
    WindowTest::SetUp();
    UseDatabase(db_->Alias());
  }
  QString File(const char* name) const { return dir_.filePath(QLatin1String(name)); }
  QStringList SaveAsXlsx(const QString& statement, DialogScript& script) {
    W().MemoSQL->setPlainText(statement);
    W().rbXLSX->setChecked(true);
    ModalAnswerer answerer(Answer(script));
    QTest::mouseClick(W().ButtonSave, Qt::LeftButton);
    return script.messages;
  }
  std::unique_ptr<TempDatabase> db_;
  QTemporaryDir dir_;
};

}  // namespace

TEST_F(UiWorkbookSave, TypesSheetsAndLayoutReadBackAsTheResultHasThem) {
  W().XlsxRecordsPerSheet = 3;
  DialogScript xlsx{File("wb")};  // ".xlsx" is added
  const QStringList messages = SaveAsXlsx(QStringLiteral("select * from wb order by n"), xlsx);
  EXPECT_EQ(xlsx.proposed, QStringLiteral("wb.xlsx"));
  ASSERT_EQ(messages.size(), 1);
  // 2^53 + 1 is no double: it stays text (SQLite holds the wide decimal as
  // a double already; the workbook has it to 16 digits, more than a
  // spreadsheet shows).
  EXPECT_TRUE(messages.first().startsWith(QStringLiteral("有 1 個數值"))) << messages.first().toStdString();
  const QStringList rows = ReadBack(File("wb.xlsx"));
  const QString header = QStringLiteral("s:id|s:n|s:big|s:price|s:amount|s:day|s:at|s:note|s:pic");
  ASSERT_GE(rows.size(), 1);
  EXPECT_EQ(rows[0], QStringLiteral("Rcd#1|Rcd#4"));
  // The first row holds the query dump, as the XLS save's does (openpyxl
  // shows its CR as the file's escape).
  const QString dump = QStringLiteral("s:Query1.SQL.Text:select * from wb order by n_x000D_/_x000D_/|-|-|-|-|-|-|-|-");
  const QStringList expected = {
      QStringLiteral("Rcd#1|Rcd#4"),
      QStringLiteral("Rcd#1:") + dump,
      QStringLiteral("Rcd#1:") + header,
      // null first (order by n): empty cells; an empty text is an empty cell
      // too (a workbook has no empty text), an empty blob its text.
      QStringLiteral("Rcd#1:s:x|-|-|-|-|-|-|-|s:0x"),
      // A date before 1900 is no date of the workbook: its text.
      QStringLiteral("Rcd#1:s:007|int:-7|int:5|float:-0.25|float:1.234567890123457e+19|s:1899/12/31"
                     "|d:2024-03-01T00:00:00 yyyy/mm/dd|s:a/b|-"),
      QStringLiteral("Rcd#1:s:00123|int:1|s:9007199254740993|float:1.5|float:12.25|d:2024-02-29T00:00:00 yyyy/mm/dd"
                     "|d:2024-02-29T13:45:30 yyyy/mm/dd hh:mm:ss|s:中文|s:0x00FF"),
      QStringLiteral("Rcd#4:") + dump,
      QStringLiteral("Rcd#4:") + header,
      QStringLiteral("Rcd#4:s:4|int:4|int:4|int:4|int:4|d:2000-01-01T00:00:00 yyyy/mm/dd"
                     "|d:2000-01-01T00:00:01 yyyy/mm/dd hh:mm:ss|s:=1+1|-"),
  };
  EXPECT_EQ(rows, expected) << rows.join(QLatin1Char('\n')).toStdString();
  EXPECT_EQ(W().MemoOutput->line(W().MemoOutput->lineCount() - 1),
            QStringLiteral("已把 4 筆資料寫入活頁簿 %1 (2 個工作表)").arg(File("wb.xlsx")));
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList({QStringLiteral("wb.xlsx")}));
}

TEST_F(UiWorkbookSave, TheDirectRunIntoAnXlsxNameWritesTheWorkbook) {
  W().chbDirectSave->setChecked(true);
  W().MemoSQL->setPlainText(QStringLiteral("select id, n from wb where n > 0 order by n"));
  DialogScript direct{File("direct.xlsx")};
  {
    ModalAnswerer answerer(Answer(direct));
    QTest::mouseClick(W().ButtonSQLExec, Qt::LeftButton);
  }
  EXPECT_TRUE(direct.messages.isEmpty()) << direct.messages.join(QLatin1Char('\n')).toStdString();
  EXPECT_EQ(ReadBack(File("direct.xlsx")),
            QStringList({QStringLiteral("Rcd#1"), QStringLiteral("Rcd#1:s:Query1.SQL.Text:select id, n from wb where n > 0 order by n_x000D_/_x000D_/|-"),
                         QStringLiteral("Rcd#1:s:id|s:n"), QStringLiteral("Rcd#1:s:00123|int:1"),
                         QStringLiteral("Rcd#1:s:4|int:4")}));
  EXPECT_EQ(W().Query1->StoredCount(), 2);
}

TEST_F(UiWorkbookSave, AFailedSaveKeepsTheOldFile) {
  WriteAll(File("old.xlsx"), QByteArray("previous"));
  DialogScript refused{File("old.xlsx")};
  SaveAsXlsx(QStringLiteral("select * from no_such_table"), refused);
  ASSERT_FALSE(refused.messages.isEmpty());
  EXPECT_TRUE(refused.messages.last().contains(QStringLiteral("no_such_table"))) << refused.messages.last().toStdString();
  EXPECT_EQ(ReadAll(File("old.xlsx")), QByteArray("previous"));

  DialogScript full{File("old.xlsx")};
  {
    const FileSizeLimit diskFull(2048);
    SaveAsXlsx(QStringLiteral("select * from wb"), full);
  }
  ASSERT_FALSE(full.messages.isEmpty());
  EXPECT_TRUE(full.messages.last().startsWith(QStringLiteral("串流(Stream)寫入錯誤\n"))) << full.messages.last().toStdString();
  EXPECT_EQ(ReadAll(File("old.xlsx")), QByteArray("previous"));
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList({QStringLiteral("old.xlsx")}));
}

class OfficeWorkbookSave : public UiWorkbookSave {};

// LibreOffice opens the workbook without a repair and gives the values back.
TEST_F(OfficeWorkbookSave, CalcReadsTheWorkbook) {
  if (!QFileInfo::exists(QStringLiteral("/usr/lib/libreoffice/program/soffice.bin")))
    GTEST_SKIP() << "LibreOffice is not installed";
  DialogScript xlsx{File("calc.xlsx")};
  SaveAsXlsx(QStringLiteral("select id, n, price, day, note from wb where n is not null order by n"), xlsx);
  QTemporaryDir profile;
  QProcess office;
  office.setWorkingDirectory(dir_.path());
  office.start(QStringLiteral("soffice"),
               {QStringLiteral("-env:UserInstallation=file://") + profile.path(), QStringLiteral("--headless"),
                QStringLiteral("--convert-to"), QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76"),
                QStringLiteral("--outdir"), dir_.path(), File("calc.xlsx")});
  ASSERT_TRUE(office.waitForFinished(120000));
  const QString csv = QString::fromUtf8(ReadAll(File("calc.csv")));
  EXPECT_EQ(csv.split(QLatin1Char('\n'), Qt::SkipEmptyParts),
            QStringList({QStringLiteral("\"Query1.SQL.Text:select id, n, price, day, note from wb where n is not null order by n"),
                         QStringLiteral("\",,,,"), QStringLiteral("id,n,price,day,note"), QStringLiteral("007,-7,-0.25,1899/12/31,\"a"),
                         QStringLiteral("b\""), QStringLiteral("00123,1,1.5,2024/02/29,中文"),
                         QStringLiteral("4,4,4,2000/01/01,=1+1")}))
      << csv.toStdString();
}
