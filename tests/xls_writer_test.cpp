// The XLS writer, byte by byte, and an independent reader of what it writes.
#include "database/failure.h"
#include "database/database.h"
#include "database/query.h"
#include "support/connected.h"
#include "support/files.h"
#include "support/modal.h"
#include "support/temp_database.h"
#include "ui/xls_save.h"
#include "xls/query_xls.h"
#include "xls/xls_writer.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <csignal>

namespace {

class XlsTest : public ::testing::Test {
protected:
  QString File(const char* name) const { return dir_.filePath(QLatin1String(name)); }
  // One field of one row, positioned, for WriteFieldCell.
  TQuery& Value(const QString& declaredType, const QString& literal) {
    db_ = std::make_unique<TempDatabase>(QStringLiteral("create table v (x %1); insert into v values (%2);")
                                             .arg(declaredType, literal),
                                         QStringLiteral("XLSVALUE"));
    database_ = std::make_unique<TDatabase>();
    database_->SetAliasName(db_->Alias());
    database_->SetDatabaseName(db_->Alias());
    query_ = std::make_unique<TQuery>();
    query_->SetDatabaseName(db_->Alias());
    query_->SQL().SetText(QStringLiteral("select x from v"));
    query_->Open();
    return *query_;
  }
  QByteArray CellBytes(const QString& type, const QString& literal, int row, int col) {
    const QString path = File("cell.xls");
    QFile::remove(path);
    {
      TXLSWriter writer(path);
      writer.WriteFieldCell(row, col, Value(type, literal).Fields(0));
      writer.Commit();
    }
    return ReadAll(path);
  }

  QTemporaryDir dir_;
  std::unique_ptr<TempDatabase> db_;
  std::unique_ptr<TDatabase> database_;
  std::unique_ptr<TQuery> query_;
};

}  // namespace

TEST_F(XlsTest, EmptyFileIsBofDimensionsEof) {
  {
    TXLSWriter writer(File("empty.xls"));
    writer.WriteBOF();
    writer.WriteDimensions();
    writer.WriteEOF();
    writer.Commit();
  }
  EXPECT_EQ(Hex(ReadAll(File("empty.xls"))),
            QStringLiteral("09 08 06 00 00 00 10 00 00 00 00 00 08 00 00 00 E8 03 00 00 64 00 0A 00 00 00"));
}

TEST_F(XlsTest, LabelsIncludingEmptyLongAndChinese) {
  {
    TXLSWriter writer(File("labels.xls"));
    writer.WriteLabel(1, 2, QStringLiteral("abc"));
    writer.WriteLabel(0, 0, QString());
    writer.WriteLabel(0, 1, QString(300, QLatin1Char('x')));
    writer.WriteLabel(0, 2, QStringLiteral("欄位ˇ"));
    // 128 two-byte characters: 255 bytes hold 127 of them, never half of one.
    writer.WriteLabel(0, 3, QString(128, QChar(0x4E2D)));
    writer.Commit();
  }
  const QByteArray bytes = ReadAll(File("labels.xls"));
  qsizetype at = 0;
  EXPECT_EQ(Hex(bytes.mid(at, 15)), QStringLiteral("04 00 0B 00 01 00 02 00 00 00 00 03 61 62 63"));
  at += 15;
  EXPECT_EQ(Hex(bytes.mid(at, 12)), QStringLiteral("04 00 08 00 00 00 00 00 00 00 00 00"));
  at += 12;
  EXPECT_EQ(Hex(bytes.mid(at, 12)), QStringLiteral("04 00 07 01 00 00 01 00 00 00 00 FF"));
  EXPECT_EQ(bytes.mid(at + 12, 255), QByteArray(255, 'x'));
  at += 12 + 255;
  EXPECT_EQ(Hex(bytes.mid(at, 12 + 6)), QStringLiteral("04 00 0E 00 00 00 02 00 00 00 00 06 C4 E6 A6 EC A3 BE"));
  at += 18;
  EXPECT_EQ(Hex(bytes.mid(at, 12)), QStringLiteral("04 00 06 01 00 00 03 00 00 00 00 FE"));  // 254 bytes, not 255
  EXPECT_EQ(bytes.size(), at + 12 + 254);
}

