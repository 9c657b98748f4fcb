// Starting the program where no window can be shown.
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

namespace {

struct Outcome {
  int exitCode;
  QProcess::ExitStatus status;
  QString errors;
};

Outcome StartWith(const QProcessEnvironment& environment) {
  QProcess program;
  program.setProcessEnvironment(environment);
  program.start(QStringLiteral(Q2T_PROGRAM), {});
  EXPECT_TRUE(program.waitForFinished(20000));
  return {program.exitCode(), program.exitStatus(), QString::fromUtf8(program.readAllStandardError())};
}

QProcessEnvironment WithoutDisplay() {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(QLatin1String(name));
  return environment;
}

}  // namespace

TEST(NoDisplay, OneLineInBothLanguagesAndStatusOne) {
  const Outcome none = StartWith(WithoutDisplay());
  EXPECT_EQ(none.status, QProcess::NormalExit);  // no abort
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_EQ(none.errors.count(QLatin1Char('\n')), 1) << none.errors.toStdString();
  EXPECT_TRUE(none.errors.contains(QStringLiteral("沒有顯示器"))) << none.errors.toStdString();
  EXPECT_TRUE(none.errors.contains(QStringLiteral("no display: set DISPLAY"))) << none.errors.toStdString();

  QProcessEnvironment unreachable = WithoutDisplay();
  unreachable.insert(QStringLiteral("DISPLAY"), QStringLiteral(":4711"));
  const Outcome gone = StartWith(unreachable);
  EXPECT_EQ(gone.status, QProcess::NormalExit);
  EXPECT_EQ(gone.exitCode, 1);
  EXPECT_TRUE(gone.errors.contains(QStringLiteral("cannot open display :4711"))) << gone.errors.toStdString();
}
