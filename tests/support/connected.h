#pragma once
// A database and a query on it, as the window holds them.
#include "database/database.h"
#include "database/query.h"

// Closes the query and opens it on another statement.
inline TQuery& Reopen(TQuery& query, const QString& sql) {
  query.Close();
  query.SQL().SetText(sql);
  query.Open();
  return query;
}

struct Connected {
  explicit Connected(const QString& alias) {
    database.SetAliasName(alias);
    database.SetDatabaseName(QStringLiteral("T_") + alias);
    database.SetLoginPrompt(false);
    database.SetConnected(true);
    query.SetDatabaseName(database.DatabaseName());
  }
  TQuery& Open(const QString& sql) { return Reopen(query, sql); }
  TDatabase database;
  TQuery query;
};
