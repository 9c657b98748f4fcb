#pragma once
// The row lines of a result written on a thread of their own, from the
// stored rows, while the program fetches the next rows and shows the lines
// written: on two cores the lines no longer wait for the fetching, nor the
// fetching for the lines.
#include "database/row_store.h"
#include "text/row_run.h"

#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class RowLinesThread {
public:
  // Whole lines joined by LF (no break at the end), and the rows among
  // them (the header and the "go" lines are no rows).
  struct Lines {
    QString text;
    qint64 rows = 0;
  };
  // Starts the thread; the header (if any) is its first line. The query's
  // columns are read here, never later.
  RowLinesThread(const TQuery& query, const RowRunOptions& options);
  // Stops as Stop does and waits for the thread.
  ~RowLinesThread();
  RowLinesThread(const RowLinesThread&) = delete;
  RowLinesThread& operator=(const RowLinesThread&) = delete;

  // Rows to write after those given before. They must stay where they are
  // until written (Waiting() tells how many are not yet).
  void Add(std::vector<StoredRow> rows);
  // No more rows follow: the last lines are handed over once written.
  void EndOfRows();
  // Ends the writing after the row under way; the rows not written are
  // dropped, the lines written are handed over whole.
  void Stop();
  // The lines written since the last call, in order; waits up to `waitMs`
  // for some when there are none yet (or, with `orAllWritten`, until every
  // row given is written).
  std::vector<Lines> Take(int waitMs = 0, bool orAllWritten = false);
  // Every row written and every line taken (after EndOfRows or Stop).
  bool Done() const;
  // Rows given and not written yet.
  qint64 Waiting() const { return given_ - Written(); }
  // Rows written so far (their lines may not have been taken yet).
  qint64 Written() const { return written_.load(std::memory_order_acquire); }
  // Whether the thread ran out of memory (it then stopped as Stop does).
  bool OutOfMemory() const { return outOfMemory_.load(std::memory_order_acquire); }
  // Once Done: the counts the lines give (their rows, the values written
  // otherwise than they are).
  void AddCounts(RowRunReport& report) const { writer_.AddCounts(report); }

private:
  class Queue;
  void Run();
  void WriteGivenRows();
  void Hand(QString& text);

  RowLineWriter writer_;
  std::size_t columns_;
  std::unique_ptr<Queue> sink_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<StoredRow> rows_;  // given, not taken by the thread yet
  std::deque<Lines> lines_;      // written, not taken by the program yet
  qint64 given_ = 0;
  qint64 rowsHanded_ = 0;        // rows in the lines handed over
  std::atomic<qint64> written_{0};
  std::atomic<bool> stop_{false};
  std::atomic<bool> outOfMemory_{false};
  bool ended_ = false;
  bool finished_ = false;
  std::thread thread_;
};
