// Under a real X server: the clipboard shared with other programs and the
// administration program's window class.
#include "database/failure.h"
#include "platform/admin_presence.h"
#include "platform/login_manager.h"
#include "support/admin_stub.h"
#include "support/window_fixture.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QMimeData>
#include <QPlainTextEdit>
#include "controls/text_pane.h"
#include <QProcess>
#include <QTest>
#include <QElapsedTimer>
#include <csignal>

namespace {

// Runs a command while our event loop keeps serving the clipboard.
QByteArray RunServing(const QString& program, const QStringList& args, const QByteArray& input = {}) {
  QProcess process;
  process.start(program, args);
  if (!input.isNull()) {
    process.write(input);
    process.closeWriteChannel();
  }
  if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000)) {
    process.kill();
    process.waitForFinished();
    ADD_FAILURE() << "timed out: " << program.toStdString();
  }
  return process.readAllStandardOutput();
}

// Another program that owns a window of the given class while it lives.
class WindowOwner {
public:
  explicit WindowOwner(const QString& className) {
    process_.start(QStringLiteral(Q2T_WINDOW_OWNER), {className});
    EXPECT_TRUE(process_.waitForReadyRead(10000));
    EXPECT_EQ(process_.readLine().trimmed(), QByteArray("ready"));
  }
  ~WindowOwner() {
    process_.kill();  // our own child, by its PID
    process_.waitForFinished();
  }

private:
  QProcess process_;
};

}  // namespace

using X11Clipboard = WindowTest;

TEST_F(X11Clipboard, RightClickPutsTheOutputOnAnotherProgramsClipboard) {
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
  const QString text = QStringLiteral("1,'大同'\n2,null\nline 3");
  W().MemoOutput->setPlainText(text);
  QTest::mouseClick(W().MemoOutput->viewport(), Qt::RightButton, {}, QPoint(20, 20));
  const QByteArray pasted = RunServing(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"),
                                                                  QStringLiteral("clipboard")});
  EXPECT_EQ(QString::fromUtf8(pasted), text);
  // A left click copies nothing.
  QGuiApplication::clipboard()->setText(QStringLiteral("unchanged"));
  QTest::mouseClick(W().MemoOutput->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("unchanged"));
}

TEST_F(X11Clipboard, DoubleClickAppendsAnotherProgramsRichTextAsPlainText) {
  W().MemoOutput->setPlainText(QStringLiteral("before"));
  // xclip serves the clipboard from its own process until it loses it.
  RunServing(QStringLiteral("xclip"),
             {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"), QStringLiteral("text/html")},
             QByteArray("<p><b>粗體</b> and <i>italic</i></p>"));
  ASSERT_TRUE(QTest::qWaitFor([] { return QGuiApplication::clipboard()->mimeData()->hasHtml(); }, 5000));
  QTest::mouseDClick(W().MemoOutput->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
  QTest::mouseDClick(W().MemoOutput->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
  const QStringList lines = W().MemoOutput->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  EXPECT_EQ(lines, QStringList({QStringLiteral("before"), QStringLiteral("粗體 and italic"),
                                QStringLiteral("粗體 and italic")}));
  QGuiApplication::clipboard()->setText(QStringLiteral("done"));  // xclip loses the selection and ends
}

// Another program takes the clipboard and then stops answering (stopped,
// not ended): a paste waits one clipboard timeout, not several, and the
// window neither crashes nor loses its output.
TEST_F(X11Clipboard, AHungClipboardOwnerCostsOneTimeoutAndNothingElse) {
  W().MemoOutput->setPlainText(QStringLiteral("kept"));
  QProcess hung;
  hung.start(QStringLiteral("xclip"), {QStringLiteral("-quiet"), QStringLiteral("-loops"), QStringLiteral("0"),
                                       QStringLiteral("-selection"), QStringLiteral("clipboard")});
  hung.write("theirs");
  hung.closeWriteChannel();
  ASSERT_TRUE(QTest::qWaitFor([] { return !QGuiApplication::clipboard()->ownsClipboard(); }, 5000));
  QTest::qWait(300);  // xclip has taken the selection
  ASSERT_EQ(::kill(static_cast<pid_t>(hung.processId()), SIGSTOP), 0);

  QElapsedTimer elapsed;
  elapsed.start();
  QTest::mouseDClick(W().MemoOutput->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
  // One timeout is five seconds; several in a row would be ten or more.
  EXPECT_LT(elapsed.elapsed(), 9000);
  EXPECT_EQ(W().MemoOutput->toPlainText(), QStringLiteral("kept\n"));
  W().MemoOutput->appendPlainText(QStringLiteral("still working"));
  EXPECT_EQ(W().MemoOutput->lineCount(), 3);

  ::kill(static_cast<pid_t>(hung.processId()), SIGCONT);
  hung.kill();
  hung.waitForFinished();
}

TEST(X11Presence, FindsTheAdministrationWindowOfAnotherProgram) {
  EXPECT_FALSE(AdministrationProgramRunning());
  {
    WindowOwner other(QStringLiteral("SOME_OTHER_CLASS"));
    EXPECT_TRUE(X11WindowClassExists(QStringLiteral("SOME_OTHER_CLASS")));
    EXPECT_FALSE(AdministrationProgramRunning());
  }
  {
    WindowOwner admin(QStringLiteral("Q9ADM_REGISTER"));
    EXPECT_TRUE(AdministrationProgramRunning());
    TForm1 window;  // start-up offers the login-managed connection
    EXPECT_EQ(window.ComboBox1->itemText(window.ComboBox1->count() - 1), QStringLiteral("Z9Ivozu"));
    EXPECT_EQ(window.ComboBox1->currentText(), QStringLiteral("DBDEMOS"));
  }
  EXPECT_TRUE(QTest::qWaitFor([] { return !AdministrationProgramRunning(); }, 5000));
}

// The site's password comes from the login manager: a program that takes its
// bus name while the administration program's window belongs to another
// process is not believed.
TEST(X11LoginManager, OnlyTheAdministrationProgramsOwnProcessMayAnswer) {
  if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) GTEST_SKIP() << "needs the session bus of ./dev test";
  {
    AdminStub administration({});
    EXPECT_TRUE(LoginManagerBelongsToAdministrationProgram());
    EXPECT_NO_THROW(CreateOleObject(kLoginManagerProgId));
  }
  {
    WindowOwner window(QStringLiteral("Q9ADM_REGISTER"));
    AdminStub impostor({QStringLiteral("--no-window")});
    EXPECT_FALSE(LoginManagerBelongsToAdministrationProgram());
    try {
      CreateOleObject(kLoginManagerProgId);
      ADD_FAILURE() << "an impostor's login manager was used";
    } catch (const Failure& failure) {
      EXPECT_TRUE(failure.Message().contains(QStringLiteral("不予使用"))) << failure.Message().toStdString();
    }
  }
}
