// Choosing the connection through the window: aliases, the login dialog and
// the login-managed connection served by the administration program's stand-in.
#include "database/failure.h"
#include "controls/db_grid.h"
#include "controls/text_pane.h"
#include "database/database.h"
#include "database/query.h"
#include "support/admin_stub.h"
#include "support/modal.h"
#include "support/pg_recorder.h"
#include "support/services.h"
#include "support/window_fixture.h"

#include <QCheckBox>
#include <QClipboard>
#include <QPushButton>
#include <QComboBox>
#include <QDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QAbstractButton>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>

namespace {

QStringList StubArguments(const QString& server = PgServerAddress()) {
  return {QStringLiteral("--user-id=A01"), QStringLiteral("--user-name=clerk"),
          QStringLiteral("--server=") + server, QStringLiteral("--db-type=PostgreSQL Unicode"),
          QStringLiteral("--host=WS01"), QStringLiteral("--connect-user=q2t"),
          QStringLiteral("--connect-password=Sup3rSecret")};
}

// Answers every message box and remembers it; login dialogs get `password`
// or, when `cancelLogin`, are cancelled.
struct Answers {
  bool cancelLogin = false;
  QString loginUser;
  QStringList texts;
  std::function<void(QWidget*)> Handler() {
    return [this](QWidget* modal) {
      if (modal->objectName() == QLatin1String("DatabaseLogin")) {
        auto* dialog = qobject_cast<QDialog*>(modal);
        loginUser = dialog->findChild<QLineEdit*>(QStringLiteral("UserName"))->text();
        cancelLogin ? dialog->reject() : dialog->accept();
        return;
      }
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        texts << box->text();
        box->buttons().first()->click();
      }
    };
  }
};

class PgConnection : public WindowTest {
protected:
  void SetUp() override {
    if (!TestServicesRunning()) GTEST_SKIP() << "needs the services of ./dev test";
    // A table for the field browser to show once connected.
    PgExec({QStringLiteral("create table if not exists accounts (id integer, holder varchar(20))")});
    WindowTest::SetUp();
  }
  void Choose(const QString& text, Answers& answers) {
    ModalAnswerer answerer(answers.Handler());
    W().ComboBox1->setEditText(text);
  }
};

}  // namespace

TEST_F(PgConnection, LoginManagedConnectionReportsAndConnects) {
  AdminStub stub(StubArguments());
  W().FormCreate(&W());  // start-up finds the administration program now
  EXPECT_EQ(W().ComboBox1->itemText(W().ComboBox1->count() - 1), QStringLiteral("Z9Ivozu"));
  W().MemoSQL->setPlainText(QStringLiteral("select 1"));
  Answers answers;
  Choose(QStringLiteral("Z9Ivozu"), answers);
  ASSERT_EQ(answers.texts.size(), 1) << answers.texts.join(QLatin1Char('\n')).toStdString();
  const QString application = QStringLiteral("q2t_tests 1 A01 clerk");
  const QString report = QStringLiteral(
                             "Database1.DatabaseName=Z9Ivozu Database1.AliasName= Database1.LoginPrompt=false\r\n"
                             "Database1.Params.Text:\r\nSERVER NAME=") +
                         PgServerAddress() +
                         QStringLiteral("\r\nHOST NAME=WS01\r\nUSER NAME=q2t\r\nPASSWORD=********\r\n"
                                        "APPLICATION NAME=") +
                         application + QStringLiteral("\r\n");
  EXPECT_EQ(answers.texts.first(), report);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), report);  // the password stays off the clipboard
  EXPECT_TRUE(W().Database1->Connected());
  EXPECT_EQ(W().Database1->DatabaseName(), QStringLiteral("Z9Ivozu"));
  EXPECT_EQ(W().Database1->AliasName(), QString());
  EXPECT_EQ(W().Database1->DriverName(), QStringLiteral("PostgreSQL Unicode"));
  EXPECT_EQ(W().PrevAlias, QString());
  EXPECT_EQ(W().APUserID, QStringLiteral("A01"));
  EXPECT_EQ(W().ConnectServer, PgServerAddress());
  EXPECT_TRUE(W().MemoSQL->toPlainText().isEmpty());
  EXPECT_FALSE(W().DBGrid1->isEnabled());
  EXPECT_FALSE(W().TerminateRequested);

  // The server sees the application name.
  W().Query1->SQL().SetText(QStringLiteral("select application_name from pg_stat_activity where pid = pg_backend_pid()"));
  W().Query1->Open();
  EXPECT_EQ(W().Query1->Fields(0)->AsString(), application);
  W().Query1->Close();

  // A later plain alias starts from its own configuration.
  Choose(QStringLiteral("DBDEMOS"), answers);
  EXPECT_EQ(W().Database1->AliasName(), QStringLiteral("DBDEMOS"));
  EXPECT_EQ(W().Database1->Params().Text(), QString());
  EXPECT_EQ(answers.texts.size(), 1);
}

