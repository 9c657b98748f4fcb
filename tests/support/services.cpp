#include "support/services.h"

#include "database/backend.h"
#include "database/database.h"

#include <gtest/gtest.h>

bool TestServicesRunning() {
  return !qEnvironmentVariableIsEmpty("Q2T_PG_PORT") && !qEnvironmentVariableIsEmpty("ODBCSYSINI") &&
         !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS");
}

QString PgPort() { return qEnvironmentVariable("Q2T_PG_PORT"); }

QString PgServerAddress() { return QStringLiteral("127.0.0.1:") + PgPort() + QStringLiteral("/q2t_test"); }

void PgExec(const QStringList& statements) {
  TDatabase database;
  database.SetDatabaseName(QStringLiteral("PG_SETUP"));
  database.SetAliasName(QStringLiteral("Q2T_PG"));
  database.SetLoginPrompt(false);
  database.SetConnected(true);
  for (const QString& sql : statements) database.Connection()->Prepare(sql, StatementAccess::ReadWrite)->Execute();
}
