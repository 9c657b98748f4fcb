// Connecting to PostgreSQL, step by step so that a stop ends the attempt,
// the tables of the search path, and stopping a call from another thread.
#include "database/postgres/pg_backend.h"
#include "database/postgres/pg_session.h"

#include <chrono>
#include <poll.h>
#include <vector>

namespace {

void NoNotices(void*, const char*) {}

}  // namespace

namespace {

// Waits for the connection's socket to be ready as PQconnectPoll asks, in
// short steps so that a stop is seen; false when the stop came.
bool WaitForSocket(PGconn* conn, PostgresPollingStatusType polling, const std::atomic<bool>* stop) {
  pollfd ready{PQsocket(conn), static_cast<short>(polling == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0};
  while (!(stop && *stop)) {
    if (poll(&ready, 1, 100) != 0) return true;
  }
  return false;
}

}  // namespace

PgConnection::PgConnection(const PgSettings& settings, const std::atomic<bool>* stop)
    : session_(std::make_shared<PgSession>()) {
  session_->secret = settings.password;
  std::vector<QByteArray> keys, values;
  auto add = [&](const char* key, const QString& value) {
    if (value.isEmpty()) return;
    keys.emplace_back(key);
    values.push_back(value.toUtf8());
  };
  add("host", settings.host);
  add("port", settings.port);
  add("dbname", settings.database);
  add("user", settings.user);
  add("password", settings.password);
  add("sslmode", settings.sslMode);
  add("application_name", settings.applicationName);
  add("client_encoding", QStringLiteral("UTF8"));
  // Dates as ISO text, as the ODBC driver asks for them too; floats with
  // every digit they need on any server version.
  add("options", QStringLiteral("-c DateStyle=ISO,MDY -c extra_float_digits=3"));
  std::vector<const char*> k, v;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    k.push_back(keys[i].constData());
    v.push_back(values[i].constData());
  }
  k.push_back(nullptr);
  v.push_back(nullptr);
  // Connected step by step, so that a stop (or a host that never answers,
  // after kConnectSeconds) ends the attempt.
  constexpr int kConnectSeconds = 10;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kConnectSeconds);
  session_->conn = PQconnectStartParams(k.data(), v.data(), 0);
  if (!session_->conn) throw EDatabaseError(QStringLiteral("記憶體不足"));
  auto fail = [&](const QString& reason) {
    throw EDatabaseError(MaskPassword(QStringLiteral("無法連接到 PostgreSQL 伺服器:\n") + reason, settings.password));
  };
  for (PostgresPollingStatusType polling = PGRES_POLLING_WRITING; polling != PGRES_POLLING_OK;) {
    if (polling == PGRES_POLLING_FAILED || PQstatus(session_->conn) == CONNECTION_BAD)
      fail(PgTrimmed(PQerrorMessage(session_->conn)));
    if (!WaitForSocket(session_->conn, polling, stop)) fail(QStringLiteral("連線已停止"));
    if (std::chrono::steady_clock::now() > deadline)
      fail(QStringLiteral("伺服器在 %1 秒內沒有回應").arg(kConnectSeconds));
    polling = PQconnectPoll(session_->conn);
  }
  session_->cancel = PQgetCancel(session_->conn);
  PQsetNoticeProcessor(session_->conn, NoNotices, nullptr);
}

PgConnection::~PgConnection() = default;

QStringList PgConnection::TableNames() {
  session_->Yield();
  const PgResult r = session_->Run(
      "select c.relname from pg_catalog.pg_class c join pg_catalog.pg_namespace n on n.oid = c.relnamespace"
      " where c.relkind in ('r', 'p') and n.nspname = any (pg_catalog.current_schemas(false))"
      " order by n.nspname, c.relname");
  QStringList names;
  for (int row = 0; row < PQntuples(r.get()); ++row) names << QString::fromUtf8(PQgetvalue(r.get(), row, 0));
  return names;
}


bool PgConnection::Alive() const {
  // A server that ended an idle connection (an administrator, a restart)
  // has said so already: read what it sent, so that a statement is not
  // sent into a connection that is gone. Not while a reader thread uses it.
  if (PQstatus(session_->conn) == CONNECTION_OK && !session_->streaming && PQisBusy(session_->conn) == 0)
    PQconsumeInput(session_->conn);
  return PQstatus(session_->conn) == CONNECTION_OK;
}

void PgConnection::Cancel() { session_->Cancel(); }

void PgConnection::Sever() { session_->Sever(); }

void PgConnection::ResetCancel() { session_->cancelled = false; }

void PgConnection::SetWaitForLocks(bool wait) { session_->waitForLocks = wait; }
