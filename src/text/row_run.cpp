#include "text/row_run.h"

#include "database/query.h"

#include <QElapsedTimer>

RowRunReport RenderRows(TQuery& query, const RowRunOptions& options, LineSink& sink, const RowProgress& progress) {
  const RowRenderer renderer(query, options.row);
  QString insertPrefix;
  if (options.columnNames) {
    const QString header = HeaderText(query, options.row);
    if (options.insertMode)
      insertPrefix = options.insertInto + QLatin1Char(' ') + header + QLatin1Char(' ') + options.values +
                     QLatin1Char(' ');
    else
      sink.AddLine(header);
  }

  // Every row the result holds, whatever a count said.
  QElapsedTimer sinceProgress;
  sinceProgress.start();
  RowRunReport report;
  qint64& row = report.rows;
  while (!query.Eof()) {
    if ((row & 1023) == 0 && sinceProgress.elapsed() >= 50) {
      if (!progress(row)) {
        report.stopped = true;
        break;
      }
      sinceProgress.restart();
    }
    ++row;
    QString& line = sink.BeginLine();
    if (options.insertMode) line += insertPrefix;
    renderer.AppendRowLine(line);
    sink.EndLine();
    if (options.insertMode && row % 3000 == 0) sink.AddLine(QStringLiteral("go"));
    query.Next();
  }
  if (!report.stopped) progress(row);
  report.invalidTextValues = renderer.InvalidTextValues();
  report.unrepresentableValues = query.UnrepresentableValues();
  return report;
}
