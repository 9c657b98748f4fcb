// "查詢" with 直接存檔: the lines go straight into a file, byte for byte what
// a run followed by the text save gives; the grid keeps the first rows; a
// stopped or failed run leaves the old file as it was; memory stays flat.
#include "controls/db_grid.h"
#include "controls/text_pane.h"
#include "database/database.h"
#include "database/query.h"
#include "support/files.h"
#include "support/modal.h"
#include "support/save_script.h"
#include "support/services.h"
#include "support/temp_database.h"
#include "support/window_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Values a line may break on: the delimiter, quotes of both kinds, CR LF
// and a lone LF, a line "go", tabs, Chinese, emoji, null against empty,
// numbers at their edges, a blob, dates.
const char* kTrickyRows =
    "create table tricky (id integer, name varchar(40), amount real, note text, pic blob, day date);"
    "insert into tricky values (1, 'plain', 0.5, 'a,b', x'00ff', '2024-02-29');"
    "insert into tricky values (2, 'it''s \"both\"', -1.5e300, 'line1' || char(13,10) || 'line2', null, null);"
    "insert into tricky values (3, '', null, 'x' || char(10) || 'go' || char(10) || 'y', x'', '1999-12-31 23:59:59');"
    "insert into tricky values (4, null, 1e-300, char(9) || '中文' || char(13), x'41', '0001-01-01');"
    "insert into tricky values (5, '表情 emoji', 9223372036854775807, 'end\\', null, '2024-01-01 00:00:00');"
    // Enough rows for several "go" batches in insert mode.
    "insert into tricky select id + 5, name || id, amount * id, note, pic, day from"
    " (with recursive c(n) as (select 1 union all select n + 1 from c where n < 1400) select n from c)"
    " join tricky on 1 = 1 where id <= 5;";

class UiDirectSave : public WindowTest {
protected:
  void SetUp() override {
    db_ = std::make_unique<TempDatabase>(QString::fromUtf8(kTrickyRows), QStringLiteral("DIRECTDB"));
    WindowTest::SetUp();
    UseDatabase(db_->Alias());
  }
  QString File(const char* name) const { return dir_.filePath(QLatin1String(name)); }
  // A normal run into the pane, then 把結果存成文字檔.
  QByteArray RunThenSave(const QString& statement, const QString& fileName, const QStringList& runMessages = {}) {
    W().chbDirectSave->setChecked(false);
    W().chbShowMemo->setChecked(false);
    W().ButtonClearResult->click();
    EXPECT_EQ(RunShowing(statement), runMessages);
    W().rbTXT->setChecked(true);
    DialogScript save{fileName};
    {
      ModalAnswerer answerer(Answer(save));
      QTest::mouseClick(W().ButtonSave, Qt::LeftButton);
    }
    return ReadAll(fileName);
  }
  // The same statement with 直接存檔 ticked; the messages shown.
  QStringList RunDirect(const QString& statement, DialogScript& script) {
    W().chbDirectSave->setChecked(true);
    W().MemoSQL->setPlainText(statement);
    {
      ModalAnswerer answerer(Answer(script));
      QTest::mouseClick(W().ButtonSQLExec, Qt::LeftButton);
    }
    QApplication::processEvents();
    return script.messages;
  }
  QStringList FilesHere() const { return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden); }
  std::unique_ptr<TempDatabase> db_;
  QTemporaryDir dir_;
};

}  // namespace

