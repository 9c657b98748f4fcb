// Waiting for a MariaDB server, natively and through its ODBC driver: Esc
// stops a long statement and a wait for another session's lock at the
// server; a server that stops answering is cut loose; a connection the
// server ends in the middle of the rows keeps the rows rendered. The next
// run works each time.
#include "database/database.h"
#include "support/modal.h"
#include "support/services.h"
#include "support/stop_fixture.h"

#include <QComboBox>
#include <QFile>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <csignal>
#include <mysql.h>

namespace {

class MdbStop : public StopFixture, public ::testing::WithParamInterface<const char*> {
protected:
  void SetUp() override {
    if (!MariaDbRunning()) GTEST_SKIP() << "needs the MariaDB server of ./dev test";
    MdbExec({QStringLiteral("create table if not exists mdb_stoplock (k int)"), QStringLiteral("delete from mdb_stoplock"),
             QStringLiteral("insert into mdb_stoplock values (7)")});
    StopFixture::SetUp();
    W().Database1->SetLoginPrompt(false);
    ModalAnswerer answerer;
    UseDatabase(QLatin1String(GetParam()));
  }
  // The server's number for the window's connection.
  QString ConnectionId() {
    W().ButtonClearResult->click();
    EXPECT_TRUE(Run(QStringLiteral("select connection_id()")).isEmpty());
    return OutputLines().value(0);
  }
  bool Native() const { return QLatin1String(GetParam()) == QLatin1String("Q2T_MDB"); }
};

// A connection of the test's own, as another user's session.
MYSQL* OtherSession() {
  MYSQL* other = mysql_init(nullptr);
  if (!mysql_real_connect(other, "127.0.0.1", "q2t", "q2t-secret", "q2t_test",
                          static_cast<unsigned>(qEnvironmentVariableIntValue("Q2T_MDB_PORT")), nullptr, 0)) {
    ADD_FAILURE() << mysql_error(other);
    mysql_close(other);
    return nullptr;
  }
  return other;
}

int ServerPid() {
  QFile file(QFileInfo(qEnvironmentVariable("Q2T_MDB_SOCKET")).dir().filePath(QStringLiteral("pid")));
  return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).trimmed().toInt() : 0;
}

}  // namespace

TEST_P(MdbStop, EscStopsTheStatementAtTheServerAndTheConnectionStays) {
  const QString id = ConnectionId();
  ASSERT_FALSE(id.isEmpty());
  EscAfter(400);
  ExpectStoppedInTime(Run(QStringLiteral("select sleep(600)")));
  EXPECT_EQ(ConnectionId(), id);
}

TEST_P(MdbStop, EscEndsTheWaitForAnotherSessionsLock) {
  MYSQL* other = OtherSession();
  ASSERT_NE(other, nullptr);
  ASSERT_EQ(mysql_query(other, "lock tables mdb_stoplock write"), 0) << mysql_error(other);
  EscAfter(400);
  ExpectStoppedInTime(Run(QStringLiteral("select k from mdb_stoplock")));
  mysql_close(other);  // its lock goes with it
  W().ButtonClearResult->click();
  EXPECT_TRUE(Run(QStringLiteral("select k from mdb_stoplock")).isEmpty());
  EXPECT_EQ(OutputLines(), QStringList({"7"}));
}

// The server freezes (stopped by a signal) during the statement and during
// the rows: Esc cuts the connection, and the next run connects again once
// the server answers.
TEST_P(MdbStop, AServerThatStopsAnsweringIsCutLooseAndConnectedAgain) {
  if (!Native()) GTEST_SKIP() << "the ODBC driver's connection cannot be cut from outside";
  const int server = ServerPid();
  ASSERT_GT(server, 0);
  for (const QString& statement : {QStringLiteral("select sleep(30)"),
                                   QStringLiteral("select a.seq, b.seq from seq_1_to_3000 a, seq_1_to_1000 b")}) {
    const QString id = ConnectionId();
    W().ButtonClearResult->click();
    QTimer::singleShot(150, &W(), [server] { kill(server, SIGSTOP); });
    EscAfter(500);
    const QStringList messages = Run(statement);
    kill(server, SIGCONT);
    ASSERT_EQ(messages.size(), 1) << statement.toStdString();
    EXPECT_TRUE(messages.first().startsWith(QStringLiteral("查詢已停止"))) << messages.first().toStdString();
    EXPECT_LT(SinceEscape(), kStopBoundMs) << statement.toStdString();
    EXPECT_TRUE(W().ButtonSQLExec->isEnabled());
    const QString again = ConnectionId();
    EXPECT_FALSE(again.isEmpty()) << statement.toStdString();
  }
}

