// A hot standby of the test cluster (made by ./dev test with pg_basebackup
// -R) as a site's read replica: the window reads there exactly as on the
// server that takes the writes, and a write is refused with the server's
// message.
#include "controls/text_pane.h"
#include "database/database.h"
#include "database/query.h"
#include "support/files.h"
#include "support/modal.h"
#include "support/save_script.h"
#include "support/services.h"
#include "support/window_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <unistd.h>

namespace {

class PgStandby : public WindowTest {
protected:
  void SetUp() override {
    if (!TestServicesRunning() || qEnvironmentVariableIsEmpty("Q2T_PG_STANDBY_PORT"))
      GTEST_SKIP() << "needs the services of ./dev test";
    PgExec({QStringLiteral("drop table if exists standby_t"),
            QStringLiteral("create table standby_t (id integer, name text, amount numeric(12,2), day date, pic bytea)"),
            QStringLiteral("insert into standby_t select x, 'name ' || x || E' \\'q\\'', x / 4.0, date '2024-01-01' + x,"
                           " decode('00ff', 'hex') from generate_series(1, 5000) as x"),
            QStringLiteral("create or replace function standby_write() returns integer language sql as"
                           " $$ insert into standby_t (id) values (-1) returning 1 $$"),
            QStringLiteral("create table if not exists standby_marker (n integer)"),
            QStringLiteral("delete from standby_marker"), QStringLiteral("insert into standby_marker values (1)")});
    WindowTest::SetUp();
    W().Database1->SetLoginPrompt(false);
    W().chbShowMemo->setChecked(false);
  }
  void Use(const char* alias) {
    ModalAnswerer answerer;
    UseDatabase(QLatin1String(alias));
  }
  // The standby has replayed the writes of SetUp (it follows within moments).
  bool CaughtUp() {
    QElapsedTimer waited;
    waited.start();
    QStringList said;
    while (waited.elapsed() < 20000) {
      W().ButtonClearResult->click();
      said = RunShowing(QStringLiteral("select count(*) from standby_marker"));
      if (said.isEmpty() && Last() == QStringLiteral("1") &&
          (RunLines(QStringLiteral("select count(*) from standby_t")), Last() == QStringLiteral("5000")))
        return true;
      QTest::qWait(200);
    }
    ADD_FAILURE() << said.join(QLatin1Char('\n')).toStdString() << " / " << OutputLines().join(QLatin1Char(' ')).toStdString();
    return false;
  }
  // The last line of the pane without the brackets the boxes may add.
  QString Last() const {
    QString line = OutputLines().value(OutputLines().size() - 1);
    line.remove(QLatin1Char('(')).remove(QLatin1Char(')'));
    return line;
  }
  QStringList RunLines(const QString& statement) {
    W().ButtonClearResult->click();
    const QStringList said = RunShowing(statement);
    EXPECT_TRUE(said.isEmpty()) << said.join(QLatin1Char('\n')).toStdString();
    return OutputLines();
  }
  // The lines of a delimited or insert-mode run with the same boxes.
  QStringList RunIn(bool insertMode, const QString& statement) {
    W().ChBColName->setChecked(true);
    W().ChBEachRow->setChecked(insertMode);
    W().ChBLeftBrace->setChecked(insertMode);
    W().ChBRightBrace->setChecked(insertMode);
    const QStringList lines = RunLines(statement);
    W().ChBEachRow->setChecked(false);
    return lines;
  }
  QByteArray SaveXls(const QString& fileName) {
    W().MemoSQL->setPlainText(QStringLiteral("select * from standby_t order by id"));
    W().rbXLS->setChecked(true);
    DialogScript xls{fileName};
    ModalAnswerer answerer(Answer(xls));
    QTest::mouseClick(W().ButtonSave, Qt::LeftButton);
    return ReadAll(fileName);
  }
  QTemporaryDir dir_;
};

}  // namespace