TEST_F(UiDirectSave, TheFileHoldsTheBytesOfARunFollowedByTheTextSave) {
  const QString statement = QStringLiteral("select * from tricky order by id");
  struct Mode {
    bool names, eachRow, left, right;
    const char* delimiter;
  };
  for (const Mode mode : {Mode{true, false, true, true, "|"}, Mode{false, false, false, false, ","},
                          Mode{true, true, false, false, ","}, Mode{false, true, true, false, ";"}}) {
    SCOPED_TRACE(testing::Message() << "names " << mode.names << " insert " << mode.eachRow);
    for (const QString& name : FilesHere()) QFile::remove(dir_.filePath(name));
    W().ChBColName->setChecked(mode.names);
    W().ChBEachRow->setChecked(mode.eachRow);
    W().ChBLeftBrace->setChecked(mode.left);
    W().ChBRightBrace->setChecked(mode.right);
    W().Delimiter->setText(QLatin1String(mode.delimiter));
    // Insert mode says, both ways, that line breaks were kept off a "go" line.
    QStringList said;
    if (mode.eachRow)
      said << QStringLiteral("有 1401 個文字值含有只有 go 的一行或單獨的換行 (LF), 其中的換行已寫成 char(13)、char(10) 相接,"
                             " 以免切斷指令批次, 載回時也還是原值");
    const QByteArray saved = RunThenSave(statement, File("saved.txt"), said);
    ASSERT_GT(saved.size(), 100000);

    W().ButtonClearResult->click();
    DialogScript direct{File("direct.txt")};
    EXPECT_EQ(RunDirect(statement, direct), said);
    EXPECT_EQ(direct.proposed, mode.eachRow ? QStringLiteral("tricky.sql") : QStringLiteral("tricky.txt"));
    const QByteArray written = ReadAll(File("direct.txt"));
    ASSERT_EQ(written.size(), saved.size());
    EXPECT_TRUE(written == saved);
    if (mode.eachRow) {
      EXPECT_EQ(written.count("\r\ngo\r\n"), 1 + 7005 / 3000);  // after "use qledger" and every 3000th row
      EXPECT_TRUE(written.endsWith("\r\ngo"));
    }
    // The pane has one line that says where the rows went; the grid keeps
    // the first rows only and says so.
    EXPECT_EQ(OutputLines(), QStringList({QStringLiteral("已把 7005 筆資料寫入檔案 %1").arg(File("direct.txt"))}));
    EXPECT_EQ(W().Query1->StoredCount(), 1000);
    EXPECT_EQ(W().Query1->RowsNotKept(), 6005);
    auto* note = W().DBGrid1->findChild<QLabel*>(QStringLiteral("keptRowsNote"));
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(note->isVisible());
    EXPECT_TRUE(note->text().contains(QStringLiteral("前 1000 筆")));
    EXPECT_EQ(FilesHere(), QStringList({QStringLiteral("direct.txt"), QStringLiteral("saved.txt")}));
  }
  // A run of the pane again: every row is kept, and the note goes.
  W().chbDirectSave->setChecked(false);
  EXPECT_TRUE(RunShowing(QStringLiteral("select * from tricky where id < 3")).isEmpty());
  EXPECT_FALSE(W().DBGrid1->findChild<QLabel*>(QStringLiteral("keptRowsNote"))->isVisible());
  EXPECT_EQ(W().Query1->StoredCount(), 2);
}

TEST_F(UiDirectSave, Big5IsAskedAboutOnceWithTheWholeCountAndNothingIsLost) {
  // Characters Big5 lacks only in the last row, after more than one block
  // of lines (4M characters) was written in Big5: that part becomes UTF-8
  // too, without a character lost.
  db_->Exec(QStringLiteral("insert into tricky values (9000, '한국', 1, '한😀', null, null);"));
  const QString statement =
      QStringLiteral("select id, printf('%0700d', id) as pad, '中文' as big5, name, note from tricky order by id");
  DialogScript refuse{File("korean.txt")};
  refuse.confirm = QStringLiteral("取消");
  ASSERT_EQ(RunDirect(statement, refuse).size(), 1);
  EXPECT_TRUE(refuse.messages.first().startsWith(QStringLiteral("有 4 個字元無法以Big5字碼儲存")))
      << refuse.messages.first().toStdString();
  EXPECT_TRUE(FilesHere().isEmpty()) << FilesHere().join(QLatin1Char(' ')).toStdString();

  DialogScript utf8{File("korean.txt")};
  ASSERT_EQ(RunDirect(statement, utf8).size(), 1);
  const QByteArray saved = RunThenSave(statement, File("saved.txt"));
  EXPECT_TRUE(ReadAll(File("korean.txt")) == saved);
  EXPECT_GT(saved.size(), 7000 * 700);
  EXPECT_TRUE(saved.endsWith(QStringLiteral(",'中文','한국','한😀'").toUtf8()));
}

