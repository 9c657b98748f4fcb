// Scripts no name or value can break, and saves that replace nothing but
// regular files: names that are no plain names are quoted, a value cannot
// end the site's batch, a pipe or a device is never replaced.
#include "controls/dataset_model.h"
#include "controls/db_grid.h"
#include "controls/text_pane.h"
#include "database/query.h"
#include "support/modal.h"
#include "support/temp_database.h"
#include "support/window_fixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <sys/stat.h>

namespace {

class UiScriptSafety : public WindowTest {
protected:
  void SetUp() override {
    db_ = std::make_unique<TempDatabase>(
        QStringLiteral(
            "create table t_evilcol (\"k) values (0); drop table victim; insert into t_evilcol (k\" integer, \"x,y\" integer);"
            "insert into t_evilcol values (1, 2);"
            "create table victim (v integer);"
            "create table notes (n integer, s text);"
            "insert into notes values (1, 'x'')' || char(10) || 'go' || char(10) || 'drop table victim' || char(10) || ' GO 2 ' || char(13) || char(10) || '--');"
            "insert into notes values (2, 'going' || char(10) || 'ago');"
            "create table sales (a integer);"
            "create table \"sales old\" (a integer, b integer);"
            "insert into \"sales old\" values (1, 2), (3, 4), (5, 6);"
            "create table \"sales--old\" (a integer, b integer, c integer);"
            "create table flags (n integer, b boolean);"
            "insert into flags values (1, 'maybe'), (2, 2), (3, 'true'), (4, 1), (5, 0), (6, 'off');"),
        QStringLiteral("SAFEDB"));
    WindowTest::SetUp();
    UseDatabase(db_->Alias());
    W().chbShowMemo->setChecked(false);
  }
  QStringList Run(const QString& statement) { return RunShowing(statement); }
  // Runs the lines through the sqlite3 program on a copy of the database;
  // the names of the tables there afterwards.
  QString FeedToSqlite(const QStringList& lines) {
    const QString copy = dir_.filePath(QStringLiteral("copy.db"));
    QFile::remove(copy);
    EXPECT_TRUE(QFile::copy(db_->Path(), copy));
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"), {copy});
    sqlite.write(lines.join(QLatin1Char('\n')).toUtf8() + ";\n");
    sqlite.closeWriteChannel();
    EXPECT_TRUE(sqlite.waitForFinished(10000));
    QProcess tables;
    tables.start(QStringLiteral("sqlite3"), {copy, QStringLiteral("select group_concat(name, ' ') from "
                                                                  "(select name from sqlite_schema where type = 'table' order by name);"
                                                                  "select count(*) from t_evilcol;")});
    tables.waitForFinished(10000);
    return QString::fromUtf8(tables.readAllStandardOutput()).trimmed();
  }
  std::unique_ptr<TempDatabase> db_;
  QTemporaryDir dir_;
};

}  // namespace

TEST_F(UiScriptSafety, ColumnNamesThatAreNoPlainNamesAreQuotedAndTheScriptLoads) {
  W().ChBColName->setChecked(true);
  W().ChBEachRow->setChecked(true);
  ASSERT_TRUE(Run(QStringLiteral("select * from t_evilcol")).isEmpty());
  const QStringList lines = OutputLines();
  ASSERT_EQ(lines.size(), 4);
  EXPECT_EQ(lines[2], QStringLiteral("insert into t_evilcol (\"k) values (0); drop table victim; insert into t_evilcol (k\","
                                     "\"x,y\") values (1,2)"));
  // Loaded back: the row goes in, nothing is dropped.
  EXPECT_EQ(FeedToSqlite({lines[2]}), QStringLiteral("flags notes sales sales old sales--old t_evilcol victim\n2"));
  // Plain names stay exactly as they were; a quote inside a name is doubled.
  W().ButtonClearResult->click();
  W().ChBEachRow->setChecked(false);
  ASSERT_TRUE(Run(QStringLiteral("select 1 as \"a'b\", 2 as \"x,y\", 3 as plain, 4 as \"q\"\"q\"")).isEmpty());
  EXPECT_EQ(OutputLines().first(), QStringLiteral("(\"a'b\",\"x,y\",plain,\"q\"\"q\")"));
}

