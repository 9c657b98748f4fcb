#include "database/postgres/pg_block_reader.h"

namespace {
// Blocks held ready: one in use by the program, one arriving.
constexpr std::size_t kBlocksAhead = 2;
}  // namespace

PgBlockReader::PgBlockReader(PGconn* conn, QByteArray fetch, int blockRows)
    : conn_(conn), fetch_(std::move(fetch)), blockRows_(blockRows), thread_([this] { Run(); }) {}

PgBlockReader::~PgBlockReader() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void PgBlockReader::Run() {
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return stop_ || ready_.size() < kBlocksAhead; });
      if (stop_) break;
    }
    Block block;
    block.rows.reset(PQexec(conn_, fetch_.constData()));
    const bool ok = block.rows && PQresultStatus(block.rows.get()) == PGRES_TUPLES_OK;
    if (!ok) {
      block.failure = QString::fromUtf8(block.rows ? PQresultErrorMessage(block.rows.get()) : PQerrorMessage(conn_))
                          .trimmed();
      block.rows.reset();
    }
    const bool last = !ok || PQntuples(block.rows.get()) < blockRows_;
    std::lock_guard lock(mutex_);
    ready_.push_back(std::move(block));
    if (last) break;
    changed_.notify_all();
  }
  std::lock_guard lock(mutex_);
  finished_ = true;
  changed_.notify_all();
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
