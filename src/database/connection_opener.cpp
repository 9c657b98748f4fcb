#include "database/connection_opener.h"

#include "database/database.h"
#include "database/engine_wait.h"
#include "database/failure.h"
#include "database/mariadb/mariadb_backend.h"
#include "database/mariadb/mariadb_settings.h"
#include "database/odbc/odbc_backend.h"
#include "database/postgres/pg_backend.h"
#include "database/session.h"
#include "database/sqlite/sqlite_backend.h"
#include "database/sqlite/sqlite_settings.h"

#include <QFileInfo>

namespace {

// The user name and password to connect with, from the login dialog when
// the database asks for it; throws when the user cancels.
void Login(TDatabase& database, const QString& configuredUser, QString& user, QString& password) {
  user = database.Params().Value(kParamUserName);
  password = database.Params().Value(kParamPassword);
  if (!database.LoginPrompt() || configuredUser.isEmpty()) return;
  if (user.isEmpty()) {
    user = configuredUser;
    database.Params().SetValue(kParamUserName, user);
  }
  password.clear();
  if (!Session().AskLogin(database.DatabaseName(), user, password))
    throw EDatabaseError(QStringLiteral("不能連結到資料庫 '%1'").arg(database.DatabaseName()));
  database.Params().SetValue(kParamUserName, user);
}

const QString kConnectStopped = QStringLiteral("連線已停止");

// Connecting may wait for a server that does not answer: the attempt runs
// on a thread of its own and stops when the user says so.
std::unique_ptr<BackendConnection> ConnectPostgres(const PgSettings& settings) {
  std::unique_ptr<BackendConnection> connection;
  std::atomic<bool> stop = false;
  RunEngineCall([&] { connection = std::make_unique<PgConnection>(settings, &stop); },
                {.stop = [&] { stop = true; }, .sever = {}},
                kConnectStopped);
  return connection;
}

// Connector/C's connect cannot be stopped either: the same as a driver's.
std::unique_ptr<BackendConnection> ConnectMariaDb(const MariaDbSettings& settings) {
  return RunAbandonableCall<std::unique_ptr<BackendConnection>>(
      [settings] { return std::unique_ptr<BackendConnection>(std::make_unique<MariaDbConnection>(settings)); },
      kConnectStopped);
}

// A driver's connect cannot be stopped: a stop ends the wait, and the
// attempt ends by itself later (its connection then closed unused).
std::unique_ptr<BackendConnection> ConnectOdbc(const QString& connectionString, const QString& secret) {
  return RunAbandonableCall<std::unique_ptr<BackendConnection>>(
      [connectionString, secret] {
        return std::unique_ptr<BackendConnection>(std::make_unique<OdbcConnection>(connectionString, secret));
      },
      kConnectStopped);
}

// A SQLite file, built in or named by a data source of the SQLite driver.
std::unique_ptr<BackendConnection> OpenSqliteFile(const QString& path) {
  if (!QFileInfo::exists(path)) throw EDatabaseError(QStringLiteral("找不到資料庫檔案: %1").arg(path));
  return std::make_unique<SqliteConnection>(path);
}

}  // namespace

std::unique_ptr<BackendConnection> OpenAliasConnection(const QString& alias, TDatabase& database) {
  if (QString path; Session().FindSqliteAlias(alias, path)) return OpenSqliteFile(path);
  // Alias names ignore case; the data source is opened by its own spelling.
  for (const QString& dataSource : OdbcDataSources()) {
    if (dataSource.compare(alias, Qt::CaseInsensitive) != 0) continue;
    if (const auto file = SqliteFileOfDataSource(dataSource)) return OpenSqliteFile(*file);
    QString user, password;
    Login(database, OdbcDataSourceUser(dataSource), user, password);
    if (const auto pg = PgSettingsOfDataSource(dataSource, user, password)) return ConnectPostgres(*pg);
    if (const auto maria = MariaDbSettingsOfDataSource(dataSource, user, password)) return ConnectMariaDb(*maria);
    return ConnectOdbc(OdbcDataSourceConnection(dataSource, user, password), password);
  }
  throw EDatabaseError(QStringLiteral("不明的資料庫別名: %1").arg(alias));
}

std::unique_ptr<BackendConnection> OpenDriverConnection(const QString& driver, TDatabase& database) {
  // The name comes from outside the program: only a driver of the ODBC
  // configuration may be named, never a library path or more attributes.
  if (!OdbcDrivers().contains(driver))
    throw EDatabaseError(QStringLiteral("資料庫驅動程式 '%1' 不是ODBC設定中已安裝的驅動程式, 沒有連接").arg(driver));
  QString user, password;
  Login(database, QString(), user, password);
  QMap<QString, QString> params;
  for (const QString& name : {kParamServerName, kParamHostName, kParamUserName, kParamPassword, kParamApplicationName})
    params.insert(name, database.Params().Value(name));
  if (const auto pg = PgSettingsOfDriver(driver, params)) return ConnectPostgres(*pg);
  if (const auto maria = MariaDbSettingsOfDriver(driver, params)) return ConnectMariaDb(*maria);
  // The SQLite driver's server is a file: opened by the program itself.
  if (IsSqliteOdbcDriver(driver)) return OpenSqliteFile(params.value(kParamServerName));
  return ConnectOdbc(OdbcDriverConnection(driver, params), password);
}
