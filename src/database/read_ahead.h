#pragma once
// Stores the rows of a result on a thread of its own, a few blocks ahead of
// the program, so that the engine's work overlaps the program's: the window
// writes lines while the next rows are read. While it runs, the thread owns
// the connection; nothing else may use it until the read-ahead has ended.
#include "database/row_store.h"

#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class ReadAhead {
public:
  struct Block {
    RowStore rows;
    qint64 unrepresentable = 0;  // values stored as null
    bool last = true;            // the end of the result
    QString failure;             // the engine's text when reading failed
  };
  // `produce` reads and stores the next block, on the thread; it is called
  // until it gives the last block or a failure. `finish` runs on the thread
  // when it ends, however it ends.
  explicit ReadAhead(std::function<Block()> produce, std::function<void()> finish = {});
  // Stops after the block under way and waits for the thread.
  ~ReadAhead();

  // The next block, waiting for it; after the last one, an empty last block.
  Block Next();
  // Stops after the block under way, waits for the thread and gives the
  // blocks stored but not taken yet, so that nothing read is lost.
  std::deque<Block> Stop();

private:
  void Run();

  std::function<Block()> produce_;
  std::function<void()> finish_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Block> ready_;
  bool stop_ = false;
  bool finished_ = false;
  std::thread thread_;
};

// Rows read ahead and not handed over yet, and how they are handed over:
// a whole block without copying when it is taken from its start, else row
// by row.
class ReadyRows {
public:
  void Take(RowStore&& block) {
    rows_ = std::move(block);
    next_ = 0;
  }
  void Clear() { Take(RowStore()); }
  bool Empty() const { return next_ >= rows_.Count(); }
  // Copies the next row (of `columns` values) to `into`.
  void HandOne(RowStore& into, std::size_t columns);
  // Hands over the rest, or at most `atMost` rows when part was handed over
  // already; the number handed over.
  qint64 Hand(RowStore& into, qint64 atMost, std::size_t columns);

private:
  RowStore rows_;
  qint64 next_ = 0;
};