TEST_F(PgConnection, TheSitesCredentialsNeverGoToAnotherServer) {
  AdminStub stub(StubArguments());
  Answers answers;
  Choose(QStringLiteral("Z9Ivozu"), answers);
  ASSERT_TRUE(W().Database1->Connected());
  // A data source without a user of its own, served by a recording stand-in.
  PgLoginRecorder recorder(qEnvironmentVariableIntValue("Q2T_RECORDER_PORT"));
  Choose(QStringLiteral("Q2T_RECORDER"), answers);
  ASSERT_EQ(answers.texts.size(), 2);
  EXPECT_FALSE(recorder.Users().isEmpty());
  EXPECT_FALSE(recorder.Users().contains(QStringLiteral("q2t")));
  EXPECT_FALSE(recorder.Passwords().contains(QStringLiteral("Sup3rSecret")));
}

TEST_F(PgConnection, DriverNamesOutsideTheConfigurationAreRefused) {
  const QString refused = QStringLiteral("不是ODBC設定中已安裝的驅動程式");
  for (const QString& driver : {QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so"),
                                QStringLiteral("SQLite3};Driver={PostgreSQL Unicode"),
                                QStringLiteral("PostgreSQL Unicode;ConnSettings=drop table accounts")}) {
    TDatabase database;
    database.SetDatabaseName(QStringLiteral("BADDRIVER"));
    database.SetDriverName(driver);
    database.SetLoginPrompt(false);
    database.Params().SetValue(QStringLiteral("SERVER NAME"), PgServerAddress());
    try {
      database.SetConnected(true);
      ADD_FAILURE() << "connected through " << driver.toStdString();
    } catch (const EDatabaseError& e) {
      EXPECT_TRUE(e.Message().contains(refused)) << e.Message().toStdString();
    }
  }
  // Through the window, from the login manager.
  AdminStub stub(StubArguments() << QStringLiteral("--db-type=/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so"));
  Answers answers;
  Choose(QStringLiteral("Z9Ivozu"), answers);
  ASSERT_GE(answers.texts.size(), 2);
  EXPECT_TRUE(answers.texts.at(1).contains(refused)) << answers.texts.at(1).toStdString();
  EXPECT_FALSE(W().Database1->Connected());
}

TEST_F(PgConnection, AFailedChangeLeavesThePreviousAliasConnected) {
  Answers answers;
  Choose(QStringLiteral("DBDEMO"), answers);  // a stray keystroke
  ASSERT_EQ(answers.texts.size(), 1);
  EXPECT_EQ(W().ComboBox1->currentText(), QStringLiteral("DBDEMOS"));
  EXPECT_TRUE(W().Database1->Connected());
  EXPECT_EQ(W().Database1->AliasName(), QStringLiteral("DBDEMOS"));
  W().MemoSQL->setPlainText(QStringLiteral("select count(*) from customer"));
  W().chbShowMemo->setChecked(false);
  QTest::mouseClick(W().ButtonSQLExec, Qt::LeftButton);
  EXPECT_EQ(answers.texts.size(), 1);
  EXPECT_TRUE(W().Query1->Active());

  // Picking the shown alias from the list runs the change again.
  W().MemoSQL->setPlainText(QStringLiteral("kept until a change runs"));
  W().ComboBox1->setCurrentIndex(W().ComboBox1->findText(QStringLiteral("DBDEMOS")));
  W().ComboBox1->showPopup();
  QApplication::processEvents();
  W().ComboBox1->hidePopup();
  emit W().ComboBox1->activated(W().ComboBox1->currentIndex());
  EXPECT_TRUE(W().MemoSQL->toPlainText().isEmpty());
}

TEST_F(PgConnection, AfterTheLoginManagedConnectionAFailurePutsBackAnEmptyName) {
  AdminStub stub(StubArguments());
  Answers answers;
  Choose(QStringLiteral("Z9Ivozu"), answers);
  ASSERT_TRUE(W().Database1->Connected());
  Choose(QStringLiteral("NoSuchAlias"), answers);
  EXPECT_EQ(answers.texts.size(), 2);
  EXPECT_EQ(W().ComboBox1->currentText(), QString());
}

TEST_F(PgConnection, AFailedLoginManagedConnectEndsTheProgram) {
  AdminStub stub(StubArguments(QStringLiteral("127.0.0.1:1/nodb")));
  Answers answers;
  Choose(QStringLiteral("Z9Ivozu"), answers);
  ASSERT_GE(answers.texts.size(), 2);
  EXPECT_TRUE(answers.texts.at(1).startsWith(QStringLiteral("無法連接資料庫.(")));
  EXPECT_FALSE(answers.texts.at(1).contains(QStringLiteral("Sup3rSecret")));
  EXPECT_TRUE(W().TerminateRequested);
}

