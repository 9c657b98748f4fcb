// bench-xls DB STATEMENT OUT.xls: runs the statement and writes its result
// with the program's own XLS writer. Prints the milliseconds (statement and
// file together, as sqlite3 -csv does both).
#include "bench_query.h"
#include "main/application.h"
#include "ui/xls_save.h"

#include <QElapsedTimer>
#include <QFile>
#include <cstdio>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  TApplication app(argc, argv);
  if (argc < 4) {
    std::fprintf(stderr, "usage: bench-xls DB STATEMENT OUT.xls\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[3]);
  QFile::remove(out);
  BenchQuery bench(argv[1], argv[2]);
  TQuery& query = bench.query;

  QElapsedTimer timer;
  timer.start();
  query.Open();
  QueryToXLS(query, out);
  std::printf("%lld ms, %lld bytes\n", static_cast<long long>(timer.elapsed()),
              static_cast<long long>(QFile(out).size()));
  return 0;
}