TEST_F(XlsTest, FieldCellsChooseTheirRecord) {
  EXPECT_EQ(Hex(CellBytes("integer", "300", 2, 0)), QStringLiteral("02 00 09 00 02 00 00 00 00 00 00 2C 01"));
  EXPECT_EQ(Hex(CellBytes("float", "1.5", 2, 1)),
            QStringLiteral("03 00 0F 00 02 00 01 00 00 00 00 00 00 00 00 00 00 F8 3F"));
  EXPECT_EQ(Hex(CellBytes("integer", "65535", 0, 0)), QStringLiteral("02 00 09 00 00 00 00 00 00 00 00 FF FF"));
  EXPECT_EQ(Hex(CellBytes("integer", "65536", 0, 0)),
            QStringLiteral("03 00 0F 00 00 00 00 00 00 00 00 00 00 00 00 00 00 F0 40"));
  EXPECT_EQ(Hex(CellBytes("smallint", "-5", 0, 0)).right(23), QStringLiteral("00 00 00 00 00 00 14 C0"));
  EXPECT_EQ(Hex(CellBytes("integer", "null", 0, 0)), QStringLiteral("02 00 09 00 00 00 00 00 00 00 00 00 00"));
  EXPECT_EQ(Hex(CellBytes("float", "null", 0, 0)).right(23), QStringLiteral("00 00 00 00 00 00 00 00"));
  EXPECT_EQ(CellBytes("varchar(5)", "null", 0, 0).mid(11), QByteArray("\x04null", 5));
  EXPECT_EQ(CellBytes("boolean", "1", 0, 0).mid(11), QByteArray("\x01" "1", 2));
  EXPECT_EQ(CellBytes("boolean", "0", 0, 0).mid(11), QByteArray("\x01" "0", 2));
  EXPECT_EQ(CellBytes("decimal(18,6)", "2.25", 0, 0).left(2), QByteArray("\x03\x00", 2));
}

// A number column holding text that is no number (SQLite allows it) gives
// the label the text lines give, never a number made up of it; an integer
// column's fraction stays a fraction.
TEST_F(XlsTest, TextInANumberColumnIsTheLabelTheLinesGive) {
  const auto label = [](const QByteArray& cell) { return cell.mid(11); };
  for (const auto& [type, literal, text] :
       {std::tuple{"integer", "'0x1F'", "0x1F"}, std::tuple{"integer", "'-'", "-"},
        std::tuple{"real", "'Infinity'", "Infinity"}, std::tuple{"money", "'$5'", "$5"},
        std::tuple{"decimal(10,2)", "'1,5'", "1,5"}, std::tuple{"money", "'NaN'", "NaN"}}) {
    const QByteArray cell = CellBytes(QLatin1String(type), QLatin1String(literal), 0, 0);
    EXPECT_EQ(cell.left(2), QByteArray("\x04\x00", 2)) << type << " " << literal;
    EXPECT_EQ(label(cell), QByteArray(1, static_cast<char>(qstrlen(text))) + text) << type << " " << literal;
  }
  const QByteArray fraction = CellBytes(QStringLiteral("integer"), QStringLiteral("1.5"), 0, 0);
  EXPECT_EQ(Hex(fraction).right(23), QStringLiteral("00 00 00 00 00 00 F8 3F"));  // NUMBER 1.5
  EXPECT_EQ(Hex(CellBytes(QStringLiteral("integer"), QStringLiteral("'12'"), 0, 0)),
            QStringLiteral("02 00 09 00 00 00 00 00 00 00 00 0C 00"));  // a number's text is the number
}

// A number a double would change (a 64-bit integer past 2^53; a server's
// decimal of more digits, in the MariaDB tests) is the label of its text,
// and the save counts it; what a double holds stays a number.
TEST_F(XlsTest, NumbersADoubleWouldChangeAreTheirText) {
  const auto label = [](const QByteArray& cell) { return cell.mid(11); };
  for (const auto& [type, literal, text] :
       {std::tuple{"integer", "9007199254740993", "9007199254740993"},
        std::tuple{"integer", "-9223372036854775808", "-9223372036854775808"}}) {
    const QByteArray cell = CellBytes(QLatin1String(type), QLatin1String(literal), 0, 0);
    EXPECT_EQ(cell.left(2), QByteArray("\x04\x00", 2)) << type << " " << literal;
    EXPECT_EQ(label(cell), QByteArray(1, static_cast<char>(qstrlen(text))) + text) << type << " " << literal;
  }
  for (const auto& [type, literal] : {std::pair{"integer", "9007199254740992"},
                                      std::pair{"decimal(30,10)", "'0.000123456789012345'"},
                                      std::pair{"real", "1.7976931348623157e308"}})
    EXPECT_EQ(CellBytes(QLatin1String(type), QLatin1String(literal), 0, 0).left(2), QByteArray("\x03\x00", 2))
        << type << " " << literal << ": a NUMBER record";
  TempDatabase db(QStringLiteral("create table n (i integer); insert into n values (9007199254740993), (5), (-9007199254740995);"),
                  QStringLiteral("XLSEXACT"));
  Connected sqlite(db.Alias());
  const XlsSaveResult result =
      WriteQueryXls(sqlite.Open(QStringLiteral("select i from n")), File("exact.xls"), [](const TQuery&) { return QString(); });
  EXPECT_EQ(result.numbersAsText, 2);
}

