#pragma once
// The lines of a query run: the header or insert prefix, then one line per
// row of the open result, into a sink (the output pane, a file); written in
// place (RenderRows) or on a thread of their own (ResultLines).
#include "text/row_text.h"

#include <QString>
#include <functional>
#include <vector>

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
  // Whole lines joined by LF (no break at the end), as one piece; a sink
  // may take the text over.
  virtual void AddLines(QString& lines) {
    BeginLine() += lines;
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

// The lines of one result: the header (a line, or in insert mode the prefix
// of every row), then a line for each row given, with a "go" line after
// every batchRows-th row in insert mode. The lines that open and close an
// insert-mode output are the caller's. It reads rows' values, not the
// query's fields, so that it may write on a thread of its own.
class RowLineWriter {
public:
  RowLineWriter(const TQuery& query, const RowRunOptions& options);
  void WriteHeader(LineSink& sink) const;
  // The row's line (and a "go" line after it where a batch ends); `values`
  // by store column.
  void WriteRow(LineSink& sink, const std::vector<CellValue>& values);
  qint64 Rows() const { return rows_; }
  // The counts of the report that the lines themselves give.
  void AddCounts(RowRunReport& report) const;

private:
  RowRunOptions options_;
  RowRenderer renderer_;
  QString header_;        // the column names, when asked for
  QString insertPrefix_;  // what goes in front of every row in insert mode
  qint64 rows_ = 0;
};

// Writes the header and a line for every row from the query's current one
// to the end of the result, on this thread. A stopped run has written whole
// lines only; the query stays on the first row not written.
RowRunReport RenderRows(TQuery& query, const RowRunOptions& options, LineSink& sink, const RowProgress& progress);
