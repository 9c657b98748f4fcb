// Waiting for an engine: a statement the engine works on for long, another
// session's lock, a server that stopped answering. The window stays alive,
// Esc stops the statement at the engine within a moment, one message says
// so, and the next run works. The bounds are generous: the machines are
// shared; the aim is "a moment", not seconds.
#include "controls/text_pane.h"
#include "database/database.h"
#include "database/query.h"
#include "support/modal.h"
#include "support/services.h"
#include "support/stop_fixture.h"
#include "support/temp_database.h"
#include "support/window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <arpa/inet.h>
#include <csignal>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

class UiStop : public StopFixture {
protected:
  void SetUp() override {
    db_ = std::make_unique<TempDatabase>(
        QStringLiteral("create table t (n integer, s varchar(10));"
                       "insert into t values (1, 'a'), (2, 'b'), (3, 'c');"
                       "create table other (k integer);"),
        QStringLiteral("STOPDB"));
    StopFixture::SetUp();
    UseDatabase(db_->Alias());
  }
  std::unique_ptr<TempDatabase> db_;
};

// A statement the engine works on for ever before its first row.
const QString kEndless = QStringLiteral(
    "select n from (with recursive c(x) as (select 1 union all select x + 1 from c) select count(*) as n from c)");

}  // namespace

// The table box's browser runs on its own events only: a run started from
// the keyboard while the box has the focus renders the statement's rows,
// as from every other control and as a click does.
TEST_F(UiStop, AKeyRunFromAnyControlRendersTheSameLinesAsAClick) {
  const QString statement = QStringLiteral("select n, s from t order by n");
  ASSERT_EQ(Run(statement), QStringList());
  const QStringList expected = OutputLines();
  ASSERT_EQ(expected, QStringList({"1,'a'", "2,'b'", "3,'c'"}));
  // A browse of the table box first: a name typed and Enter (the name is in
  // the statement, so the browser offers no statement of its own).
  W().CmbTables->setEditText(QStringLiteral("t"));
  W().CmbTables->setFocus();
  QTest::keyClick(W().CmbTables, Qt::Key_Return);
  ASSERT_EQ(W().MemoSQL->toPlainText(), statement);
  ASSERT_EQ(W().LabelFieldCnt->text(), QStringLiteral("2"));
  for (QWidget* from : {static_cast<QWidget*>(W().CmbTables), static_cast<QWidget*>(W().MemoFields),
                        static_cast<QWidget*>(W().ComboBox1), static_cast<QWidget*>(W().MemoOutput),
                        static_cast<QWidget*>(W().MemoSQL), static_cast<QWidget*>(W().ChBColName)}) {
    for (const auto& [key, modifiers] : {std::pair{Qt::Key_F5, Qt::NoModifier}, std::pair{Qt::Key_Return, Qt::ControlModifier}}) {
      W().ButtonClearResult->click();
      from->setFocus();
      ModalAnswerer answerer;
      QTest::keyClick(from, key, modifiers);
      QApplication::processEvents();
      EXPECT_EQ(answerer.Texts().join(QLatin1Char('\n')).toStdString(), "") << "from " << from->objectName().toStdString();
      EXPECT_EQ(OutputLines().join(QLatin1Char('\n')).toStdString(), expected.join(QLatin1Char('\n')).toStdString())
          << "from " << from->objectName().toStdString();
    }
  }
}

TEST_F(UiStop, EscStopsAStatementThatNeverEndsAndTheNextRunWorks) {
  EscAfter(400);
  const QStringList messages = Run(kEndless);
  ExpectStoppedInTime(messages);
  EXPECT_FALSE(W().Query1->Active());
  // The click during the wait cleared nothing; the connection is the same.
  W().MemoOutput->appendPlainText(QStringLiteral("kept"));
  EXPECT_TRUE(Run(QStringLiteral("select n from t where n = 2")).isEmpty());
  EXPECT_EQ(OutputLines(), QStringList({"kept", "2"}));
}

TEST_F(UiStop, EscDuringAnotherSessionsLockAndOnlyOneWaitWithout) {
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(db_->Path().toUtf8().constData(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "begin exclusive; insert into other values (1);", nullptr, nullptr, nullptr), SQLITE_OK);
  // A statement the connection never prepared must read the schema, which
  // the lock keeps it from.
  W().Query1->Close();
  W().Database1->SetConnected(false);
  EscAfter(400);
  ExpectStoppedInTime(Run(QStringLiteral("select n from t")));
  // Without Esc: the count statement does not wait too, so the run waits
  // for the lock once, then says so.
  QElapsedTimer timer;
  timer.start();
  const QStringList messages = Run(QStringLiteral("select n from t"));
  EXPECT_LT(timer.elapsed(), 9000) << "the lock was waited for twice";
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages.first().contains(QStringLiteral("資料庫被其他程式鎖住"))) << messages.first().toStdString();
  sqlite3_exec(other, "rollback", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  W().ButtonClearResult->click();
  EXPECT_TRUE(Run(QStringLiteral("select n from t where n = 3")).isEmpty());
  EXPECT_EQ(OutputLines(), QStringList({"3"}));
}

