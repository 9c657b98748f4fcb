#pragma once
// PostgreSQL through its own client library (libpq): what an ODBC data
// source of the PostgreSQL driver and the login-managed PostgreSQL connection
// use, for speed and for dates the ODBC structures cannot hold.
#include "database/backend.h"
#include "database/postgres/pg_settings.h"

#include <atomic>

class PgSession;

class PgConnection : public BackendConnection {
public:
  // Connects; throws EDatabaseError with the server's or the library's text,
  // in which the password never appears. The attempt ends when `stop` is set
  // (from another thread) or the server has not answered in ten seconds.
  explicit PgConnection(const PgSettings& settings, const std::atomic<bool>* stop = nullptr);
  ~PgConnection() override;

  // Tables of the schemas on the search path, as the ODBC driver lists them.
  QStringList TableNames() override;
  // Read-only statements run in a read-only transaction, their rows fetched
  // from a cursor in blocks so that memory stays flat; one result streams at
  // a time: a new statement first ends the one before. Read-write statements
  // run on their own and commit at once.
  std::unique_ptr<BackendStatement> Prepare(const QString& sql, StatementAccess access) override;
  bool Alive() const override;
  void Cancel() override;
  void Sever() override;
  void ResetCancel() override;
  void SetWaitForLocks(bool wait) override;

private:
  std::shared_ptr<PgSession> session_;
};
