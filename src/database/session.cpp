#include "database/session.h"

#include "database/failure.h"
#include "database/database.h"
#include "database/odbc/odbc_backend.h"

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

TSession::TSession() { sqliteAliases_.push_back({kDemoAlias, QString()}); }

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

bool TSession::FindSqliteAlias(const QString& name, QString& path) const {
  for (const auto& alias : sqliteAliases_) {
    if (alias.name.compare(name, Qt::CaseInsensitive) != 0) continue;
    path = alias.path.isEmpty() ? DemoDatabasePath() : alias.path;
    return true;
  }
  return false;
}

bool TSession::AskLogin(const QString& databaseName, QString& user, QString& password) const {
  return loginHandler_ && loginHandler_(databaseName, user, password);
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