TEST_F(UiDirectSave, AStoppedOrFailedRunLeavesTheOldFileAsItWas) {
  const QString endless = QStringLiteral(
      "select * from (with recursive c(x) as (select 1 union all select x + 1 from c) select x, 'row' from c)");
  WriteAll(File("keep.txt"), QByteArray("previous"));
  QTimer::singleShot(600, &W(), [this] {
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(W().MemoOutput, &escape);
  });
  DialogScript stopped{File("keep.txt")};
  ASSERT_EQ(RunDirect(endless, stopped).size(), 2);  // the dialog's "replace?" first
  EXPECT_TRUE(stopped.messages.last().startsWith(QStringLiteral("查詢已停止: 輸出到第 ")))
      << stopped.messages.last().toStdString();
  EXPECT_TRUE(stopped.messages.last().endsWith(QStringLiteral("沒有寫入檔案 %1").arg(File("keep.txt"))));
  EXPECT_EQ(ReadAll(File("keep.txt")), QByteArray("previous"));
  EXPECT_EQ(FilesHere(), QStringList({QStringLiteral("keep.txt")}));
  EXPECT_FALSE(W().Query1->Held());

  // A disk that fills up: the system's reason, and nothing half-written.
  DialogScript full{File("keep.txt")};
  {
    const FileSizeLimit diskFull(64 << 10);
    ASSERT_EQ(RunDirect(QStringLiteral("select * from tricky"), full).size(), 2);
  }
  EXPECT_EQ(full.messages.last().toStdString(), "串流(Stream)寫入錯誤\n" + File("keep.txt").toStdString() + ": File too large");
  EXPECT_EQ(ReadAll(File("keep.txt")), QByteArray("previous"));
  EXPECT_EQ(FilesHere(), QStringList({QStringLiteral("keep.txt")}));

  // A place where no file can be made, and a named pipe: refused before the run.
  DialogScript nowhere{QStringLiteral("/proc/q2t-direct.txt")};
  ASSERT_EQ(RunDirect(QStringLiteral("select * from tricky"), nowhere).size(), 1);
  EXPECT_EQ(nowhere.messages.first().section(QLatin1Char('\n'), 0, 0), QStringLiteral("無法產生檔案 /proc/q2t-direct.txt"));
  ASSERT_EQ(mkfifo(QFile::encodeName(File("pipe.txt")).constData(), 0600), 0);
  DialogScript pipe{File("pipe.txt")};
  ASSERT_EQ(RunDirect(QStringLiteral("select * from tricky"), pipe).size(), 2);
  EXPECT_TRUE(pipe.messages.last().contains(QStringLiteral("具名管道"))) << pipe.messages.first().toStdString();

  // A statement the engine refuses: its message, no file.
  DialogScript refused{File("new.txt")};
  ASSERT_EQ(RunDirect(QStringLiteral("select * from no_such_table"), refused).size(), 1);
  EXPECT_TRUE(refused.messages.first().contains(QStringLiteral("no_such_table")));
  EXPECT_FALSE(QFile::exists(File("new.txt")));

  // The window goes on working.
  DialogScript after{File("after.txt")};
  EXPECT_TRUE(RunDirect(QStringLiteral("select id from tricky where id = 1"), after).isEmpty());
  EXPECT_EQ(ReadAll(File("after.txt")), QByteArray("1"));
}

namespace {
quint64 VirtualBytes() {
  QFile statm(QStringLiteral("/proc/self/statm"));
  if (!statm.open(QIODevice::ReadOnly)) return 0;
  return statm.readAll().split(' ').value(0).toULongLong() * static_cast<quint64>(sysconf(_SC_PAGESIZE));
}
}  // namespace