// A label holds 255 bytes: a longer value is cut between characters and
// the save counts it (the query dump of row 0 is cut by design, uncounted).
TEST_F(XlsTest, ValuesCutToALabelAreCounted) {
  TempDatabase db(QStringLiteral("create table l (s text);"
                                 "insert into l values (substr(hex(zeroblob(200)), 1, 303)), (replace(substr(hex(zeroblob(200)), 1, 301), '0', '中')), ('short');"),
                  QStringLiteral("XLSCUT"));
  Connected sqlite(db.Alias());
  TQuery& query = sqlite.Open(QStringLiteral("select s from l"));
  const XlsSaveResult result = WriteQueryXls(query, File("cut.xls"), [](const TQuery&) { return QString(300, QLatin1Char('q')); });
  EXPECT_TRUE(result.written);
  EXPECT_EQ(result.cutValues, 2);
}

TEST_F(XlsTest, AutoIncrementIsALabelOfDigits) {
  const QString path = File("autoinc.xls");
  db_ = std::make_unique<TempDatabase>(
      QStringLiteral("create table a (id integer primary key autoincrement, x integer); insert into a values (70000, 1);"),
      QStringLiteral("XLSAUTO"));
  TDatabase database;
  database.SetAliasName(db_->Alias());
  database.SetDatabaseName(db_->Alias());
  TQuery query;
  query.SetDatabaseName(db_->Alias());
  query.SQL().SetText(QStringLiteral("select id from a"));
  query.Open();
  {
    TXLSWriter writer(path);
    writer.WriteFieldCell(0, 0, query.Fields(0));
    writer.Commit();
  }
  EXPECT_EQ(ReadAll(path).mid(11), QByteArray("\x05" "70000", 6));
}

TEST_F(XlsTest, OverwriteIsAskedAndADeclineKeepsTheFile) {
  const QString path = File("existing.xls");
  const QByteArray old(5000, 'o');
  WriteAll(path, old);
  {
    ModalAnswerer answer([](QWidget* box) { PressButton(box, QStringLiteral("取消")); });
    TXLSWriter writer(path);
    EXPECT_EQ(writer.Stream(), nullptr);
    ASSERT_EQ(answer.Texts().size(), 1);
    EXPECT_EQ(answer.Texts().first(), QStringLiteral("檔案[") + path + QStringLiteral("]已存在, 要覆蓋嗎?!"));
    EXPECT_EQ(answer.Titles().first(), QStringLiteral("確認"));
  }
  EXPECT_EQ(ReadAll(path), old);
  {
    ModalAnswerer answer([](QWidget* box) { PressButton(box, QStringLiteral("確定")); });
    TXLSWriter writer(path);
    writer.WriteBOF();
    writer.WriteDimensions();
    writer.WriteEOF();
    writer.Commit();
  }
  EXPECT_EQ(ReadAll(path).size(), 26);  // none of the longer file's bytes remain
}

TEST_F(XlsTest, AWriteThatFailsLeavesTheOldFileAndNoPartialFile) {
  const QString path = File("full.xls");
  const QByteArray old("the old workbook");
  WriteAll(path, old);
  bool failed = false;
  try {
    const FileSizeLimit full(4096);
    ModalAnswerer answer([](QWidget* box) { PressButton(box, QStringLiteral("確定")); });
    TXLSWriter writer(path);
    writer.WriteBOF();
    for (int i = 0; i < 2000; ++i) writer.WriteNumber(i, 0, i);
    writer.WriteEOF();
    writer.Commit();
  } catch (const Failure& f) {
    failed = true;
    // The program's own line, then the file and the system's reason.
    EXPECT_EQ(f.Message().toStdString(), "串流(Stream)寫入錯誤\n" + path.toStdString() + ": File too large");
  }
  EXPECT_TRUE(failed);
  EXPECT_EQ(ReadAll(path), old);
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList({QStringLiteral("full.xls")}));
}

TEST_F(XlsTest, CannotCreateWhereNobodyMayWrite) {
  // Even root cannot create files in /proc.
  EXPECT_THROW(TXLSWriter(QStringLiteral("/proc/q2t-test.xls")), Failure);
}

TEST_F(XlsTest, CannotCreateWhereNoDirectoryIs) {
  try {
    TXLSWriter writer(File("no/such/dir/x.xls"));
    FAIL() << "the file cannot be made";
  } catch (const Failure& f) {
    const std::string file = File("no/such/dir/x.xls").toStdString();
    EXPECT_EQ(f.Message().toStdString(), "無法產生檔案 " + file + "\n" + file + ": 找不到該檔案或目錄");
  }
}