// An administrator ends the window's connection while the rows stream: one
// message, the rows that arrived stay, and the next run connects again.
TEST_P(MdbStop, AConnectionEndedMidResultKeepsTheRowsRendered) {
  const QString id = ConnectionId();
  ASSERT_FALSE(id.isEmpty());
  W().ButtonClearResult->click();
  W().ChBEachRow->setChecked(true);
  W().ChBColName->setChecked(true);
  QTimer::singleShot(300, &W(), [id] { MdbExec({QStringLiteral("kill connection %1").arg(id)}); });
  const QStringList messages = Run(QStringLiteral(
      "select seq as a, sleep(if(seq = 20001, 2, 0)) as s from seq_1_to_60000"));
  ASSERT_EQ(messages.size(), 1) << messages.join(QLatin1Char('\n')).toStdString();
  W().ChBEachRow->setChecked(false);
  if (Native()) {
    // Every row that left the server before the end is there, in order (the
    // driver holds a whole result before the first row: nothing to keep).
    const QStringList lines = OutputLines();
    const QStringList inserts = lines.filter(QStringLiteral("insert into"));
    ASSERT_GT(inserts.size(), 0);
    EXPECT_LE(inserts.size(), 20000);
    EXPECT_TRUE(inserts.last().contains(QStringLiteral("values (%1,").arg(inserts.size()))) << inserts.last().toStdString();
    EXPECT_EQ(lines.last(), QStringLiteral("go"));
    EXPECT_TRUE(messages.first().endsWith(QStringLiteral("(輸出到第 %1 筆為止)").arg(inserts.size())))
        << messages.first().toStdString();
  }
  W().ChBEachRow->setChecked(false);
  EXPECT_NE(ConnectionId(), id);
}

// The connection ended while the statement runs: one message, the statement
// is not run again behind the user's back, and the next run connects again.
TEST_P(MdbStop, AStatementTheServerEndedIsNotRunAgain) {
  const QString id = ConnectionId();
  W().ButtonClearResult->click();
  QTimer::singleShot(400, &W(), [id] { MdbExec({QStringLiteral("kill connection %1").arg(id)}); });
  QElapsedTimer timer;
  timer.start();
  const QStringList messages = Run(QStringLiteral("select 1 as one from dual where sleep(2) = 0"));
  EXPECT_LT(timer.elapsed(), 1900) << "the statement ran again";
  ASSERT_EQ(messages.size(), 1) << messages.join(QLatin1Char('\n')).toStdString();
  EXPECT_TRUE(OutputLines().isEmpty());
  const QString again = ConnectionId();
  EXPECT_FALSE(again.isEmpty());
  EXPECT_NE(again, id);
}

// A server that takes the connection and never answers (no greeting): Esc
// ends the attempt at once.
TEST_P(MdbStop, AConnectionToAServerThatNeverAnswersStopsOnEsc) {
  if (!Native()) GTEST_SKIP() << "one silent server is enough";
  const int silent = ListenWithoutAnswering(qEnvironmentVariableIntValue("Q2T_MDB_SILENT_PORT"));
  ASSERT_GE(silent, 0);
  EscAfter(400);
  ModalAnswerer answerer;
  W().ComboBox1->setEditText(QStringLiteral("Q2T_MDB_SILENT"));
  close(silent);
  EXPECT_LT(SinceEscape(), kStopBoundMs);
  ASSERT_EQ(answerer.Texts().size(), 1);
  EXPECT_TRUE(answerer.Texts().first().contains(QStringLiteral("連線已停止"))) << answerer.Texts().first().toStdString();
  // (Going back to the alias before asks for its password here: the box's
  // way back is the PostgreSQL test's.) The server is reached as before.
  ModalAnswerer quiet;
  W().Database1->SetLoginPrompt(false);
  UseDatabase(QStringLiteral("Q2T_MDB"));
  EXPECT_FALSE(ConnectionId().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(MdbPaths, MdbStop, ::testing::Values("Q2T_MDB", "Q2T_MDB_ODBC"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param) == "Q2T_MDB" ? "Native" : "Odbc";
                         });
