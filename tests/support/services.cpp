#include "support/services.h"

#include "database/backend.h"
#include "database/database.h"
#include "platform/login_manager.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTest>
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

AdminStub::AdminStub(const QStringList& arguments) {
  process_.start(QStringLiteral(Q2T_ADMIN_STUB), arguments);
  EXPECT_TRUE(process_.waitForReadyRead(10000)) << process_.readAllStandardError().toStdString();
  EXPECT_EQ(process_.readLine().trimmed(), QByteArray("ready"));
}

AdminStub::~AdminStub() {
  process_.kill();  // our own child, by its PID
  process_.waitForFinished();
  // Wait until the bus has forgotten it, so the next test starts clean.
  (void)QTest::qWaitFor([] {
    return !QDBusConnection::sessionBus().interface()->isServiceRegistered(kLoginManagerProgId).value();
  }, 5000);
}
