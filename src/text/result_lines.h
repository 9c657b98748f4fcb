#pragma once
// The lines of an open query's result, from its first row to its end,
// written on a thread of their own (RowLinesThread) while this thread
// fetches the rows and hands the lines written to the sink.
#include "text/row_lines_thread.h"

#include <QElapsedTimer>

class ResultLines {
public:
  // Starts the writing thread with the header.
  ResultLines(TQuery& query, const RowRunOptions& options, LineSink& sink);
  // Gives the rows fetched since the last call to the thread, and the lines
  // written meanwhile to the sink. `progress` is told the rows rendered. For a result that keeps its first rows
  // only, it waits for the lines of every row given and moves the current
  // record past them, so that the next fetch may let them go; false when
  // `progress` asked to stop meanwhile.
  bool WriteArrived(const RowProgress& progress);
  // After the last row was fetched: the lines of every row left; the query
  // is then past its last record (Eof).
  RowRunReport Finish(const RowProgress& progress);
  // Ends the run now: the lines of the rows under way reach the sink, whole,
  // the others are not written; the query stays on the first row not
  // written.
  RowRunReport Stopped();
  // The result ended early (the engine failed): the lines of every row
  // fetched before it reach the sink.
  RowRunReport EndedEarly();
  // Rows whose lines have reached the sink.
  qint64 Written() const { return written_; }
  // Rows whose lines are written, on their way to the sink: what the
  // progress function is told.
  qint64 Rendered() const { return thread_.Written(); }

private:
  void GiveFetched();
  // Hands the lines written to the sink, waiting up to `waitMs` for some
  // (or for every row given to be written);
  // throws std::bad_alloc once when the thread ran out of memory.
  void TakeLines(int waitMs, bool orAllWritten = false);
  // Waits until the thread is done, handing its lines on; false when
  // `progress` asked to stop meanwhile.
  bool WaitForThread(const RowProgress& progress, bool allGiven);
  RowRunReport Report(bool stopped);

  TQuery& query_;
  LineSink& sink_;
  RowLinesThread thread_;
  qint64 given_ = 0;
  qint64 written_ = 0;
  bool outOfMemoryTold_ = false;
  QElapsedTimer sinceProgress_;
};