TEST_F(UiDirectSave, MemoryStaysFlatWhateverTheRowCount) {
  // 3M rows of about 70 characters: the pane and the grid would need over
  // 350 MB for them; the run into a file gets 200 MB more than it holds now.
  const QString statement = QStringLiteral(
      "select x, printf('%050d', x) as wide from (with recursive c(x) as"
      " (select 1 union all select x + 1 from c where x < 3000000) select x from c)");
  QStringList messages;
  {
    rlimit before{};
    getrlimit(RLIMIT_AS, &before);
    rlimit lowered = before;
    lowered.rlim_cur = VirtualBytes() + (200ull << 20);
    setrlimit(RLIMIT_AS, &lowered);
    DialogScript direct{File("many.txt")};
    messages = RunDirect(statement, direct);
    setrlimit(RLIMIT_AS, &before);
  }
  EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
  QFile file(File("many.txt"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.size(), qint64{3000000} * 2 /* CR LF */ - 2 + 3000000 * 3 /* ,'' */ + 3000000 * 50 +
                             [] { qint64 digits = 0; for (qint64 x = 1; x <= 3000000; ++x) digits += QByteArray::number(x).size(); return digits; }());
  file.seek(file.size() - 60);
  EXPECT_TRUE(file.readAll().endsWith("3000000,'00000000000000000000000000000000000000000003000000'"));
}

namespace {
class PgDirectSave : public UiDirectSave {
protected:
  void SetUp() override {
    if (!TestServicesRunning()) GTEST_SKIP() << "needs the services of ./dev test";
    UiDirectSave::SetUp();
    W().Database1->SetLoginPrompt(false);
    ModalAnswerer answerer;
    UseDatabase(QStringLiteral("Q2T_PG"));
    ASSERT_TRUE(answerer.Texts().isEmpty()) << answerer.Texts().join(QLatin1Char('\n')).toStdString();
  }
};
}  // namespace

// The server's types through the same two paths: the same bytes.
TEST_F(PgDirectSave, TheFileHoldsTheBytesOfARunFollowedByTheTextSave) {
  PgExec({QStringLiteral("drop table if exists direct_types"),
          QStringLiteral("create table direct_types (i integer, b bigint, n numeric(18,6), d double precision, bo boolean,"
                         " t text, by bytea, da date, ts timestamp, tz timestamptz, iv interval, j json)"),
          QStringLiteral("insert into direct_types select x, x * 9007199254740, x / 7.0, x * 0.1, x % 2 = 0,"
                         " case x % 4 when 0 then null when 1 then '' when 2 then E'a\\r\\nb''\"\\\\' else '中文' end,"
                         " decode(lpad(to_hex(x), 8, '0'), 'hex'), date '2024-02-29' + x, timestamp '2000-01-01' + x * interval '1 minute',"
                         " timestamptz '2000-01-01 00:00:00+00' + x * interval '1 second', x * interval '1 hour',"
                         " json_build_object('k', x) from generate_series(1, 7000) as x")});
  const QString statement = QStringLiteral("select * from direct_types order by i");
  for (const bool eachRow : {false, true}) {
    SCOPED_TRACE(eachRow ? "insert mode" : "delimited");
    for (const QString& name : FilesHere()) QFile::remove(dir_.filePath(name));
    W().ChBColName->setChecked(true);
    W().ChBEachRow->setChecked(eachRow);
    QStringList said;
    const QByteArray saved = RunThenSave(statement, File("saved.txt"));
    ASSERT_GT(saved.size(), 100000);
    DialogScript direct{File("direct.txt")};
    EXPECT_TRUE(RunDirect(statement, direct).isEmpty()) << direct.messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(ReadAll(File("direct.txt")) == saved);
  }
}

// A server that ends the session mid-run: one message, no file, and the
// next run works.
TEST_F(PgDirectSave, ALostServerLeavesNoFile) {
  W().MemoSQL->setPlainText(QStringLiteral("select pg_backend_pid()"));
  W().chbShowMemo->setChecked(false);
  EXPECT_TRUE(RunShowing(QStringLiteral("select pg_backend_pid()")).isEmpty());
  const QString pid = OutputLines().value(0);
  ASSERT_FALSE(pid.isEmpty());
  QTimer::singleShot(700, [pid] { PgExec({QStringLiteral("select pg_terminate_backend(%1)").arg(pid)}); });
  DialogScript lost{File("lost.txt")};
  ASSERT_EQ(RunDirect(QStringLiteral("select a, b, repeat('y', 50) from generate_series(1, 20000) as a,"
                                                  " generate_series(1, 10000) as b"), lost).size(), 1);
  // The rows came and the file was growing when the server went.
  EXPECT_TRUE(lost.messages.first().contains(QStringLiteral("筆為止, 沒有寫入檔案")) &&
              !lost.messages.first().contains(QStringLiteral("輸出到第 0 筆")))
      << lost.messages.first().toStdString();
  EXPECT_TRUE(FilesHere().isEmpty()) << FilesHere().join(QLatin1Char(' ')).toStdString();
  DialogScript after{File("after.txt")};
  EXPECT_TRUE(RunDirect(QStringLiteral("select 1 as one"), after).isEmpty());
  EXPECT_EQ(ReadAll(File("after.txt")), QByteArray("1"));
}

// A result as wide as SQLite allows, into a text file and a workbook.
TEST_F(UiDirectSave, TwoThousandColumnsGoIntoBothKindsOfFile) {
  QStringList columns;
  for (int i = 1; i <= 2000; ++i) columns << QStringLiteral("%1 as c%1").arg(i);
  const QString statement = QStringLiteral("select ") + columns.join(QStringLiteral(", "));
  W().ChBColName->setChecked(true);
  DialogScript text{File("wide.txt")};
  EXPECT_TRUE(RunDirect(statement, text).isEmpty()) << text.messages.join(QLatin1Char('\n')).toStdString();
  const QList<QByteArray> lines = ReadAll(File("wide.txt")).split('\n');
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lines[1].count(','), 1999);
  EXPECT_TRUE(lines[1].endsWith(",1999,2000"));
  DialogScript workbook{File("wide.xlsx")};
  EXPECT_TRUE(RunDirect(statement, workbook).isEmpty()) << workbook.messages.join(QLatin1Char('\n')).toStdString();
  EXPECT_GT(QFileInfo(File("wide.xlsx")).size(), 1000);
  EXPECT_EQ(W().LabelFieldCnt->text(), QStringLiteral("2000"));
}
