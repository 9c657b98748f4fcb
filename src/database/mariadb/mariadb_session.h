#pragma once
// The MariaDB or MySQL connection that the connection object and its
// statements share, so that a statement that outlives the connection object
// still finds it; how it is stopped from another thread; and the session
// settings a statement needs.
#include "database/backend.h"
#include "database/mariadb/mariadb_settings.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <mysql.h>

class MariaDbStatement;

// Connects with `settings`; nullptr and the library's or the server's text
// in `failure` when it cannot. `connectSeconds` bounds a host that does not
// answer.
MYSQL* MariaDbConnect(const MariaDbSettings& settings, int connectSeconds, QString& failure);

class MariaDbSession {
public:
  explicit MariaDbSession(MariaDbSettings settings) : settings(std::move(settings)) {}
  ~MariaDbSession();

  MYSQL* mysql = nullptr;
  const MariaDbSettings settings;
  unsigned long threadId = 0;  // the server's number for the connection
  // The statement whose rows are streaming, if any: the connection is its
  // until the result has been read or ended.
  MariaDbStatement* streaming = nullptr;
  std::atomic<bool> cancelled = false;
  std::atomic<bool> lost = false;  // the connection is gone (or was cut)
  bool waitForLocks = true;
  QString serverName = QStringLiteral("MariaDB");  // as messages name it

  // Ends the result streaming before anything else uses the connection.
  void Yield();
  // The session's access mode and lock waits as the next statement needs
  // them; sent only when they change.
  void Enter(StatementAccess access);
  // Stops the statement under way at the server (KILL QUERY, sent from a
  // connection of its own), waiting for the server to take it or not;
  // whether it was sent (waiting: whether the server took it).
  bool KillQuery(bool wait);
  // Cuts the connection, so that a call under way fails at once.
  void Sever();
  // Runs a statement of the program's own; throws with the server's text.
  void Run(const char* sql);
  // The program's own words, then the server's or the library's text; a
  // lost connection is said to be made again at the next statement.
  [[noreturn]] void Fail();
  [[noreturn]] void Fail(unsigned error, const QString& text);

private:
  enum class Access { Unknown, ReadOnly, ReadWrite } access_ = Access::Unknown;
  bool shortLockWaits_ = false;
  QByteArray lockWaits_;  // the session's own lock timeouts, to go back to
};
