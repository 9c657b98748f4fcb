#include "database/postgres/pg_backend.h"
#include "database/postgres/pg_session.h"

#include "database/engine_wait.h"
#include "database/failure.h"
#include "database/password_mask.h"
#include "database/postgres/pg_read_ahead.h"
#include "database/postgres/pg_row_encoder.h"
#include "database/postgres/pg_types.h"
#include "database/statement_text.h"
#include "database/streamed_statement.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <libpq-fe.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <vector>

namespace {

// Rows per FETCH from a cursor: the first block small, so that the first
// rows come soon and a block of wide rows stays small; then as many as make
// a block's bytes, up to the most that still pays for the round trip.
constexpr int kFirstFetchRows = 1000;
constexpr int kMostFetchRows = 10000;

using Result = PgResult;

}  // namespace

class PgStatement : public StreamedStatement {
public:
  PgStatement(std::shared_ptr<PgSession> session, const QString& sql, StatementAccess access)
      : session_(std::move(session)), sql_(sql.toUtf8()), access_(access) {}
  ~PgStatement() override {
    if (session_->streaming == this) CloseCursor();
  }

  QStringList ParameterNames() const override { return {}; }

  void Execute() override {
    session_->Yield();
    columns_.clear();
    encoder_.reset();
    ClearRows();
    unrepresentable_ = 0;
    started_ = false;
    rowsAffected_ = -1;
    if (access_ == StatementAccess::ReadOnly) {
      session_->EndFailedTransaction();  // what a stop or a failure left behind
      if (PQtransactionStatus(session_->conn) != PQTRANS_IDLE)
        throw EDatabaseError(QStringLiteral("連線上有一個未結束的交易, 唯讀查詢不能在其中執行"));
      session_->BeginReadOnly();
      if (!OpenCursor()) RunWhole(true);
    } else {
      RunWhole(false);
    }
  }

  qint64 RowsAffected() const override { return rowsAffected_; }
  qint64 UnrepresentableValues() const override { return unrepresentable_; }
  bool Started() const override { return started_; }
  void EndResult() override {
    if (session_->streaming == this) Abandon();
    ClearRows();
    session_->EndFailedTransaction();
  }

  // Another statement needs the connection: the rest of the result is lost.
  // What the reader had stored already is kept; only a result it had not
  // read to the end is lost.
  void Abandon() {
    bool whole = false;
    if (reader_) {
      for (ReadAhead::Block& block : reader_->Stop()) {
        whole = whole || (block.last && block.failure.isEmpty());
        kept_.push_back(std::move(block));
      }
      reader_.reset();
    }
    CloseCursor();
    abandoned_ = !whole;
  }

private:
  bool Streaming() const override { return session_->streaming == this; }

  void TakeKept(ReadAhead::Block&& block) override {
    if (!block.failure.isEmpty()) FailFetch(nullptr, block.failure);
    ready_.Take(std::move(block.rows));
    unrepresentable_ += block.unrepresentable;
  }

  // Declares a cursor for the statement and fetches the first block; false
  // when the statement cannot be a cursor (it is not a query, or it writes),
  // and the transaction is ready for it to run whole.
  bool OpenCursor() {
    cursor_ = QByteArrayLiteral("q2t_cursor_") + QByteArray::number(++session_->cursorCount);
    started_ = true;
    const Result declared = session_->RunUser("DECLARE " + cursor_ + " NO SCROLL CURSOR FOR " + sql_);
    if (!declared || !PgSucceeded(declared.get())) {
      if (PQstatus(session_->conn) != CONNECTION_OK) session_->Fail(declared.get());
      // Refused before anything ran: run it as it stands, so that its own
      // failure (a write in a read-only transaction, a typing error) is
      // what the user reads.
      session_->Run("ROLLBACK");
      session_->BeginReadOnly();
      return false;
    }
    session_->streaming = this;
    const QByteArray fetch = "FETCH FORWARD " + QByteArray::number(kFirstFetchRows) + " FROM " + cursor_;
    if (session_->cancelled) FailFetch(nullptr, QStringLiteral("canceling statement due to user request"));
    Result first(PQexec(session_->conn, fetch.constData()));
    if (!first || PQresultStatus(first.get()) != PGRES_TUPLES_OK) FailFetch(first.get());
    Describe(first.get());
    const std::size_t rowBytes = TakeBlock(first.get());
    // The rest arrives, stored, while the program works on the rows it has.
    if (session_->streaming == this)
      reader_ = StartPgReadAhead(session_->conn, cursor_, rowBytes, kMostFetchRows, *encoder_, session_->cancelled,
                                 session_->Stopper());
    return true;
  }

  void NextBlock() override {
    ReadAhead::Block next = reader_->Next();
    if (!next.failure.isEmpty()) {
      reader_.reset();
      FailFetch(nullptr, next.failure);
    }
    ready_.Take(std::move(next.rows));
    unrepresentable_ += next.unrepresentable;
    // A short block is the last: end the transaction at once.
    if (next.last) CloseCursor();
  }

  // The first block, fetched here; the bytes a row of it takes.
  std::size_t TakeBlock(const PGresult* block) {
    const std::size_t rowBytes = StoreResult(block) / static_cast<std::size_t>(std::max(PQntuples(block), 1));
    if (PQntuples(block) < kFirstFetchRows) CloseCursor();
    return rowBytes;
  }

