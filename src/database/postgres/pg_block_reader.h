#pragma once
// Fetches the blocks of an open cursor on a thread of its own and stores
// their rows, a block or two ahead of the program, so that the server's
// work, the library's parsing and the storing overlap the program's own.
// While it runs, nothing else may use the connection.
#include "database/postgres/pg_row_encoder.h"
#include "database/row_store.h"

#include <QString>
#include <condition_variable>
#include <deque>
#include <libpq-fe.h>
#include <memory>
#include <mutex>
#include <thread>

struct PgResultDeleter {
  void operator()(PGresult* r) const { PQclear(r); }
};
using PgResult = std::unique_ptr<PGresult, PgResultDeleter>;

class PgBlockReader {
public:
  // `fetch` is the FETCH statement; a block shorter than `blockRows` is the
  // last. `encoder` must outlive the reader.
  PgBlockReader(PGconn* conn, QByteArray fetch, int blockRows, const PgRowEncoder& encoder);
  // Stops after the FETCH under way and waits for the thread.
  ~PgBlockReader();

  struct Block {
    RowStore rows;
    qint64 unrepresentable = 0;  // values stored as null
    bool last = true;            // the end of the result
    QString failure;             // the server's or the library's text when a FETCH failed
  };
  // The next block, waiting for it; after the last one, an empty last block.
  Block Next();

private:
  void Run();
  bool Stopping();

  PGconn* conn_;
  QByteArray fetch_;
  int blockRows_;
  const PgRowEncoder& encoder_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Block> ready_;
  bool stop_ = false;
  bool finished_ = false;
  std::thread thread_;
};
