#include "support/temp_database.h"

#include "database/session.h"

#include <sqlite3.h>
#include <stdexcept>

TempDatabase::TempDatabase(const QString& sql, const QString& alias)
    : path_(dir_.path() + QStringLiteral("/test.db")), alias_(alias) {
  Exec(sql);
  Session().AddSqliteAlias(alias_, path_);
}

void TempDatabase::Exec(const QString& sql) const {
  sqlite3* db = nullptr;
  if (sqlite3_open(path_.toUtf8().constData(), &db) != SQLITE_OK) throw std::runtime_error("cannot open test db");
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
  const std::string message = error ? error : "";
  sqlite3_free(error);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error("test sql failed: " + message);
}
