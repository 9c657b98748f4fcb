// admin-stub: a stand-in for the site's administration program. It owns a
// window of class "Q9ADM_REGISTER" and serves the login manager
// "Z9Ivozu.LoginManager" on the session bus with the values given here.
//
//   admin-stub --user-id=A01 --user-name=clerk --server=127.0.0.1:5432/ledger
//              --db-type="PostgreSQL Unicode" --connect-user=clerk --connect-password=secret
//
// Prints "ready" once both are in place and runs until it is ended.
#include <QCommandLineParser>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QWindow>
#include <cstdio>

class LoginManager : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "Z9Ivozu.LoginManager")
public:
  explicit LoginManager(const QCommandLineParser& options) : options_(options) {}

public slots:
  QString GetAPUserID() { return Value("user-id"); }
  QString GetAPUserName() { return Value("user-name"); }
  QString GetLocalIPAddress() { return Value("ip"); }
  QString GetConnectServer() { return Value("server"); }
  QString GetDataBaseType() { return Value("db-type"); }
  QString GetAPUserPassword() { return Value("ap-password"); }
  QString GetLocalHostName() { return Value("host"); }
  QString GetConnectUserID() { return Value("connect-user"); }
  QString GetConnectPassword() { return Value("connect-password"); }

private:
  QString Value(const char* name) { return options_.value(QLatin1String(name)); }
  const QCommandLineParser& options_;
};

int main(int argc, char** argv) {
  // The window class comes from the application name, set before the window.
  QGuiApplication::setApplicationName(QStringLiteral("Q9ADM_REGISTER"));
  QGuiApplication app(argc, argv);
  QCommandLineParser options;
  options.setApplicationDescription(QStringLiteral("Stand-in for the administration program's login manager."));
  options.addHelpOption();
  const struct {
    const char* name;
    const char* fallback;
  } values[] = {{"user-id", "A01"},          {"user-name", "clerk"}, {"ip", "127.0.0.1"},
                {"server", "127.0.0.1"},     {"db-type", "PostgreSQL Unicode"}, {"ap-password", ""},
                {"host", "localhost"},       {"connect-user", ""},   {"connect-password", ""}};
  for (const auto& v : values)
    options.addOption({QLatin1String(v.name), QStringLiteral("value of the login manager's answer"),
                       QStringLiteral("text"), QLatin1String(v.fallback)});
  const QCommandLineOption noWindow(QStringLiteral("no-window"),
                                    QStringLiteral("serve the bus name without the program's window (for tests)"));
  options.addOption(noWindow);
  options.process(app);

  QWindow window;
  if (QGuiApplication::platformName() == QLatin1String("xcb") && !options.isSet(noWindow)) window.winId();

  LoginManager manager(options);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.registerService(QStringLiteral("Z9Ivozu.LoginManager")) ||
      !bus.registerObject(QStringLiteral("/"), &manager, QDBusConnection::ExportAllSlots)) {
    std::fprintf(stderr, "admin-stub: cannot serve Z9Ivozu.LoginManager on the session bus\n");
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  return app.exec();
}

#include "main.moc"
