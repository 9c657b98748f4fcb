#pragma once
// The query a benchmark runs: a SQLite file reached under the alias BENCH.
#include "database/database.h"
#include "database/query.h"
#include "database/session.h"

struct BenchQuery {
  BenchQuery(const char* databaseFile, const char* statement) {
    Session().AddSqliteAlias(QStringLiteral("BENCH"), QString::fromLocal8Bit(databaseFile));
    database.SetAliasName(QStringLiteral("BENCH"));
    database.SetDatabaseName(QStringLiteral("BENCH"));
    query.setObjectName(QStringLiteral("Query1"));
    query.SetDatabaseName(QStringLiteral("BENCH"));
    query.SQL().SetText(QString::fromLocal8Bit(statement));
  }
  TDatabase database;
  TQuery query;
};
