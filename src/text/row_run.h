#pragma once
// The row loop of a query run: the header or insert prefix, then one line
// per row of the open result. The window hands it a sink for the lines and
// a function that shows progress.
#include "text/row_text.h"

#include <QElapsedTimer>
#include <QString>
#include <functional>

class TQuery;

// Where the lines go.
class LineSink {
public:
  virtual ~LineSink() = default;
  // The buffer to append the next line to (the break before it already added).
  virtual QString& BeginLine() = 0;
  // After each line.
  virtual void EndLine() = 0;
  void AddLine(const QString& line) {
    BeginLine() += line;
    EndLine();
  }
};

struct RowRunOptions {
  RowOptions row;
  bool columnNames = false;  // the header line, or the insert prefix in insert mode
  bool insertMode = false;   // every row an insert statement, "go" after every batchRows-th
  QString insertInto;        // in front of the header in the insert prefix
  QString values;            // after it
  int batchRows = 3000;      // 0: no "go" line between the rows
};

struct RowRunReport {
  qint64 rows = 0;                   // rows written, each a whole line
  bool stopped = false;              // the progress function asked to stop
  qint64 invalidTextValues = 0;      // text with bytes that are no UTF-8 (shown as U+FFFD)
  qint64 unrepresentableValues = 0;  // values the engine gave as no value (shown as null)
  qint64 serverTextValues = 0;       // dates and times written as the server's text
  qint64 splitBatchValues = 0;       // line breaks written as char(13)/char(10) (a "go" line inside)
  qint64 valuesLikeNull = 0;         // delimited values written exactly as the null text
};

// Called with the number of rows written so far, now and then (about every
// 50 ms) and once at the end; false stops the run before the next row.
using RowProgress = std::function<bool(qint64 rowsWritten)>;

// Writes the header (a line, or in insert mode the prefix of every row) and a
// line for every row from the query's current one to the end of the result,
// with a "go" line after every 3000th row in insert mode. The lines that
// open and close an insert-mode output are the caller's. A stopped run has
// written whole lines only; the query stays on the first row not written.
RowRunReport RenderRows(TQuery& query, const RowRunOptions& options, LineSink& sink, const RowProgress& progress);

// The same run in steps, so that rows can be written while the rest of the
// result is still arriving (an engine that reads ahead on a thread of its
// own keeps reading meanwhile).
class RowRun {
public:
  // Writes the header.
  RowRun(TQuery& query, const RowRunOptions& options, LineSink& sink);
  // Writes the rows already in the query's store, short of the last one
  // (moving past it would wait for the engine); false when `progress`
  // asked to stop.
  bool WriteArrived(const RowProgress& progress);
  // Writes every row left, to the end of the result.
  RowRunReport Finish(const RowProgress& progress);
  // What a run stopped before Finish wrote.
  RowRunReport Stopped() const;
  qint64 Written() const { return rows_; }

private:
  bool WriteRows(const RowProgress& progress, bool arrivedOnly);
  RowRunReport Report(bool stopped) const;
  TQuery& query_;
  const RowRunOptions& options_;
  LineSink& sink_;
  RowRenderer renderer_;
  QString insertPrefix_;
  qint64 rows_ = 0;
  QElapsedTimer sinceProgress_;
};