TEST_F(UiStop, TheFieldBrowserAndTheDataDumpStopToo) {
  // A view that never ends: its browse statement waits for nothing, its
  // count for ever.
  db_->Exec(QStringLiteral("create view endless as ") + kEndless.mid(kEndless.indexOf(QLatin1String("(with")) + 1).chopped(1));
  W().FormShow(&W());
  W().CmbTables->setEditText(QStringLiteral("endless"));
  EscAfter(400);
  {
    ModalAnswerer answerer;
    W().CmbTablesEnter(W().CmbTables);
    EXPECT_EQ(answerer.Texts(), QStringList({QStringLiteral("查詢已停止")}));
  }
  EXPECT_LT(SinceEscape(), kStopBoundMs);
  EXPECT_FALSE(W().Query1->Active());
  // "Data轉出" counts every record of a result that never ends.
  W().chbShowMemo->setChecked(true);
  ASSERT_TRUE(Run(QStringLiteral("select x from (with recursive c(x) as (select 1 union all select x + 1 from c)"
                                 " select x from c)"))
                  .isEmpty());
  ASSERT_TRUE(W().Query1->Active());
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  EscAfter(300);
  ModalAnswerer dump;
  W().mnuDataOut->trigger();
  EXPECT_EQ(dump.Texts(), QStringList({QStringLiteral("Data轉出已停止, 剪貼簿沒有改變")}));
  EXPECT_LT(SinceEscape(), kStopBoundMs);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
}

namespace {

// The same through the PostgreSQL server, natively and through its ODBC
// driver (whose SQLCancel stops the statement).
class PgStop : public StopFixture, public ::testing::WithParamInterface<const char*> {
protected:
  void SetUp() override {
    if (!TestServicesRunning()) GTEST_SKIP() << "needs the services of ./dev test";
    PgExec({QStringLiteral("create table if not exists stoplock (k integer)"),
            QStringLiteral("delete from stoplock"), QStringLiteral("insert into stoplock values (7)")});
    StopFixture::SetUp();
    W().Database1->SetLoginPrompt(false);
    UseDatabase(QLatin1String(GetParam()));
  }
  // The server process that serves the window's connection.
  int BackendPid() {
    W().ButtonClearResult->click();
    EXPECT_TRUE(Run(QStringLiteral("select pg_backend_pid()")).isEmpty());
    return OutputLines().value(0).toInt();
  }
  bool Native() const { return QLatin1String(GetParam()) == QLatin1String("Q2T_PG"); }
};

}  // namespace

TEST_P(PgStop, EscCancelsTheStatementAndTheConnectionStays) {
  const int pid = BackendPid();
  ASSERT_GT(pid, 0);
  EscAfter(400);
  ExpectStoppedInTime(Run(QStringLiteral("select pg_sleep(600)")));
  // The same connection runs the next statement.
  EXPECT_EQ(BackendPid(), pid);
}

TEST_P(PgStop, EscEndsTheWaitForAnotherSessionsLock) {
  const QByteArray conninfo = "host=127.0.0.1 port=" + PgPort().toUtf8() + " user=q2t dbname=q2t_test";
  PGconn* other = PQconnectdb(conninfo.constData());
  ASSERT_EQ(PQstatus(other), CONNECTION_OK);
  PQclear(PQexec(other, "begin; lock table stoplock in access exclusive mode"));
  EscAfter(400);
  ExpectStoppedInTime(Run(QStringLiteral("select k from stoplock")));
  PQclear(PQexec(other, "rollback"));
  PQfinish(other);
  W().ButtonClearResult->click();
  EXPECT_EQ(Run(QStringLiteral("select k from stoplock")).join(QLatin1Char('\n')).toStdString(), "");
  EXPECT_EQ(OutputLines(), QStringList({"7"}));
}

