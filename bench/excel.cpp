// bench-excel DB STATEMENT OUT.xlsx: exports the statement's result through
// the spreadsheet application (LibreOffice Calc) and prints the wall time,
// the office's start included, and the cells per second.
#include "bench_query.h"
#include "main/application.h"
#include "ui/spreadsheet_export.h"

#include <QElapsedTimer>
#include <QFile>
#include <cstdio>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  TApplication app(argc, argv);
  if (argc < 4) {
    std::fprintf(stderr, "usage: bench-excel DB STATEMENT OUT.xlsx\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[3]);
  QFile::remove(out);
  BenchQuery bench(argv[1], argv[2]);
  TQuery& query = bench.query;
  query.Open();
  const qint64 cells = query.RecordCount() * query.FieldCount();

  QElapsedTimer timer;
  timer.start();
  ExportToSpreadsheet(query, out, QStringLiteral("BENCH"), nullptr);
  const qint64 ms = timer.elapsed();
  std::printf("%lld ms, %lld cells, %.0f cells/s, %lld bytes\n", static_cast<long long>(ms),
              static_cast<long long>(cells), cells * 1000.0 / std::max<qint64>(ms, 1),
              static_cast<long long>(QFile(out).size()));
  return QFile::exists(out) ? 0 : 1;
}
