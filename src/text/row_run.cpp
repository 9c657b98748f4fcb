#include "text/row_run.h"

#include "database/query.h"

#include <QElapsedTimer>

namespace {
RowOptions RowOptionsOf(const RowRunOptions& options) {
  RowOptions row = options.row;
  row.batchScript = options.insertMode;
  return row;
}
}  // namespace

RowLineWriter::RowLineWriter(const TQuery& query, const RowRunOptions& options)
    : options_(options), renderer_(query, RowOptionsOf(options)) {
  if (!options.columnNames) return;
  header_ = HeaderText(query, options.row);
  if (options.insertMode)
    insertPrefix_ = options.insertInto + QLatin1Char(' ') + header_ + QLatin1Char(' ') + options.values + QLatin1Char(' ');
}

void RowLineWriter::WriteHeader(LineSink& sink) const {
  if (options_.columnNames && !options_.insertMode) sink.AddLine(header_);
}

void RowLineWriter::WriteRow(LineSink& sink, const std::vector<CellValue>& values) {
  ++rows_;
  QString& line = sink.BeginLine();
  if (options_.insertMode) line += insertPrefix_;
  renderer_.AppendRowLine(line, values);
  // A target server's command-line client ends a statement at ";".
  if (options_.insertMode && options_.row.target != LiteralTarget::AsIs) line += QLatin1Char(';');
  sink.EndLine();
  if (options_.insertMode && options_.batchRows > 0 && rows_ % options_.batchRows == 0)
    sink.AddLine(QStringLiteral("go"));
}

void RowLineWriter::AddCounts(RowRunReport& report) const {
  report.rows = rows_;
  report.invalidTextValues = renderer_.InvalidTextValues();
  report.splitBatchValues = renderer_.SplitBatchValues();
  report.valuesLikeNull = renderer_.ValuesLikeNull();
}

RowRunReport RenderRows(TQuery& query, const RowRunOptions& options, LineSink& sink, const RowProgress& progress) {
  RowLineWriter writer(query, options);
  writer.WriteHeader(sink);
  QElapsedTimer sinceProgress;
  sinceProgress.start();
  RowRunReport report;
  // Every row the result holds, whatever a count said.
  while (!query.Eof()) {
    if ((writer.Rows() & 1023) == 0 && sinceProgress.elapsed() >= 50) {
      if (!progress(writer.Rows())) {
        report.stopped = true;
        break;
      }
      sinceProgress.restart();
    }
    writer.WriteRow(sink, query.CurrentValues());
    query.Next();
  }
  if (!report.stopped) progress(writer.Rows());
  writer.AddCounts(report);
  report.unrepresentableValues = query.UnrepresentableValues();
  report.serverTextValues = query.ServerTextValues();
  return report;
}