TEST_F(UiScriptSafety, AValueCannotPutABatchSeparatorLineIntoTheScript) {
  W().ChBColName->setChecked(true);
  W().ChBEachRow->setChecked(true);
  const QStringList messages = Run(QStringLiteral("select n, s from notes order by n"));
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages.first().startsWith(QStringLiteral("有 2 個文字值含有只有 go 的一行或單獨的換行"))) << messages.first().toStdString();
  const QStringList lines = OutputLines();
  // Only the program's own lines are "go": "use qledger", "go", two rows, "go".
  EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^\\s*go(\\s+\\d*)?\\s*$"),
                                            QRegularExpression::CaseInsensitiveOption)),
            QStringList({"go", "go"}));
  ASSERT_EQ(lines.size(), 5) << lines.join(QLatin1Char('\n')).toStdString();
  EXPECT_EQ(lines[2], QStringLiteral("insert into notes (n,s) values (1,\"x')\" + char(10) + \"go\" + char(10) + "
                                     "\"drop table victim\" + char(10) + \" GO 2 \" + char(13) + char(10) + \"--\")"));
  // A line feed alone would become CR LF in the saved file: joined too, so
  // the script puts back the same value.
  EXPECT_EQ(lines[3], QStringLiteral("insert into notes (n,s) values (2,'going' + char(10) + 'ago')"));
  // A value whose line breaks are CR LF and no batch separator keeps them.
  W().ButtonClearResult->click();
  ASSERT_TRUE(Run(QStringLiteral("select 'a' || char(13) || char(10) || 'b' as s")).isEmpty());
  const QStringList crlf = OutputLines();
  ASSERT_GE(crlf.size(), 4);
  EXPECT_TRUE(crlf[2].endsWith(QStringLiteral(" (s) values ('a"))) << crlf[2].toStdString();
  EXPECT_EQ(crlf[3], QStringLiteral("b')"));
}

TEST_F(UiScriptSafety, TheTableBoxNamesTablesThatAreNoPlainNamesQuoted) {
  ModalAnswerer answerer;
  W().MemoSQL->clear();
  for (const auto& [table, fields, rows, statement] :
       {std::tuple{"sales old", "2", "3", "select * from \"sales old\""},
        std::tuple{"sales--old", "3", "0", "select * from \"sales--old\""}}) {
    W().CmbTables->setCurrentIndex(W().CmbTables->findText(QLatin1String(table)));
    W().CmbTablesEnter(W().CmbTables);
    EXPECT_EQ(W().LabelFieldCnt->text(), QLatin1String(fields)) << table;
    EXPECT_EQ(W().LabelRecCnt->text(), QLatin1String(rows)) << table;
    EXPECT_TRUE(W().MemoSQL->toPlainText().endsWith(QLatin1String(statement))) << W().MemoSQL->toPlainText().toStdString();
  }
  EXPECT_TRUE(answerer.Texts().isEmpty()) << answerer.Texts().join(QLatin1Char('\n')).toStdString();
  // The appended statement runs.
  W().MemoSQL->setPlainText(QStringLiteral("select * from \"sales old\""));
  EXPECT_TRUE(Run(W().MemoSQL->toPlainText()).isEmpty());
  EXPECT_EQ(OutputLines(), QStringList({"1,2", "3,4", "5,6"}));
}

