#pragma once
// MariaDB and MySQL through MariaDB Connector/C: what an ODBC data source of
// the MariaDB or MySQL driver and the login-managed connection of those
// servers use, for speed (rows streamed as the server sends them) and for
// values the drivers change (unsigned integers, bits, times past a day, zero
// dates, floats).
#include "database/backend.h"
#include "database/mariadb/mariadb_settings.h"

#include <memory>

class MariaDbSession;

class MariaDbConnection : public BackendConnection {
public:
  // Connects; throws EDatabaseError with the server's or the library's text,
  // in which the password never appears. A host that does not answer is
  // given up after ten seconds.
  explicit MariaDbConnection(const MariaDbSettings& settings);
  ~MariaDbConnection() override;

  // The base tables and views of the connected database.
  QStringList TableNames() override;
  // One statement by the server's rules (see MariaDbStatementRefusal); a
  // read-only one runs with the session read-only, so that a function that
  // writes fails with the server's message. Rows stream from the server
  // while the program works on them; one result streams at a time: a new
  // statement first ends the one before.
  std::unique_ptr<BackendStatement> Prepare(const QString& sql, StatementAccess access) override;
  bool Alive() const override;
  void Cancel() override;
  void Sever() override;
  void ResetCancel() override;
  QChar IdentifierQuote() const override { return QLatin1Char('`'); }
  void SetWaitForLocks(bool wait) override;

private:
  std::shared_ptr<MariaDbSession> session_;
};
