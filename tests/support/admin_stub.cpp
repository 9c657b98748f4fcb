#include "support/admin_stub.h"

#include "platform/login_manager.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTest>
#include <gtest/gtest.h>

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