// A backend that stops answering (stopped by a signal) during the statement
// and during the rows: Esc cuts the connection, and the next run connects
// again.
TEST_P(PgStop, AServerThatStopsAnsweringIsStoppedTooAndConnectedAgain) {
  if (!Native()) GTEST_SKIP() << "the ODBC driver's connection cannot be cut from outside";
  for (const QString& statement : {QStringLiteral("select pg_sleep(30)"),
                                   QStringLiteral("select g from generate_series(1, 3000000) g")}) {
    const bool duringTheExecute = statement.contains(QLatin1String("sleep"));
    const int pid = BackendPid();
    ASSERT_GT(pid, 0);
    W().ButtonClearResult->click();
    QTimer::singleShot(150, &W(), [pid] { kill(pid, SIGSTOP); });
    EscAfter(500);
    const QStringList messages = Run(statement);
    kill(pid, SIGCONT);
    ASSERT_EQ(messages.size(), 1) << statement.toStdString();
    EXPECT_TRUE(messages.first().startsWith(QStringLiteral("查詢已停止"))) << messages.first().toStdString();
    EXPECT_LT(SinceEscape(), kStopBoundMs) << statement.toStdString();
    EXPECT_TRUE(W().ButtonSQLExec->isEnabled());
    // The next run works; after a cut, on a connection made again.
    const int again = BackendPid();
    EXPECT_GT(again, 0);
    if (duringTheExecute) {
      EXPECT_NE(again, pid);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(PgPaths, PgStop, ::testing::Values("Q2T_PG", "Q2T_PG_ODBC"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param) == "Q2T_PG" ? "Native" : "Odbc";
                         });

namespace {
// The data source on the port where the recorder of the connection tests
// listens: one test at a time (the "pg" label) may use it.
class PgSilentServer : public UiStop {};
}  // namespace

// A server that takes the connection and never answers: Esc ends the
// connection attempt, and the box shows the alias connected before.
TEST_F(PgSilentServer, AConnectionToAServerThatNeverAnswersStopsOnEsc) {
  if (!TestServicesRunning()) GTEST_SKIP() << "needs the ODBC configuration of ./dev test";
  const int silent = ListenWithoutAnswering(qEnvironmentVariableIntValue("Q2T_RECORDER_PORT"));
  ASSERT_GE(silent, 0);
  EscAfter(400);
  ModalAnswerer answerer;
  W().ComboBox1->setEditText(QStringLiteral("Q2T_RECORDER"));
  close(silent);
  EXPECT_LT(SinceEscape(), kStopBoundMs);
  ASSERT_EQ(answerer.Texts().size(), 1);
  EXPECT_TRUE(answerer.Texts().first().contains(QStringLiteral("連線已停止"))) << answerer.Texts().first().toStdString();
  EXPECT_EQ(W().ComboBox1->currentText(), db_->Alias());
  EXPECT_TRUE(W().Database1->Connected());
  EXPECT_TRUE(Run(QStringLiteral("select n from t where n = 1")).isEmpty());
  EXPECT_EQ(OutputLines(), QStringList({"1"}));
}

// An administrator ends the server process while the statement runs: one
// message, the statement is not run again behind the user's back, and the
// next run connects again.
TEST_P(PgStop, AStatementTheServerEndedIsNotRunAgain) {
  const int pid = BackendPid();
  ASSERT_GT(pid, 0);
  W().ButtonClearResult->click();
  QTimer::singleShot(400, &W(), [pid] { PgExec({QStringLiteral("select pg_terminate_backend(%1)").arg(pid)}); });
  QElapsedTimer timer;
  timer.start();
  const QStringList messages = Run(QStringLiteral("select 1 as one from pg_sleep(2)"));
  EXPECT_LT(timer.elapsed(), 1900) << "the statement ran again";
  ASSERT_EQ(messages.size(), 1) << messages.join(QLatin1Char('\n')).toStdString();
  EXPECT_TRUE(OutputLines().isEmpty());
  const int again = BackendPid();
  EXPECT_GT(again, 0);
  EXPECT_NE(again, pid);
}

// The connection lost in the middle of an insert-mode run: the rows written
// stay, the script gets its closing "go", and the one message says how far
// the run got.
TEST_P(PgStop, AConnectionLostMidScriptClosesTheScriptAndCountsTheRows) {
  W().ChBEachRow->setChecked(true);
  W().ChBColName->setChecked(true);
  const QStringList messages = Run(QStringLiteral(
      "select g, case when g = 20000 then pg_terminate_backend(pg_backend_pid())::int else 0 end as k"
      " from generate_series(1, 50000) g"));
  ASSERT_EQ(messages.size(), 1) << messages.join(QLatin1Char('\n')).toStdString();
  const QStringList lines = OutputLines();
  ASSERT_GT(lines.size(), 3);
  EXPECT_EQ(lines.last(), QStringLiteral("go"));
  const qsizetype rows = lines.filter(QStringLiteral("insert into")).size();
  EXPECT_GT(rows, 0);
  EXPECT_TRUE(messages.first().endsWith(QStringLiteral("(輸出到第 %1 筆為止)").arg(rows))) << messages.first().toStdString();
}