TEST_F(UiScriptSafety, SavingOntoAPipeRefusesAndLeavesThePipe) {
  const QString pipe = dir_.filePath(QStringLiteral("out.txt"));
  ASSERT_EQ(mkfifo(pipe.toUtf8().constData(), 0600), 0);
  ASSERT_TRUE(Run(QStringLiteral("select a from \"sales old\"")).isEmpty());
  for (QRadioButton* choice : {W().rbTXT, W().rbXLS}) {
    choice->setChecked(true);
    QStringList messages;
    ModalAnswerer answerer([&](QWidget* modal) {
      if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(pipe);
        QTimer::singleShot(0, dialog, [dialog] { QMetaObject::invokeMethod(dialog, "accept"); });
      } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        messages << box->text();
        // Yes to every question (replace?), so that only the program refuses.
        QAbstractButton* yes = box->buttons().first();
        for (QAbstractButton* b : box->buttons())
          if (box->buttonRole(b) == QMessageBox::YesRole || box->buttonRole(b) == QMessageBox::AcceptRole) yes = b;
        QTimer::singleShot(0, yes, &QAbstractButton::click);
      }
    });
    QTest::mouseClick(W().ButtonSave, Qt::LeftButton);
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_TRUE(messages.last().contains(QStringLiteral("具名管道"))) << messages.last().toStdString();
    struct stat target {};
    ASSERT_EQ(stat(pipe.toUtf8().constData(), &target), 0);
    EXPECT_TRUE(S_ISFIFO(target.st_mode)) << "the pipe was replaced";
  }
}

// A Boolean column that holds something else shows it as it is: never
// another Boolean, and a text never bare.
TEST_F(UiScriptSafety, ABooleanColumnsOtherValuesAreWrittenAsTheyAre) {
  ASSERT_TRUE(Run(QStringLiteral("select b from flags order by n")).isEmpty());
  EXPECT_EQ(OutputLines(), QStringList({"'maybe'", "2", "1", "1", "0", "0"}));
}

// Engines read a statement up to a NUL and drop the rest without a word.
TEST_F(UiScriptSafety, AStatementHoldingANulIsRefused) {
  const QStringList messages = Run(QStringLiteral("select 1") + QChar(0) + QStringLiteral("; drop table victim"));
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages.first().contains(QStringLiteral("NUL"))) << messages.first().toStdString();
  EXPECT_TRUE(OutputLines().isEmpty());
}

// One huge value or message never freezes a widget: the grid and message
// boxes show a bounded start and the size; the data stays whole in the
// copy and on the clipboard.
TEST_F(UiScriptSafety, AHugeValueOrMessageShowsABoundedStart) {
  W().Query1->Close();
  db_->Exec(QStringLiteral("create table huge (s text); insert into huge values (replace(hex(zeroblob(1000000)), '0', 'x'));"));
  W().chbShowMemo->setChecked(true);
  ASSERT_TRUE(Run(QStringLiteral("select s from huge")).isEmpty());
  QAbstractItemModel* model = W().DBGrid1->model();
  const QString shown = model->index(0, 0).data().toString();
  EXPECT_LT(shown.size(), 1100);
  EXPECT_TRUE(shown.endsWith(QStringLiteral("…(共 2000000 字元)"))) << shown.right(30).toStdString();
  EXPECT_EQ(model->index(0, 0).data(kWholeTextRole).toString().size(), 2000000);
  // "SQL轉出" of a statement of a megabyte: the box shows its start, the
  // clipboard holds it all.
  const QString statement = QStringLiteral("select s from huge where s <> '") + QString(1 << 20, QLatin1Char('y')) +
                            QStringLiteral("'");
  W().MemoSQL->setPlainText(statement);
  W().Query1->SQL().SetText(statement);
  ModalAnswerer answerer;
  W().mnuSQLOut->trigger();
  ASSERT_EQ(answerer.Texts().size(), 1);
  EXPECT_LT(answerer.Texts().first().size(), 4100);
  EXPECT_TRUE(answerer.Texts().first().contains(QStringLiteral("…(共 "))) << answerer.Texts().first().right(30).toStdString();
  EXPECT_GT(QGuiApplication::clipboard()->text().size(), 1 << 20);
}

// PostgreSQL's dollar quotes are no quotes to SQLite: the refusal says why.
TEST_F(UiScriptSafety, DollarQuotesOnSqliteAreExplained) {
  const QStringList messages = Run(QStringLiteral("select $$;$$ as a"));
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages.first().contains(QStringLiteral("SQLite 沒有 $$ 引號"))) << messages.first().toStdString();
}
