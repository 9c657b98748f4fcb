#pragma once
// The PostgreSQL connection that the connection object and its statements
// share, so that a statement that outlives the connection object still
// finds it; and how it is stopped from another thread.
#include "database/engine_wait.h"
#include "database/failure.h"
#include "database/password_mask.h"
#include "database/postgres/pg_read_ahead.h"

#include <QString>
#include <atomic>
#include <cstring>
#include <libpq-fe.h>
#include <sys/socket.h>

inline bool PgSucceeded(const PGresult* r) {
  const ExecStatusType status = PQresultStatus(r);
  return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

inline QString PgTrimmed(const char* text) { return QString::fromUtf8(text).trimmed(); }

class PgStatement;

// The connection itself, shared by its statements so that a statement that
// outlives the connection object still finds it.
class PgSession {
public:
  PGconn* conn = nullptr;
  QString secret;
  // The statement whose cursor is open, if any.
  PgStatement* streaming = nullptr;
  unsigned cursorCount = 0;
  // Stopping from another thread: the server's cancel request, and a flag
  // so that nothing more is sent once the user stopped.
  PGcancel* cancel = nullptr;
  std::atomic<bool> cancelled = false;
  bool waitForLocks = true;

  ~PgSession() {
    if (cancel) PQfreeCancel(cancel);
    if (conn) PQfinish(conn);
  }

  // The statement under way stops at the server; nothing more is sent.
  void Cancel() {
    cancelled = true;
    char error[256];
    if (cancel) PQcancel(cancel, error, sizeof error);
  }
  // The call under way then fails as on a lost connection; the next
  // statement connects again.
  void Sever() const {
    const int socket = PQsocket(conn);
    if (socket >= 0) shutdown(socket, SHUT_RDWR);
  }
  EngineStop Stopper() {
    return {.stop = [this] { Cancel(); }, .sever = [this] { Sever(); }};
  }

  // Throws when the user stopped: a statement sent after the stop would run
  // to its end (the server's cancel applies to the statement under way).
  void CheckCancelled() const {
    if (cancelled) throw EDatabaseError(QStringLiteral("PostgreSQL 執行失敗:\ncanceling statement due to user request"));
  }

  // The program's own words, then the server's or the library's text.
  [[noreturn]] void Fail(const QString& text) const {
    const QString lead = PQstatus(conn) == CONNECTION_OK
                             ? QStringLiteral("PostgreSQL 執行失敗:")
                             : QStringLiteral("與 PostgreSQL 伺服器的連線中斷 (下次執行時會重新連接):");
    throw EDatabaseError(MaskPassword(lead + QLatin1Char('\n') + text, secret));
  }
  [[noreturn]] void Fail(const PGresult* r) const {
    Fail(PgTrimmed(r ? PQresultErrorMessage(r) : PQerrorMessage(conn)));
  }

  // Runs a statement of the program's own; throws with the server's text.
  // After a stop, only what ends a transaction is still sent.
  PgResult Run(const char* sql) {
    if (std::strncmp(sql, "ROLLBACK", 8) != 0 && std::strncmp(sql, "COMMIT", 6) != 0) CheckCancelled();
    PgResult r(PQexec(conn, sql));
    if (!r || !PgSucceeded(r.get())) {
      const QString text = PgTrimmed(r ? PQresultErrorMessage(r.get()) : PQerrorMessage(conn));
      EndFailedTransaction();
      Fail(text);
    }
    return r;
  }
  // Runs the user's statement: through the extended protocol, which the
  // server refuses for more than one statement.
  PgResult RunUser(const QByteArray& sql) {
    CheckCancelled();
    return PgResult(PQexecParams(conn, sql.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0));
  }
  void EndFailedTransaction() {
    if (PQstatus(conn) == CONNECTION_OK && PQtransactionStatus(conn) == PQTRANS_INERROR)
      PgResult(PQexec(conn, "ROLLBACK"));
  }
  // A statement that runs in a transaction of its own: read-only, and
  // without waiting for other sessions' locks when it need not.
  void BeginReadOnly() {
    Run("BEGIN READ ONLY");
    if (!waitForLocks) Run("SET LOCAL lock_timeout = 1");
  }
  // Ends the cursor that is streaming before anything else runs.
  void Yield();
};