  // Stores a result fetched on this thread as the rows to hand over; the
  // bytes they take.
  std::size_t StoreResult(const PGresult* result) {
    qint64 unrepresentable = 0;
    RowStore rows;
    if (!encoder_->Encode(result, rows, unrepresentable)) throw EDatabaseError(QStringLiteral("記憶體不足"));
    const std::size_t bytes = rows.Bytes();
    ready_.Take(std::move(rows));
    unrepresentable_ += unrepresentable;
    return bytes;
  }

  [[noreturn]] void FailFetch(const PGresult* block, QString failure = QString()) {
    if (failure.isEmpty()) failure = PgTrimmed(block ? PQresultErrorMessage(block) : PQerrorMessage(session_->conn));
    session_->streaming = nullptr;
    session_->EndFailedTransaction();
    session_->Fail(failure);
  }

  void CloseCursor() {
    if (session_->streaming != this) return;
    reader_.reset();
    session_->streaming = nullptr;
    if (PQstatus(session_->conn) != CONNECTION_OK) return;
    Result(PQexec(session_->conn, "CLOSE " + cursor_));
    Result(PQexec(session_->conn, "COMMIT"));
  }

  void RunWhole(bool inReadOnlyTransaction) {
    started_ = true;
    Result r = session_->RunUser(sql_);
    if (!r || !PgSucceeded(r.get())) {
      const QString text = PgTrimmed(r ? PQresultErrorMessage(r.get()) : PQerrorMessage(session_->conn));
      if (inReadOnlyTransaction) Result(PQexec(session_->conn, "ROLLBACK"));
      session_->Fail(text);
    }
    if (inReadOnlyTransaction) session_->Run("COMMIT");
    if (PQresultStatus(r.get()) == PGRES_TUPLES_OK) {
      Describe(r.get());
      StoreResult(r.get());
    } else {
      const char* count = PQcmdTuples(r.get());
      rowsAffected_ = *count ? QByteArray(count).toLongLong() : 0;
    }
  }

  void Describe(const PGresult* r) {
    const int n = PQnfields(r);
    const std::map<std::pair<Oid, int>, bool> serial = SerialColumns(r);
    std::vector<PgRead> reads;
    for (int i = 0; i < n; ++i) {
      const auto key = std::make_pair(PQftable(r, i), PQftablecol(r, i));
      const auto found = serial.find(key);
      const PgColumnType column = DescribePgColumn(QString::fromUtf8(PQfname(r, i)), PQftype(r, i), PQfmod(r, i),
                                                   found != serial.end() && found->second);
      columns_.push_back(column.description);
      reads.push_back(column.read);
    }
    encoder_ = std::make_unique<PgRowEncoder>(std::move(reads));
  }

  // Which integer columns of the result are a table's serial or identity
  // column (not null, numbered by a sequence), as the ODBC driver reports
  // them as auto-incrementing.
  std::map<std::pair<Oid, int>, bool> SerialColumns(const PGresult* r) {
    std::map<std::pair<Oid, int>, bool> serial;
    QByteArray pairs;
    for (int i = 0; i < PQnfields(r); ++i) {
      if (!PgTypeCanBeSerial(PQftype(r, i)) || PQftable(r, i) == InvalidOid || PQftablecol(r, i) <= 0) continue;
      if (!pairs.isEmpty()) pairs += ',';
      pairs += '(' + QByteArray::number(PQftable(r, i)) + ',' + QByteArray::number(PQftablecol(r, i)) + ')';
    }
    if (pairs.isEmpty()) return serial;
    const QByteArray sql =
        "select a.attrelid, a.attnum, a.attidentity <> '' or (a.attnotnull and"
        " coalesce(pg_catalog.pg_get_expr(d.adbin, d.adrelid) like 'nextval(%', false))"
        " from pg_catalog.pg_attribute a left join pg_catalog.pg_attrdef d"
        " on d.adrelid = a.attrelid and d.adnum = a.attnum"
        " where (a.attrelid, a.attnum) in (values " + pairs + ")";
    const Result found = session_->Run(sql.constData());
    for (int row = 0; row < PQntuples(found.get()); ++row)
      serial[{static_cast<Oid>(std::strtoul(PQgetvalue(found.get(), row, 0), nullptr, 10)),
              std::atoi(PQgetvalue(found.get(), row, 1))}] = PQgetvalue(found.get(), row, 2)[0] == 't';
    return serial;
  }

  std::shared_ptr<PgSession> session_;
  QByteArray sql_;
  StatementAccess access_;
  QByteArray cursor_;
  std::unique_ptr<PgRowEncoder> encoder_;
  bool started_ = false;
  qint64 rowsAffected_ = -1;
  qint64 unrepresentable_ = 0;
};

void PgSession::Yield() {
  if (streaming) streaming->Abandon();
}

std::unique_ptr<BackendStatement> PgConnection::Prepare(const QString& sql, StatementAccess access) {
  if (!HoldsOneStatement(sql)) throw EDatabaseError(MultipleStatementsMessage());
  return std::make_unique<PgStatement>(session_, sql, access);
}
