#pragma once
// PostgreSQL through its own client library (libpq): what an ODBC data
// source of the PostgreSQL driver and the login-managed PostgreSQL connection
// use, for speed and for dates the ODBC structures cannot hold.
#include "database/backend.h"
#include "database/postgres/pg_settings.h"

class PgSession;

class PgConnection : public BackendConnection {
public:
  // Connects; throws EDatabaseError with the server's or the library's text,
  // in which the password never appears.
  explicit PgConnection(const PgSettings& settings);
  ~PgConnection() override;

  // Tables of the schemas on the search path, as the ODBC driver lists them.
  QStringList TableNames() override;
  // Read-only statements run in a read-only transaction, their rows fetched
  // from a cursor in blocks so that memory stays flat; one result streams at
  // a time: a new statement first ends the one before. Read-write statements
  // run on their own and commit at once.
  std::unique_ptr<BackendStatement> Prepare(const QString& sql, StatementAccess access) override;
  bool Alive() const override;

private:
  std::shared_ptr<PgSession> session_;
};