TEST_F(PgConnection, WithoutTheLoginManagerNothingChanges) {
  Answers answers;
  Choose(QStringLiteral("Z9Ivozu"), answers);
  ASSERT_EQ(answers.texts, QStringList({QStringLiteral("無效的類別字串")}));
  EXPECT_EQ(W().ComboBox1->currentText(), QStringLiteral("DBDEMOS"));
  EXPECT_TRUE(W().Database1->Connected());
  EXPECT_EQ(W().Database1->AliasName(), QStringLiteral("DBDEMOS"));
  EXPECT_EQ(W().Query1->DatabaseName(), QStringLiteral("DBDEMOS"));
}

TEST_F(PgConnection, PlainAliasesPartialNamesAndLetterCase) {
  QApplication::setActiveWindow(&W());
  Answers answers;
  Choose(QStringLiteral("DBD"), answers);  // a keystroke short of an alias
  ASSERT_EQ(answers.texts.size(), 1);
  EXPECT_TRUE(answers.texts.first().contains(QStringLiteral("DBD")));
  EXPECT_EQ(W().ComboBox1->currentText(), QStringLiteral("DBDEMOS"));
  QApplication::processEvents();
  EXPECT_TRUE(W().focusWidget() == W().ComboBox1 || W().focusWidget() == W().ComboBox1->lineEdit());
  Choose(QStringLiteral("z9ivozu"), answers);  // only the exact text is the login-managed entry
  ASSERT_EQ(answers.texts.size(), 2);
  EXPECT_TRUE(answers.texts.last().contains(QStringLiteral("z9ivozu")));
  Choose(QStringLiteral("Q2T_SQLITE"), answers);
  EXPECT_EQ(W().Database1->AliasName(), QStringLiteral("Q2T_SQLITE"));
  EXPECT_EQ(W().windowTitle(), QStringLiteral("動態地把查詢結果轉成文字檔 With Server:[Q2T_SQLITE] "));
}

TEST_F(PgConnection, AnAliasWithAUserAsksForTheLogin) {
  Answers cancel;
  cancel.cancelLogin = true;
  Choose(QStringLiteral("Q2T_PG"), cancel);
  EXPECT_EQ(cancel.loginUser, QStringLiteral("q2t"));
  ASSERT_EQ(cancel.texts, QStringList({QStringLiteral("不能連結到資料庫 'Q2T_PG'")}));
  EXPECT_EQ(W().ComboBox1->currentText(), QStringLiteral("DBDEMOS"));

  Answers ok;
  Choose(QStringLiteral("Q2T_PG"), ok);
  EXPECT_TRUE(ok.texts.isEmpty()) << ok.texts.join(QLatin1Char('\n')).toStdString();
  EXPECT_TRUE(W().Database1->Connected());
  EXPECT_EQ(W().Database1->Params().Value(QStringLiteral("USER NAME")), QStringLiteral("q2t"));
  EXPECT_EQ(W().PrevAlias, QStringLiteral("Q2T_PG"));
}

// The server ends the connection in the middle of a result (the statement
// ends its own session at row 20,000): one message in the program's words
// with the server's text, the rows written so far stay, the window keeps
// working, the next run connects again and renders every row.
TEST_F(PgConnection, AConnectionLostMidResultIsOneMessageAndTheNextRunWorks) {
  Answers login;
  Choose(QStringLiteral("Q2T_PG"), login);
  ASSERT_TRUE(W().Database1->Connected());
  W().chbShowMemo->setChecked(false);  // the output pane on
  W().ChBColName->setChecked(false);
  W().MemoSQL->setPlainText(QStringLiteral(
      "select g, case when g = 20000 then pg_terminate_backend(pg_backend_pid())::int else 0 end as k"
      " from generate_series(1, 50000) g"));
  {
    ModalAnswerer answerer;
    W().ButtonSQLExec->click();
    ASSERT_EQ(answerer.Texts().size(), 1) << answerer.Texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(answerer.Texts().first().contains(QStringLiteral("與 PostgreSQL 伺服器的連線中斷")))
        << answerer.Texts().first().toStdString();
    EXPECT_TRUE(answerer.Texts().first().contains(QStringLiteral("terminat")));
  }
  EXPECT_TRUE(W().ButtonSQLExec->isEnabled());
  EXPECT_GT(W().ProgressBar1->maximum(), 0) << "the bar stayed busy";
  // The rows written before the connection went stay, each a whole line.
  const qsizetype kept = W().MemoOutput->lineCount();
  EXPECT_GT(kept, 0);
  EXPECT_LT(kept, 20000);
  EXPECT_EQ(W().MemoOutput->line(kept - 1), QStringLiteral("%1,0").arg(kept));
  W().MemoSQL->setPlainText(QStringLiteral("select g from generate_series(1, 30000) g"));
  Answers again;  // connecting again asks for the login again
  ModalAnswerer answerer(again.Handler());
  W().ButtonSQLExec->click();
  EXPECT_TRUE(again.texts.isEmpty()) << again.texts.join(QLatin1Char('\n')).toStdString();
  EXPECT_EQ(again.loginUser, QStringLiteral("q2t"));
  EXPECT_EQ(W().MemoOutput->lineCount(), kept + 30000);
}
