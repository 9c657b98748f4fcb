#pragma once
// Fetches the blocks of an open cursor on a thread of its own, a block or
// two ahead of the program, so that the server's work and the library's
// parsing overlap the program's own. While it runs, nothing else may use
// the connection.
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
  // `fetch` is the FETCH statement; a block shorter than `blockRows` is the last.
  PgBlockReader(PGconn* conn, QByteArray fetch, int blockRows);
  // Stops after the FETCH under way and waits for the thread.
  ~PgBlockReader();

  struct Block {
    PgResult rows;   // null at the end of the result, and on failure
    QString failure; // the server's or the library's text when a FETCH failed
  };
  // The next block, waiting for it.
  Block Next();

private:
  void Run();

  PGconn* conn_;
  QByteArray fetch_;
  int blockRows_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Block> ready_;
  bool stop_ = false;
  bool finished_ = false;
  std::thread thread_;
};
