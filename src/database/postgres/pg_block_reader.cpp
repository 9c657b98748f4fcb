#include "database/postgres/pg_block_reader.h"

namespace {
// Blocks held ready while the program writes the rows it has: enough that
// the reader seldom waits, a few megabytes at most.
constexpr std::size_t kBlocksAhead = 4;
}  // namespace

PgBlockReader::PgBlockReader(PGconn* conn, QByteArray fetch, int blockRows, const PgRowEncoder& encoder)
    : conn_(conn), fetch_(std::move(fetch)), blockRows_(blockRows), encoder_(encoder), thread_([this] { Run(); }) {}

PgBlockReader::~PgBlockReader() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

namespace {
// The result of the statement sent last: the first result, the rest read
// and dropped so that the connection is free again.
PgResult TakeResult(PGconn* conn) {
  PgResult first(PQgetResult(conn));
  if (first)
    while (PGresult* more = PQgetResult(conn)) PQclear(more);
  return first;
}
}  // namespace

void PgBlockReader::Run() {
  // The next block is always asked for before this one is stored, so that
  // the server works on it meanwhile.
  bool asked = PQsendQuery(conn_, fetch_.constData()) == 1;
  for (;;) {
    Block block;
    if (!asked) {
      block.failure = QString::fromUtf8(PQerrorMessage(conn_)).trimmed();
    } else {
      const PgResult rows = TakeResult(conn_);
      asked = false;
      if (!rows || PQresultStatus(rows.get()) != PGRES_TUPLES_OK) {
        block.failure = QString::fromUtf8(rows ? PQresultErrorMessage(rows.get()) : PQerrorMessage(conn_)).trimmed();
      } else {
        block.last = PQntuples(rows.get()) < blockRows_;
        if (!block.last && !Stopping()) asked = PQsendQuery(conn_, fetch_.constData()) == 1;
        if (!encoder_.Encode(rows.get(), block.rows, block.unrepresentable))
          block.failure = QStringLiteral("記憶體不足");
      }
    }
    const bool last = block.last || !block.failure.isEmpty();
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return stop_ || ready_.size() < kBlocksAhead; });
      if (stop_) break;
      ready_.push_back(std::move(block));
      changed_.notify_all();
    }
    if (last) break;
  }
  if (asked) TakeResult(conn_);  // stopped with a block on its way
  std::lock_guard lock(mutex_);
  finished_ = true;
  changed_.notify_all();
}

bool PgBlockReader::Stopping() {
  std::lock_guard lock(mutex_);
  return stop_;
}

PgBlockReader::Block PgBlockReader::Next() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !ready_.empty() || finished_; });
  if (ready_.empty()) return {};
  Block block = std::move(ready_.front());
  ready_.pop_front();
  changed_.notify_all();
  return block;
}
