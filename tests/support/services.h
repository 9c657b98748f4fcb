#pragma once
// The services ./dev test starts for the tests: a PostgreSQL cluster reached
// through psqlODBC, an ODBC configuration of the tests' own, a private
// session bus.
#include <QString>
#include <QStringList>

// False (and the test should skip) when the services are not there.
bool TestServicesRunning();
QString PgPort();
// A server address for the login manager: "127.0.0.1:port/q2t_test".
QString PgServerAddress();

// Runs statements on the test cluster through the engine's own ODBC path.
void PgExec(const QStringList& statements);

// A socket on loopback port `port` that takes connections (the kernel
// does) and never answers them, as a server that hangs; its descriptor, to
// close, or -1.
int ListenWithoutAnswering(int port);

// The throwaway MariaDB server: false (skip) when ./dev test did not start it.
bool MariaDbRunning();
// Runs statements there as the tests' user, through the native path.
void MdbExec(const QStringList& statements);
// What the server's own client prints for a statement (--batch --raw, no
// column names): its lines, each value tab-separated.
QStringList MdbClientLines(const QString& statement);
