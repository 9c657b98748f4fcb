// "輸出選項": CSV that a reader loads, the null text, the encoding and line
// breaks, the batch size, and insert scripts that load into their target
// server. Nothing changes while the dialog was never used (the other suites
// check the window's own rules unchanged).
#include "controls/text_pane.h"
#include "database/database.h"
#include "options/frm_output_options.h"
#include "support/files.h"
#include "support/modal.h"
#include "support/save_script.h"
#include "support/services.h"
#include "support/temp_database.h"
#include "support/window_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// Texts whose every kind of character a reader or a server could take
// wrongly: both quote marks, backslashes (one at the end), the delimiter,
// CR LF, tabs, U+2028, emoji, a line "go", empty against null.
const char* kValues =
    "create table src (id integer, t text, n real, b blob, day date);"
    "insert into src values (1, 'it''s \"quoted\"', 0.5, x'00ff', '2024-02-29');"
    "insert into src values (2, 'C:\\new\\table', -1.5e300, x'', '1999-12-31');"
    "insert into src values (3, 'a,b;c' || char(13, 10) || 'next' || char(9) || 'tab', null, null, null);"
    "insert into src values (4, '', 12, x'41', '2000-01-01');"
    "insert into src values (5, null, 1e-300, null, null);"
    "insert into src values (6, 'end\\', 7, null, null);"
    "insert into src values (7, ', 1); create table pwned (x int); -- ', 8, null, null);"
    "insert into src values (8, '😀 ' || char(8232) || ' 中文', 9, null, null);"
    "insert into src values (9, 'x' || char(13, 10) || 'go' || char(13, 10) || 'y', 10, null, null);"
    "insert into src values (10, '{\"k\": \"v\\\"w\"}', 11, null, null);";

// Sets the dialog's entries and presses one of its buttons; message boxes
// on the way are recorded and closed.
struct DialogChoices {
  int lineFormat = -1, encoding = -1, lineBreak = -1, target = -1;
  QString nullText = QStringLiteral("\x01"), batch = QStringLiteral("\x01"), use = QStringLiteral("\x01");
  bool cancel = false;
  QStringList messages;
  bool seen = false;
};

std::function<void(QWidget*)> Fill(DialogChoices& c) {
  return [&c](QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      c.messages << box->text();
      QTimer::singleShot(0, box, &QDialog::accept);
      return;
    }
    auto* dialog = qobject_cast<TfrmOutputOptions*>(modal);
    if (!dialog || c.seen) {
      if (dialog) QTimer::singleShot(0, dialog->ButtonCancel, &QPushButton::click);  // refused: give up
      return;
    }
    c.seen = true;
    if (c.lineFormat >= 0) dialog->cmbLineFormat->setCurrentIndex(c.lineFormat);
    if (c.encoding >= 0) dialog->cmbEncoding->setCurrentIndex(c.encoding);
    if (c.lineBreak >= 0) dialog->cmbLineBreak->setCurrentIndex(c.lineBreak);
    if (c.target >= 0) dialog->cmbTarget->setCurrentIndex(c.target);
    if (c.nullText != QStringLiteral("\x01")) dialog->EdNullText->setText(c.nullText);
    if (c.batch != QStringLiteral("\x01")) dialog->EdBatchSize->setText(c.batch);
    if (c.use != QStringLiteral("\x01")) dialog->EdUseDatabase->setText(c.use);
    QTimer::singleShot(0, c.cancel ? dialog->ButtonCancel : dialog->ButtonOK, &QPushButton::click);
  };
}

