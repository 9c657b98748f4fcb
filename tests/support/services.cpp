#include "support/services.h"

#include "database/backend.h"
#include "database/database.h"

#include <QProcess>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
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

bool MariaDbRunning() { return TestServicesRunning() && !qEnvironmentVariableIsEmpty("Q2T_MDB_PORT"); }

void MdbExec(const QStringList& statements) {
  TDatabase database;
  database.SetDatabaseName(QStringLiteral("MDB_SETUP"));
  database.SetAliasName(QStringLiteral("Q2T_MDB"));
  database.SetLoginPrompt(false);
  database.SetConnected(true);
  for (const QString& sql : statements) database.Connection()->Prepare(sql, StatementAccess::ReadWrite)->Execute();
}

QStringList MdbClientLines(const QString& statement) {
  QProcess client;
  client.start(QStringLiteral("mariadb"),
               {QStringLiteral("--no-defaults"), QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-P"),
                qEnvironmentVariable("Q2T_MDB_PORT"), QStringLiteral("-uq2t"), QStringLiteral("-pq2t-secret"),
                QStringLiteral("--batch"), QStringLiteral("--raw"), QStringLiteral("--skip-column-names"),
                QStringLiteral("q2t_test"), QStringLiteral("-e"), statement});
  client.waitForFinished(30000);
  EXPECT_EQ(client.exitCode(), 0) << client.readAllStandardError().toStdString();
  QString out = QString::fromUtf8(client.readAllStandardOutput());
  if (out.endsWith(QLatin1Char('\n'))) out.chop(1);
  return out.split(QLatin1Char('\n'));
}

int ListenWithoutAnswering(int port) {
  const int silent = socket(AF_INET, SOCK_STREAM, 0);
  const int yes = 1;
  setsockopt(silent, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(silent, 4) != 0) {
    close(silent);
    return -1;
  }
  return silent;
}
