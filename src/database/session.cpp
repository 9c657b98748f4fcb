#include "database/session.h"

#include "database/failure.h"
#include "database/database.h"
#include "database/odbc/odbc_backend.h"
#include "database/sqlite/sqlite_backend.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <algorithm>

TSession& Session() {
  static TSession session;
  return session;
}

QString DemoDatabasePath() {
  const QString dir = QCoreApplication::applicationDirPath();
  for (const QString& candidate : {dir + QStringLiteral("/data/dbdemos.db"),
                                   dir + QStringLiteral("/../data/dbdemos.db"),
                                   dir + QStringLiteral("/../share/query2text/dbdemos.db")}) {
    if (QFileInfo::exists(candidate)) return QFileInfo(candidate).canonicalFilePath();
  }
  return dir + QStringLiteral("/data/dbdemos.db");
}

TSession::TSession() { sqliteAliases_.push_back({QStringLiteral("DBDEMOS"), QString()}); }

void TSession::GetAliasNames(QStringList& list) const {
  list.clear();
  for (const auto& alias : sqliteAliases_) list << alias.name;
  for (const QString& dataSource : OdbcDataSources())
    if (!list.contains(dataSource, Qt::CaseInsensitive)) list << dataSource;
}

void TSession::GetTableNames(const QString& databaseName, QStringList& list) {
  list.clear();
  TDatabase* database = FindDatabase(databaseName);
  if (!database) throw EDatabaseError(QStringLiteral("找不到資料庫 '%1'").arg(databaseName));
  if (!database->Connected()) database->SetConnected(true);
  list = database->Connection()->TableNames();
}

void TSession::AddSqliteAlias(const QString& alias, const QString& path) {
  for (auto& existing : sqliteAliases_) {
    if (existing.name.compare(alias, Qt::CaseInsensitive) == 0) {
      existing.path = path;
      return;
    }
  }
  sqliteAliases_.push_back({alias, path});
}

const TSession::SqliteAlias* TSession::FindSqliteAlias(const QString& name) const {
  for (const auto& alias : sqliteAliases_)
    if (alias.name.compare(name, Qt::CaseInsensitive) == 0) return &alias;
  return nullptr;
}

void TSession::Login(TDatabase& database, const QString& configuredUser, QString& user, QString& password) const {
  user = database.Params().Value(QStringLiteral("USER NAME"));
  password = database.Params().Value(QStringLiteral("PASSWORD"));
  if (!database.LoginPrompt() || configuredUser.isEmpty()) return;
  if (user.isEmpty()) {
    user = configuredUser;
    database.Params().SetValue(QStringLiteral("USER NAME"), user);
  }
  password.clear();
  if (!loginHandler_ || !loginHandler_(database.DatabaseName(), user, password))
    throw EDatabaseError(QStringLiteral("不能連結到資料庫 '%1'").arg(database.DatabaseName()));
  database.Params().SetValue(QStringLiteral("USER NAME"), user);
}

std::unique_ptr<BackendConnection> TSession::OpenAlias(const QString& alias, TDatabase& database) {
  if (const SqliteAlias* sqlite = FindSqliteAlias(alias)) {
    const QString path = sqlite->path.isEmpty() ? DemoDatabasePath() : sqlite->path;
    if (!QFileInfo::exists(path)) throw EDatabaseError(QStringLiteral("找不到資料庫檔案: %1").arg(path));
    return std::make_unique<SqliteConnection>(path);
  }
  // Alias names ignore case; the data source is opened by its own spelling.
  for (const QString& dataSource : OdbcDataSources()) {
    if (dataSource.compare(alias, Qt::CaseInsensitive) != 0) continue;
    QString user, password;
    Login(database, OdbcDataSourceUser(dataSource), user, password);
    return std::make_unique<OdbcConnection>(OdbcDataSourceConnection(dataSource, user, password), password);
  }
  throw EDatabaseError(QStringLiteral("不明的資料庫別名: %1").arg(alias));
}

std::unique_ptr<BackendConnection> TSession::OpenDriver(const QString& driver, TDatabase& database) {
  // The name comes from outside the program: only a driver of the ODBC
  // configuration may be named, never a library path or more attributes.
  if (!OdbcDrivers().contains(driver))
    throw EDatabaseError(QStringLiteral("資料庫驅動程式 '%1' 不是ODBC設定中已安裝的驅動程式, 沒有連接").arg(driver));
  QString user, password;
  Login(database, QString(), user, password);
  QMap<QString, QString> params;
  for (const char* name : {"SERVER NAME", "HOST NAME", "USER NAME", "PASSWORD", "APPLICATION NAME"})
    params.insert(QLatin1String(name), database.Params().Value(QLatin1String(name)));
  return std::make_unique<OdbcConnection>(OdbcDriverConnection(driver, params), password);
}

void TSession::RegisterDatabase(TDatabase* database) { databases_.push_back(database); }

void TSession::UnregisterDatabase(TDatabase* database) {
  databases_.erase(std::remove(databases_.begin(), databases_.end(), database), databases_.end());
}

TDatabase* TSession::FindDatabase(const QString& name) const {
  for (TDatabase* database : databases_)
    if (database->DatabaseName().compare(name, Qt::CaseInsensitive) == 0) return database;
  return nullptr;
}