class UiOutputOptions : public WindowTest {
protected:
  void SetUp() override {
    db_ = std::make_unique<TempDatabase>(QString::fromUtf8(kValues), QStringLiteral("OPTIONSDB"));
    WindowTest::SetUp();
    UseDatabase(db_->Alias());
    W().chbShowMemo->setChecked(false);
  }
  QStringList Choose(DialogChoices& choices) {
    ModalAnswerer answerer(Fill(choices));
    QTest::mouseClick(W().ButtonOptions, Qt::LeftButton);
    QApplication::processEvents();
    return choices.messages;
  }
  QString File(const char* name) const { return dir_.filePath(QLatin1String(name)); }
  QStringList RunDirect(const QString& statement, const QString& fileName) {
    W().chbDirectSave->setChecked(true);
    W().MemoSQL->setPlainText(statement);
    DialogScript script{fileName};
    {
      ModalAnswerer answerer(Answer(script));
      QTest::mouseClick(W().ButtonSQLExec, Qt::LeftButton);
    }
    QApplication::processEvents();
    W().chbDirectSave->setChecked(false);
    return script.messages;
  }  // An insert script of opt_src into opt_src_copy, with the literals of
  // `target` (the index of cmbTarget) and no "use", into the file load.sql
  // by 直接存檔: the messages of the run.
  QStringList WriteLoadScript(int target) {
    DialogChoices choices;
    choices.target = target;
    choices.use = QString();
    choices.encoding = 1;
    EXPECT_TRUE(Choose(choices).isEmpty());
    W().ChBEachRow->setChecked(true);
    W().ChBColName->setChecked(true);
    W().ChBLeftBrace->setChecked(true);
    W().ChBRightBrace->setChecked(true);
    W().EdInsertInto->setText(QStringLiteral("insert into opt_src_copy"));
    W().EdValues->setText(QStringLiteral("values"));
    return RunDirect(QStringLiteral("select * from opt_src order by id"), File("load.sql"));
  }

  QByteArray SavePane(const QString& fileName) {
    W().rbTXT->setChecked(true);
    DialogScript save{fileName};
    ModalAnswerer answerer(Answer(save));
    QTest::mouseClick(W().ButtonSave, Qt::LeftButton);
    return ReadAll(fileName);
  }
  static QString Python(const QString& script, const QStringList& arguments) {
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral("-c"), script} + arguments);
    EXPECT_TRUE(python.waitForFinished(60000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    return QString::fromUtf8(python.readAllStandardOutput()).trimmed();
  }
  std::unique_ptr<TempDatabase> db_;
  QTemporaryDir dir_;
};

}  // namespace

TEST_F(UiOutputOptions, TheDialogKeepsItsChoicesAndRefusesBadEntries) {
  EXPECT_EQ(W().Output.nullText, QStringLiteral("null"));
  for (const char* bad : {"0", "three", "-5"}) {
    DialogChoices refused;
    refused.batch = QLatin1String(bad);
    refused.lineFormat = 1;
    ASSERT_EQ(Choose(refused).size(), 1) << bad;
    EXPECT_TRUE(refused.messages.first().contains(QStringLiteral("大於 0 的整數"))) << refused.messages.first().toStdString();
    EXPECT_EQ(W().Output.batchRows, 3000);  // nothing taken
    EXPECT_EQ(W().Output.lineFormat, LineFormat::AsIs);
  }
  DialogChoices injected;
  injected.use = QStringLiteral("x; drop table t");
  ASSERT_EQ(Choose(injected).size(), 1);
  EXPECT_EQ(W().Output.useDatabase, QStringLiteral("qledger"));

  DialogChoices taken;
  taken.lineFormat = 1;
  taken.nullText = QStringLiteral("\\N");
  taken.encoding = 2;
  taken.lineBreak = 1;
  taken.batch = QString();
  taken.target = 3;
  taken.use = QString();
  EXPECT_TRUE(Choose(taken).isEmpty());
  EXPECT_EQ(W().Output.lineFormat, LineFormat::Csv);
  EXPECT_EQ(W().Output.nullText, QStringLiteral("\\N"));
  EXPECT_EQ(W().Output.encoding, FileEncoding::Utf8WithBom);
  EXPECT_FALSE(W().Output.crLf);
  EXPECT_EQ(W().Output.batchRows, 0);
  EXPECT_EQ(W().Output.target, LiteralTarget::PostgreSql);
  EXPECT_TRUE(W().Output.useDatabase.isEmpty());

  // Cancel keeps them; the dialog shows them again.
  DialogChoices cancelled;
  cancelled.lineFormat = 0;
  cancelled.cancel = true;
  Choose(cancelled);
  EXPECT_EQ(W().Output.lineFormat, LineFormat::Csv);

  // A CSV delimiter must be one character that is no quote mark.
  for (const char* delimiter : {"", "||", "\""}) {
    W().Delimiter->setText(QLatin1String(delimiter));
    const QStringList said = RunShowing(QStringLiteral("select * from src"));
    ASSERT_EQ(said.size(), 1) << delimiter;
    EXPECT_TRUE(said.first().startsWith(QStringLiteral("CSV 格式"))) << said.first().toStdString();
    EXPECT_TRUE(W().MemoOutput->toPlainText().isEmpty());
  }
}