namespace {
// A query over `rows` records of three columns (integer, text, float).
struct Result {
  Result(int rows, int extraColumns = 0) {
    QString columns = QStringLiteral("i integer, s varchar(10), f float");
    QString values = QStringLiteral("x, '名' || x, x / 2.0");
    for (int c = 0; c < extraColumns; ++c) {
      columns += QStringLiteral(", e%1 integer").arg(c);
      values += QStringLiteral(", %1").arg(c);
    }
    db = std::make_unique<TempDatabase>(
        QStringLiteral("create table r (%1);"
                       "with recursive c(x) as (select 1 union all select x + 1 from c where x < %2) "
                       "insert into r select %3 from c where %2 > 0;")
            .arg(columns)
            .arg(rows)
            .arg(values),
        QStringLiteral("XLSRESULT"));
    database.SetAliasName(db->Alias());
    database.SetDatabaseName(db->Alias());
    query.setObjectName(QStringLiteral("Query1"));
    query.SetDatabaseName(db->Alias());
    query.SQL().SetText(QStringLiteral("select * from r"));
    query.Open();
  }
  std::unique_ptr<TempDatabase> db;
  TDatabase database;
  TQuery query;
};

quint16 Word(const QByteArray& bytes, int at) {
  return static_cast<quint16>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8);
}
}  // namespace

TEST_F(XlsTest, QueryLayoutAndTheRowBoundRewrite) {
  {
    Result r(998);
    QueryToXLS(r.query, File("998.xls"));
  }
  const QByteArray small = ReadAll(File("998.xls"));
  EXPECT_EQ(Word(small, 16), 1000);
  EXPECT_EQ(Word(small, 20), 100);
  {
    Result r(999);
    QueryToXLS(r.query, File("999.xls"));
    EXPECT_TRUE(r.query.Eof());
  }
  const QByteArray large = ReadAll(File("999.xls"));
  EXPECT_EQ(Word(large, 16), 1001);
  EXPECT_TRUE(large.endsWith(QByteArray("\x0A\x00\x00\x00", 4)));
  // Row 0: the query dump; row 1: field names.
  EXPECT_EQ(Word(large, 22), 0x0004);
  EXPECT_TRUE(large.mid(22 + 12, 40).startsWith("Query1.SQL.Text:select * from r\r\n\r\n"));
}

TEST_F(XlsTest, ColumnBoundFollowsWideResults) {
  {
    Result r(1, 97);  // 100 fields
    QueryToXLS(r.query, File("100.xls"));
  }
  EXPECT_EQ(Word(ReadAll(File("100.xls")), 20), 100);
  {
    Result r(1, 117);  // 120 fields
    QueryToXLS(r.query, File("120.xls"));
  }
  EXPECT_EQ(Word(ReadAll(File("120.xls")), 20), 121);
}

TEST_F(XlsTest, TooManyRecordsForASheetWriteNothing) {
  Result r(static_cast<int>(kMaxXlsRecords) + 1);
  try {
    QueryToXLS(r.query, File("huge.xls"));
    FAIL() << "more records than a sheet holds";
  } catch (const Failure& f) {
    EXPECT_TRUE(f.Message().contains(QString::number(kMaxXlsRecords + 1)));
    EXPECT_TRUE(f.Message().contains(QString::number(kMaxXlsRecords)));
  }
  EXPECT_FALSE(QFileInfo::exists(File("huge.xls")));
}

TEST_F(XlsTest, AnIndependentReaderSeesTheCells) {
  if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty()) GTEST_SKIP() << "no python3";
  {
    Result r(3);
    QueryToXLS(r.query, File("read.xls"));
  }
  // LibreOffice would do as well; xlrd is small. The file has no code-page
  // record, so the reader is told the labels' code page.
  QProcess python;
  python.start(QStringLiteral("/usr/bin/python3"),
               {QStringLiteral("-c"), QStringLiteral(R"(
import sys, xlrd
book = xlrd.open_workbook(sys.argv[1], encoding_override='cp950')
sheet = book.sheet_by_index(0)
def show(v):
    if isinstance(v, str):
        return v.replace('\r\n', '/')
    return repr(v)
for r in range(sheet.nrows):
    print('|'.join(show(sheet.cell_value(r, c)) for c in range(sheet.ncols)))
)"),
                File("read.xls")});
  ASSERT_TRUE(python.waitForFinished(30000));
  const QString out = QString::fromUtf8(python.readAllStandardOutput());
  ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
  const QStringList lines = out.trimmed().split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), 5) << out.toStdString();
  EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Query1.SQL.Text:select * from r//")));
  EXPECT_EQ(lines[1], QStringLiteral("i|s|f"));
  EXPECT_EQ(lines[2], QStringLiteral("1.0|名1|0.5"));
  EXPECT_EQ(lines[4], QStringLiteral("3.0|名3|1.5"));
}