TEST_F(PgStandby, TheReplicaReadsAsTheServerAndRefusesWrites) {
  const QString statement = QStringLiteral("select * from standby_t order by id");
  Use("Q2T_PG");
  const QStringList delimited = RunIn(false, statement);
  const QStringList inserts = RunIn(true, statement);
  const QByteArray xls = SaveXls(dir_.filePath(QStringLiteral("primary.xls")));
  ASSERT_EQ(delimited.size(), 5001);

  Use("Q2T_PG_STANDBY");
  ASSERT_TRUE(CaughtUp()) << "the standby did not replay the test's writes";
  EXPECT_TRUE(RunIn(false, statement) == delimited);
  EXPECT_TRUE(RunIn(true, statement) == inserts);
  EXPECT_TRUE(SaveXls(dir_.filePath(QStringLiteral("standby.xls"))) == xls);

  // The field browser.
  W().CmbTables->setEditText(QStringLiteral("standby_t"));
  W().CmbTablesEnter(W().CmbTables);
  EXPECT_EQ(W().LabelFieldCnt->text(), QStringLiteral("5"));
  EXPECT_EQ(W().LabelRecCnt->text(), QStringLiteral("5000"));
  EXPECT_TRUE(W().MemoFields->toPlainText().startsWith(QStringLiteral("id\tinteger")));

  // A write is the server's to refuse; nothing is written.
  W().ButtonClearResult->click();
  const QStringList refused = RunShowing(QStringLiteral("select standby_write()"));
  ASSERT_EQ(refused.size(), 1);
  EXPECT_TRUE(refused.first().contains(QStringLiteral("read-only transaction"))) << refused.first().toStdString();
  RunLines(QStringLiteral("select count(*) from standby_t where id = -1"));
  EXPECT_EQ(Last(), QStringLiteral("0"));
}

// The standby restarted (its administrator, a crash) while the window reads
// there: one message, the rows read stay, and once it is back the next run
// connects again.
TEST_F(PgStandby, ARestartDuringARunEndsItWithOneMessageAndTheNextRunWorks) {
  Use("Q2T_PG_STANDBY");
  ASSERT_TRUE(CaughtUp());
  QStringList pgCtl = {QStringLiteral("-D"), qEnvironmentVariable("Q2T_PG_STANDBY_DIR"), QStringLiteral("restart"),
                       QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("-w")};
  QString program = qEnvironmentVariable("Q2T_PG_BIN") + QStringLiteral("/pg_ctl");
  if (geteuid() == 0) {
    pgCtl = QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--"), program} + pgCtl;
    program = QStringLiteral("runuser");
  }
  QProcess restart;
  restart.setWorkingDirectory(QStringLiteral("/tmp"));
  QTimer::singleShot(700, &W(), [&] { restart.start(program, pgCtl); });
  W().ButtonClearResult->click();
  const QStringList said =
      RunShowing(QStringLiteral("select a.id, a.name, b.x from standby_t a cross join generate_series(1, 2000) b(x)"));
  // The restart may be over before the window has shown the lines of the
  // rows it read before it.
  if (restart.state() != QProcess::NotRunning) {
    ASSERT_TRUE(restart.waitForFinished(60000));
  }
  ASSERT_EQ(restart.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(restart.exitCode(), 0) << restart.readAllStandardError().toStdString();
  ASSERT_EQ(said.size(), 1) << said.join(QLatin1Char('\n')).toStdString();
  EXPECT_TRUE(said.first().contains(QStringLiteral("連線中斷")) || said.first().contains(QStringLiteral("terminat")))
      << said.first().toStdString();
  EXPECT_GT(OutputLines().size(), 1000) << "the rows read before the restart are gone";
  // Back: the next run connects again and reads as before.
  RunLines(QStringLiteral("select count(*) from standby_t"));
  EXPECT_EQ(Last(), QStringLiteral("5000"));
}
