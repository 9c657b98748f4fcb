#include "platform/calc/office_process.h"

#include "database/failure.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QUrl>
#include <atomic>
#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/bridge/XUnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <csignal>
#include <sys/prctl.h>

using namespace com::sun::star;

namespace {

const char* const kOffice = "/usr/lib/libreoffice/program/soffice.bin";
constexpr int kRestartRequested = 81;

QString Text(const rtl::OUString& s) {
  return QString::fromUtf16(reinterpret_cast<const char16_t*>(s.getStr()), s.getLength());
}

uno::Reference<uno::XComponentContext> LocalContext() {
  // Without this the first remote call crashes instead of throwing.
  qputenv("URE_BOOTSTRAP", "vnd.sun.star.pathname:/usr/lib/libreoffice/program/fundamentalrc");
  static uno::Reference<uno::XComponentContext> context = cppu::defaultBootstrap_InitialComponentContext();
  return context;
}

}  // namespace

OfficeProcess::OfficeProcess() {
  if (!profile_.isValid()) throw Failure(QStringLiteral("無法建立試算表程式的設定目錄"));
  static std::atomic<int> counter{0};
  const QString pipe = QStringLiteral("q2t_%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
  process_.setProgram(QLatin1String(kOffice));
  process_.setArguments({QStringLiteral("--headless"), QStringLiteral("--invisible"), QStringLiteral("--nologo"),
                         QStringLiteral("--norestore"), QStringLiteral("--nodefault"),
                         QStringLiteral("--nolockcheck"),
                         QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile_.path()).toString(),
                         QStringLiteral("--accept=pipe,name=") + pipe + QStringLiteral(";urp;")});
  process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  // Should this program die, the office goes with it.
  process_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
  Start();
  try {
    auto resolver = bridge::UnoUrlResolver::create(LocalContext());
    const rtl::OUString url = rtl::OUString::fromUtf8(
        QStringLiteral("uno:pipe,name=%1;urp;StarOffice.ComponentContext").arg(pipe).toUtf8().constData());
    QDeadlineTimer deadline(60000);
    int restarts = 0;
    for (;;) {
      try {
        context_.set(resolver->resolve(url), uno::UNO_QUERY_THROW);
        break;
      } catch (const connection::NoConnectException&) {
        if (process_.waitForFinished(0)) {
          // A new profile makes the office set it up and ask to be started again.
          if (process_.exitCode() != kRestartRequested || ++restarts > 2)
            throw Failure(QStringLiteral("試算表程式意外結束 (代碼 %1)").arg(process_.exitCode()));
          Start();
          continue;
        }
        if (deadline.hasExpired()) throw Failure(QStringLiteral("試算表程式沒有回應"));
        QThread::msleep(100);
      }
    }
    desktop_ = frame::Desktop::create(context_);
  } catch (const uno::Exception& e) {
    throw Failure(QStringLiteral("無法連接試算表程式: ") + Text(e.Message));
  }
}

void OfficeProcess::Start() {
  process_.start();
  if (!process_.waitForStarted(10000))
    throw Failure(QStringLiteral("無法啟動試算表程式: ") + process_.errorString());
}

void OfficeProcess::Quit() {
  if (process_.state() == QProcess::NotRunning) return;
  bool ending = false;
  try {
    ending = desktop_.is() && desktop_->terminate();
  } catch (const uno::Exception&) {
    ending = true;  // a disposed bridge is the office going away
  }
  desktop_.clear();
  context_.clear();
  if (!ending || !process_.waitForFinished(15000)) {
    process_.kill();  // our own office, by its process id
    process_.waitForFinished(5000);
  }
}

OfficeProcess::~OfficeProcess() {
  try {
    Quit();
  } catch (...) {
  }
}
