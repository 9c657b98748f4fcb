#pragma once
// Stores the rows of a result on a thread of its own, a few blocks ahead of
// the program, so that the engine's work overlaps the program's: the window
// writes lines while the next rows are read. While it runs, the thread owns
// the connection; nothing else may use it until the read-ahead has ended.
#include "database/engine_wait.h"
#include "database/row_store.h"

#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// About how much a block of rows read ahead may take: with a few blocks
// held ready, wide rows (long texts, pictures) keep the memory bounded.
inline constexpr std::size_t kReadAheadBlockBytes = 4 << 20;

class ReadAhead {
public:
  struct Block {
    // A block's rows are taken over whole by the program's store: small
    // chunks, so that little memory is left empty behind each block.
    RowStore rows{256 << 10};
    qint64 unrepresentable = 0;  // values stored as null
    qint64 serverText = 0;       // values kept as the server's text (see ServerTextValues)
    bool last = true;            // the end of the result
    QString failure;             // the engine's text when reading failed
    unsigned failureCode = 0;    // and its number for it, where it has one
  };
  // `produce` reads and stores the next block, on the thread; it is called
  // until it gives the last block or a failure. `finish` runs on the thread
  // when it ends, however it ends. `engine` stops the engine call the thread
  // may be inside when the program must not wait for it (a server that
  // stopped answering).
  explicit ReadAhead(std::function<Block()> produce, std::function<void()> finish = {}, EngineStop engine = {});
  // Stops after the block under way and waits for the thread.
  ~ReadAhead();

  // The next block, waiting for it; after the last one, an empty last block.
  Block Next();
  // Whether Next would not wait.
  bool Ready() const;
  // Stops after the block under way, waits for the thread and gives the
  // blocks stored but not taken yet, so that nothing read is lost.
  std::deque<Block> Stop();

private:
  void Run();

  std::function<Block()> produce_;
  std::function<void()> finish_;
  EngineStop engine_;
  mutable std::mutex mutex_;
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

// The statement of a connection that has a thread reading its rows: anything
// else that uses the connection stops that thread first.
class ReadingStatement {
public:
  virtual ~ReadingStatement() = default;
  // Stops the thread; what it read is kept for later.
  virtual void StopReading() = 0;
};

struct ConnectionReading {
  ReadingStatement* streaming = nullptr;
  void Pause() {
    if (streaming) streaming->StopReading();
  }
};

// A statement's rows for engines whose statements go on where they were
// when the thread stops (SQLite, ODBC): many rows are read ahead by a
// thread, a few on the spot.
class RowsAhead : public ReadingStatement {
public:
  enum class Stored { Row, End, Failed };
  // Stores the next row of the result in the store given; on the thread or
  // on the spot, never both at once. Sets the engine's text when it fails.
  using StoreNext = std::function<Stored(RowStore& into, QString& failure)>;

  RowsAhead(ConnectionReading& reading, StoreNext storeNext, int blockRows, EngineStop engine = {});
  ~RowsAhead() override;

  // A new run of the statement: what was read before is dropped. Call
  // before the statement runs again.
  void Restart();
  // The next row, read on the spot if none was read ahead; false at the
  // end. Throws EDatabaseError with the engine's text.
  bool FetchRow(RowStore& into, std::size_t columns);
  // About `atMost` rows (a whole block when one is ready); 0 at the end.
  qint64 FetchRows(RowStore& into, qint64 atMost, std::size_t columns);
  // Whether FetchRows would hand over rows or tell the end without reading.
  bool RowsReady() const;
  void StopReading() override;

private:
  bool TakeReady();
  void StartReading();

  ConnectionReading& reading_;
  StoreNext storeNext_;
  int blockRows_;
  EngineStop engine_;
  std::unique_ptr<ReadAhead> reader_;
  std::deque<ReadAhead::Block> read_;  // blocks the thread read before it stopped
  ReadyRows ready_;
  bool atEnd_ = false;  // the engine has no more rows to give
};