// CSV with a null text of its own, in UTF-8 with a byte-order mark and LF:
// Python's csv module gives back every value, null apart from the empty text.
TEST_F(UiOutputOptions, CsvLinesLoadBackIntoPythonsCsvReader) {
  DialogChoices csv;
  csv.lineFormat = 1;
  csv.nullText = QStringLiteral("\\N");
  csv.encoding = 2;
  EXPECT_TRUE(Choose(csv).isEmpty());
  W().ChBColName->setChecked(true);
  W().Delimiter->setText(QStringLiteral(","));
  const QString statement = QStringLiteral("select id, t from src order by id");
  ASSERT_TRUE(RunDirect(statement, File("direct.csv")).isEmpty());
  W().ButtonClearResult->click();
  EXPECT_TRUE(RunShowing(statement).isEmpty());
  const QByteArray saved = SavePane(File("saved.csv"));
  EXPECT_TRUE(saved.startsWith("\xEF\xBB\xBF" "id,t\r\n1,\"it's \"\"quoted\"\"\"\r\n")) << saved.left(40).toStdString();
  EXPECT_TRUE(ReadAll(File("direct.csv")) == saved);
  const QString check = Python(QStringLiteral(R"(
import csv, sqlite3, sys
rows = list(csv.reader(open(sys.argv[1], newline='', encoding='utf-8-sig')))
assert rows[0] == ['id', 't'], rows[0]
db = sqlite3.connect(sys.argv[2])
expected = [[str(i), '\\N' if t is None else t] for i, t in db.execute('select id, t from src order by id')]
for got, want in zip(rows[1:], expected):
    if got != want: print('differs', repr(got), repr(want))
print(len(rows) - 1)
)"), {File("saved.csv"), db_->Path()});
  EXPECT_EQ(check, QStringLiteral("10"));
}

// A null text that is also a value is said once; the encodings' bytes.
TEST_F(UiOutputOptions, NullTextsEncodingsAndLineBreaks) {
  DialogChoices plain;
  plain.nullText = QString();  // null as an empty field
  plain.encoding = 1;
  plain.lineBreak = 1;
  EXPECT_TRUE(Choose(plain).isEmpty());
  const QStringList said = RunShowing(QStringLiteral("select id, n from src where id in (3, 4, 5) order by id"));
  EXPECT_EQ(OutputLines(), QStringList({QStringLiteral("3,"), QStringLiteral("4,12"), QStringLiteral("5,1E-300")}));
  EXPECT_TRUE(said.isEmpty()) << said.join(QLatin1Char('\n')).toStdString();
  EXPECT_EQ(SavePane(File("lf.txt")), QByteArray("3,\n4,12\n5,1E-300"));

  W().ButtonClearResult->click();
  const QStringList empty = RunShowing(QStringLiteral("select id, t from src where id in (4, 5) order by id"));
  EXPECT_EQ(OutputLines(), QStringList({QStringLiteral("4,''"), QStringLiteral("5,")}));
  EXPECT_TRUE(empty.isEmpty());  // the empty text is quoted: no null text to confuse with

  DialogChoices like;
  like.lineFormat = 1;
  like.nullText = QStringLiteral("12");
  EXPECT_TRUE(Choose(like).isEmpty());
  W().ButtonClearResult->click();
  const QStringList warned = RunShowing(QStringLiteral("select id, n from src where id in (4, 5) order by id"));
  ASSERT_EQ(warned.size(), 1);
  EXPECT_TRUE(warned.first().startsWith(QStringLiteral("有 1 個值的文字就是 null 的文字「12」"))) << warned.first().toStdString();
}

namespace {
QStringList Lines(const QByteArray& bytes) {
  QStringList lines = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
  lines.removeAll(QStringLiteral("go"));  // the site's batch line: a client of another server drops it
  return lines;
}
}  // namespace

// Standard SQL loads into SQLite's own client, every value the same.
TEST_F(UiOutputOptions, AStandardSqlScriptLoadsIntoSqliteUnchanged) {
  DialogChoices standard;
  standard.target = 1;
  standard.use = QString();
  standard.batch = QStringLiteral("4");
  standard.encoding = 1;  // the emoji and U+2028 have no Big5 form
  EXPECT_TRUE(Choose(standard).isEmpty());
  W().ChBEachRow->setChecked(true);
  W().ChBColName->setChecked(true);
  W().ChBLeftBrace->setChecked(true);
  W().ChBRightBrace->setChecked(true);
  W().EdInsertInto->setText(QStringLiteral("insert into src_copy"));  // names the statement's table: kept
  W().EdValues->setText(QStringLiteral("values"));
  const QStringList said = RunDirect(QStringLiteral("select * from src order by id"), File("load.sql"));
  ASSERT_TRUE(said.isEmpty()) << said.join(QLatin1Char('\n')).toStdString();
  const QByteArray script = ReadAll(File("load.sql"));
  EXPECT_FALSE(script.contains("use "));
  EXPECT_EQ(script.count("\r\ngo\r\n"), 2);  // after rows 4 and 8
  EXPECT_TRUE(script.contains("'it''s \"quoted\"'"));
  EXPECT_TRUE(script.contains("X'00FF'"));
  const TempDatabase copy(QStringLiteral("create table src_copy (id integer, t text, n real, b blob, day date);"),
                          QStringLiteral("COPYDB"));
  QProcess sqlite;
  sqlite.start(QStringLiteral("sqlite3"), {QStringLiteral("-bail"), copy.Path()});
  ASSERT_TRUE(sqlite.waitForStarted());
  sqlite.write(Lines(script).join(QLatin1Char('\n')).toUtf8());
  sqlite.closeWriteChannel();
  ASSERT_TRUE(sqlite.waitForFinished(30000));
  EXPECT_EQ(sqlite.exitCode(), 0) << sqlite.readAllStandardError().toStdString();
  const QString compare = Python(QStringLiteral(R"(
import sqlite3, sys
q = 'select id, quote(t), quote(n), quote(b), quote(day) from {} order by id'
a = sqlite3.connect(sys.argv[1]).execute(q.format('src')).fetchall()
b = sqlite3.connect(sys.argv[2]).execute(q.format('src_copy')).fetchall()
print('same' if a == b else 'differ\n' + '\n'.join(repr(x) + ' / ' + repr(y) for x, y in zip(a, b) if x != y))
)"), {db_->Path(), copy.Path()});
  EXPECT_EQ(compare.toStdString(), "same");
}

namespace {
class PgOutputOptions : public UiOutputOptions {
protected:
  void SetUp() override {
    if (!TestServicesRunning()) GTEST_SKIP() << "needs the services of ./dev test";
    PgExec({QStringLiteral("drop table if exists opt_src"), QStringLiteral("drop table if exists opt_src_copy"),
            QStringLiteral("create table opt_src (id integer, t text, n numeric(20,6), d double precision, bo boolean,"
                           " by bytea, da date, ts timestamp)"),
            QStringLiteral("create table opt_src_copy (like opt_src)"),
            QStringLiteral("insert into opt_src values"
                           " (1, E'it''s \"q\" C:\\\\new\\\\table \\\\', 1.5, 0.5, true, '\\x00ff', '2024-02-29', '2024-02-29 13:45:30'),"
                           " (2, E'a\\r\\nb\\tc\\nd go', -0.000001, -1.5e300, false, '\\x', '0001-01-01', '1999-12-31 23:59:59'),"
                           " (3, '', null, null, null, null, null, null), (4, null, 0, 1e-300, null, null, null, null),"
                           " (5, '😀 ' || chr(8232) || ' 中文 {\"k\": \"v\\\"w\"}', 123456789012.5, 7, true, null, null, null)")});
    UiOutputOptions::SetUp();
    W().Database1->SetLoginPrompt(false);
    ModalAnswerer answerer;
    UseDatabase(QStringLiteral("Q2T_PG"));
  }
};
}  // namespace

// PostgreSQL's literals load into the server and give back every value.
TEST_F(PgOutputOptions, APostgresScriptLoadsIntoTheServerUnchanged) {
  ASSERT_TRUE(WriteLoadScript(3).isEmpty());
  QStringList statements = Lines(ReadAll(File("load.sql")));
  statements.removeAll(QString());
  ASSERT_EQ(statements.size(), 5);
  PgExec(statements);
  W().chbShowMemo->setChecked(false);
  for (QCheckBox* box : {W().ChBEachRow, W().ChBColName, W().ChBLeftBrace, W().ChBRightBrace}) box->setChecked(false);
  W().ButtonClearResult->click();
  EXPECT_TRUE(RunShowing(QStringLiteral("select (select count(*) from (select * from opt_src except select * from opt_src_copy) a)"
                                        " + (select count(*) from (select * from opt_src_copy except select * from opt_src) b)"
                                        " + abs((select count(*) from opt_src) - (select count(*) from opt_src_copy))"))
                  .isEmpty());
  EXPECT_EQ(OutputLines(), QStringList({QStringLiteral("0")}));
}

namespace {
class MdbOutputOptions : public UiOutputOptions {
protected:
  void SetUp() override {
    if (!MariaDbRunning()) GTEST_SKIP() << "needs the MariaDB server of ./dev test";
    MdbExec({QStringLiteral("drop table if exists opt_src"), QStringLiteral("drop table if exists opt_src_copy"),
             QStringLiteral("create table opt_src (id int, t text, n decimal(20,6), d double, bo boolean, bl blob,"
                            " da date, ts datetime, u bigint unsigned, ti time)"),
             QStringLiteral("create table opt_src_copy like opt_src"),
             QStringLiteral("insert into opt_src values"
                            " (1, 'it''s \"q\" C:\\\\new\\\\table \\\\', 1.5, 0.5, true, x'00ff27', '2024-02-29',"
                            "  '2024-02-29 13:45:30', 18446744073709551615, '838:59:59'),"
                            " (2, 'a\\r\\nb\\tc\\ngo\\nd', -0.000001, -1.5e300, false, x'', '0000-00-00',"
                            "  '1999-12-31 23:59:59', 0, '-12:34:56'),"
                            " (3, '', null, null, null, null, null, null, null, null),"
                            " (4, null, 0, 1e-300, null, null, '2024-00-00', null, 9223372036854775808, '24:00:00'),"
                            " (5, concat('😀 ', char(0xE280A8 using utf8mb4), ' 中文 {\"k\": \"v\\\\\"w\"}'),"
                            "  123456789012.5, 7, true, null, null, null, 1, '00:00:00')")});
    UiOutputOptions::SetUp();
    W().Database1->SetLoginPrompt(false);
    ModalAnswerer answerer;
    UseDatabase(QStringLiteral("Q2T_MDB"));
  }
};
}  // namespace

// MariaDB's literals load through the server's own client and give back
// every value, the server's own texts (unsigned, times, zero dates) among them.
TEST_F(MdbOutputOptions, AMariaDbScriptLoadsIntoTheServerUnchanged) {
  const QStringList said = WriteLoadScript(2);
  ASSERT_EQ(said.size(), 1) << said.join(QLatin1Char('\n')).toStdString();  // the server's texts, counted
  QProcess client;
  client.start(QStringLiteral("mariadb"),
               {QStringLiteral("--no-defaults"), QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-P"),
                qEnvironmentVariable("Q2T_MDB_PORT"), QStringLiteral("-uq2t"), QStringLiteral("-pq2t-secret"),
                QStringLiteral("--default-character-set=utf8mb4"), QStringLiteral("q2t_test")});
  ASSERT_TRUE(client.waitForStarted());
  client.write(ReadAll(File("load.sql")));  // as the file is: CR LF, "go" lines and all
  client.closeWriteChannel();
  ASSERT_TRUE(client.waitForFinished(30000));
  EXPECT_EQ(client.exitCode(), 0) << client.readAllStandardError().toStdString();
  EXPECT_EQ(MdbClientLines(QStringLiteral(
                "select (select count(*) from (select * from opt_src except select * from opt_src_copy) a)"
                " + (select count(*) from (select * from opt_src_copy except select * from opt_src) b)"
                " + abs((select count(*) from opt_src) - (select count(*) from opt_src_copy))")),
            QStringList({QStringLiteral("0")}));
}
