#pragma once
// The row loop of a query run: the header or insert prefix, then one line
// per row of the open result. The window hands it a sink for the lines and
// a function that shows progress.
#include "text/row_text.h"

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
  bool insertMode = false;   // every row an insert statement, "go" after every 3000th
  QString insertInto;        // in front of the header in the insert prefix
  QString values;            // after it
};

struct RowRunReport {
  qint64 rows = 0;                   // rows written, each a whole line
  bool stopped = false;              // the progress function asked to stop
  qint64 invalidTextValues = 0;      // text with bytes that are no UTF-8 (shown as U+FFFD)
  qint64 unrepresentableValues = 0;  // values the engine gave as no value (shown as null)
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
