// A MariaDB or MySQL statement: its run, its columns, and its rows streamed
// from the server by a thread while the program works on those it has.
#include "database/mariadb/mariadb_backend.h"
#include "database/mariadb/mariadb_session.h"

#include "database/failure.h"
#include "database/mariadb/mariadb_statement_text.h"
#include "database/mariadb/mariadb_types.h"
#include "database/read_ahead.h"
#include "database/streamed_statement.h"

#include <atomic>
#include <deque>
#include <errmsg.h>

namespace {

// Rows a block holds at most, whatever their size: as many as a cursor's
// block of PostgreSQL (measured: 50,000 took 15-20 MiB more in a run into a
// file, and no less time).
constexpr std::size_t kMostBlockRows = 10000;

// The rows of a result streaming from the server, read on the reading
// thread. The result is freed there when its end has come.
struct MariaDbRows {
  MariaDbRows(MYSQL* mysql, MYSQL_RES* result, std::vector<MySqlRead> reads)
      : mysql(mysql), result(result), reads(std::move(reads)) {}
  MYSQL* mysql;
  MYSQL_RES* result;
  std::vector<MySqlRead> reads;
  std::atomic<bool> ended = false;  // the result was read to its end (or failed) and freed

  ReadAhead::Block Next(std::size_t blockBytes) {
    ReadAhead::Block block;
    block.last = false;
    const unsigned columns = static_cast<unsigned>(reads.size());
    for (std::size_t rows = 0; rows < kMostBlockRows && block.rows.Bytes() < blockBytes; ++rows) {
      MYSQL_ROW row = mysql_fetch_row(result);
      if (!row) {
        if (mysql_errno(mysql) != 0) {
          block.failure = QString::fromUtf8(mysql_error(mysql));
          block.failureCode = mysql_errno(mysql);
        }
        End();
        block.last = true;
        return block;
      }
      const unsigned long* lengths = mysql_fetch_lengths(result);
      for (unsigned i = 0; i < columns; ++i) {
        if (!row[i]) block.rows.AddNull();
        else StoreMySqlValue(reads[i], row[i], lengths[i], block.rows, block.serverText);
      }
      block.rows.EndRow();
    }
    return block;
  }
  // Frees the result; what the server has not sent yet is read and dropped.
  void End() {
    if (ended) return;
    mysql_free_result(result);
    ended = true;
  }
};

}  // namespace

class MariaDbStatement : public StreamedStatement {
public:
  MariaDbStatement(std::shared_ptr<MariaDbSession> session, const QString& sql, StatementAccess access)
      : session_(std::move(session)), sql_(sql.toUtf8()), access_(access) {}
  ~MariaDbStatement() override {
    if (session_->streaming == this) Abandon();
  }

  QStringList ParameterNames() const override { return {}; }

  void Execute() override {
    session_->Yield();
    columns_.clear();
    ClearRows();
    serverText_ = 0;
    started_ = false;
    rowsAffected_ = -1;
    MYSQL* mysql = session_->mysql;
    if (session_->cancelled) session_->Fail(1317, QStringLiteral("Query execution was interrupted"));
    session_->Enter(access_);
    started_ = true;
    if (mysql_real_query(mysql, sql_.constData(), static_cast<unsigned long>(sql_.size())) != 0) {
      // Gone before the statement left: it never ran and may run again on
      // a new connection.
      if (mysql_errno(mysql) == CR_SERVER_GONE_ERROR) started_ = false;
      session_->Fail();
    }
    if (mysql_field_count(mysql) == 0) {
      rowsAffected_ = static_cast<qint64>(mysql_affected_rows(mysql));
      return;
    }
    MYSQL_RES* result = mysql_use_result(mysql);
    if (!result) session_->Fail();
    std::vector<MySqlRead> reads;
    const unsigned count = mysql_num_fields(result);
    const MYSQL_FIELD* fields = mysql_fetch_fields(result);
    for (unsigned i = 0; i < count; ++i) {
      const MariaDbColumnType column = DescribeMariaDbColumn(fields[i]);
      columns_.push_back(column.description);
      reads.push_back(column.read);
    }
    rows_ = std::make_shared<MariaDbRows>(mysql, result, std::move(reads));
    session_->streaming = this;
    // The first rows read here, a small block so that they come soon; the
    // rest, stored, while the program works on these.
    TakeBlock(rows_->Next(64 << 10));
    if (session_->streaming == this) {
      auto rows = rows_;
      reader_ = std::make_unique<ReadAhead>([rows] { return rows->Next(kReadAheadBlockBytes); }, nullptr,
                                            EngineStop{.stop = [s = session_] { s->KillQuery(false); },
                                                       .sever = [s = session_] { s->Sever(); }});
    }
  }

  qint64 RowsAffected() const override { return rowsAffected_; }
  qint64 ServerTextValues() const override { return serverText_; }
  bool Started() const override { return started_; }
  void EndResult() override {
    if (session_->streaming == this) Abandon();
    ClearRows();
  }

  // Another statement needs the connection: the rest of the result is lost
  // (the server stops sending it). What was read already is kept.
  void Abandon() {
    // Unless the server took the kill, what it has not sent yet would be
    // waited for: the connection is cut instead (and made again later).
    if (!rows_->ended && !session_->KillQuery(true)) session_->Sever();
    bool whole = rows_->ended;
    if (reader_) {
      for (ReadAhead::Block& block : reader_->Stop()) {
        whole = whole && block.failure.isEmpty();
        if (block.failureCode == 1317) block.failure.clear();  // our own stop
        kept_.push_back(std::move(block));
      }
      reader_.reset();
    }
    rows_->End();
    // A result the kill cut short was not read whole, whatever it said.
    abandoned_ = !whole;
    session_->streaming = nullptr;
  }

private:
  bool Streaming() const override { return session_->streaming == this; }
  void NextBlock() override { TakeBlock(reader_->Next()); }

  void TakeKept(ReadAhead::Block&& block) override {
    if (!block.failure.isEmpty()) session_->Fail(block.failureCode, block.failure);
    serverText_ += block.serverText;
    ready_.Take(std::move(block.rows));
  }

  void TakeBlock(ReadAhead::Block&& block) {
    if (block.last) {
      reader_.reset();
      session_->streaming = nullptr;
    }
    if (!block.failure.isEmpty()) session_->Fail(block.failureCode, block.failure);
    serverText_ += block.serverText;
    ready_.Take(std::move(block.rows));
  }

  std::shared_ptr<MariaDbSession> session_;
  QByteArray sql_;
  StatementAccess access_;
  std::shared_ptr<MariaDbRows> rows_;
  bool started_ = false;
  qint64 rowsAffected_ = -1;
  qint64 serverText_ = 0;
};

void MariaDbSession::Yield() {
  if (streaming) streaming->Abandon();
}

std::unique_ptr<BackendStatement> MariaDbConnection::Prepare(const QString& sql, StatementAccess access) {
  if (const QString refusal = MariaDbStatementRefusal(sql, access == StatementAccess::ReadOnly); !refusal.isEmpty())
    throw EDatabaseError(refusal);
  return std::make_unique<MariaDbStatement>(session_, sql, access);
}
