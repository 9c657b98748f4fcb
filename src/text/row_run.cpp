#include "text/row_run.h"

#include "database/query.h"

namespace {
RowOptions RowOptionsOf(const RowRunOptions& options) {
  RowOptions row = options.row;
  row.batchScript = options.insertMode;
  return row;
}
}  // namespace

RowRun::RowRun(TQuery& query, const RowRunOptions& options, LineSink& sink)
    : query_(query), options_(options), sink_(sink), renderer_(query, RowOptionsOf(options)) {
  if (options.columnNames) {
    const QString header = HeaderText(query, options.row);
    if (options.insertMode)
      insertPrefix_ = options.insertInto + QLatin1Char(' ') + header + QLatin1Char(' ') + options.values +
                      QLatin1Char(' ');
    else
      sink.AddLine(header);
  }
  sinceProgress_.start();
}

bool RowRun::WriteRows(const RowProgress& progress, bool arrivedOnly) {
  // Every row the result holds, whatever a count said.
  while (!query_.Eof() && (!arrivedOnly || query_.RecNo() + 1 < query_.FetchedCount())) {
    if ((rows_ & 1023) == 0 && sinceProgress_.elapsed() >= 50) {
      if (!progress(rows_)) return false;
      sinceProgress_.restart();
    }
    ++rows_;
    QString& line = sink_.BeginLine();
    if (options_.insertMode) line += insertPrefix_;
    renderer_.AppendRowLine(line);
    // A target server's command-line client ends a statement at ";".
    if (options_.insertMode && options_.row.target != LiteralTarget::AsIs) line += QLatin1Char(';');
    sink_.EndLine();
    if (options_.insertMode && options_.batchRows > 0 && rows_ % options_.batchRows == 0)
      sink_.AddLine(QStringLiteral("go"));
    query_.Next();
  }
  return true;
}

bool RowRun::WriteArrived(const RowProgress& progress) { return WriteRows(progress, true); }

RowRunReport RowRun::Report(bool stopped) const {
  RowRunReport report;
  report.rows = rows_;
  report.stopped = stopped;
  report.invalidTextValues = renderer_.InvalidTextValues();
  report.unrepresentableValues = query_.UnrepresentableValues();
  report.serverTextValues = query_.ServerTextValues();
  report.splitBatchValues = renderer_.SplitBatchValues();
  report.valuesLikeNull = renderer_.ValuesLikeNull();
  return report;
}

RowRunReport RowRun::Stopped() const { return Report(true); }

RowRunReport RowRun::Finish(const RowProgress& progress) {
  if (!WriteRows(progress, false)) return Report(true);
  progress(rows_);
  return Report(false);
}

RowRunReport RenderRows(TQuery& query, const RowRunOptions& options, LineSink& sink, const RowProgress& progress) {
  RowRun run(query, options, sink);
  return run.Finish(progress);
}
