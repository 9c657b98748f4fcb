#include "text/result_lines.h"

#include "database/query.h"

namespace {
// How long a wait for the thread's lines lasts before progress is told.
constexpr int kWaitSliceMs = 20;
constexpr qint64 kProgressEveryMs = 50;
}  // namespace

ResultLines::ResultLines(TQuery& query, const RowRunOptions& options, LineSink& sink)
    : query_(query), sink_(sink), thread_(query, options) {
  sinceProgress_.start();
}

void ResultLines::GiveFetched() {
  const qint64 fetched = query_.FetchedCount();
  if (fetched <= given_) return;
  std::vector<StoredRow> rows;
  rows.reserve(static_cast<std::size_t>(fetched - given_));
  query_.StoredRows(given_, fetched, rows);
  thread_.Add(std::move(rows));
  given_ = fetched;
}

void ResultLines::TakeLines(int waitMs, bool orAllWritten) {
  for (RowLinesThread::Lines& lines : thread_.Take(waitMs, orAllWritten)) {
    sink_.AddLines(lines.text);
    written_ += lines.rows;
  }
  // Told once: the caller stops the run as on any lack of memory.
  if (thread_.OutOfMemory() && !outOfMemoryTold_) {
    outOfMemoryTold_ = true;
    throw std::bad_alloc();
  }
}

bool ResultLines::WaitForThread(const RowProgress& progress, bool allGiven) {
  while (allGiven ? !thread_.Done() : thread_.Waiting() > 0) {
    TakeLines(kWaitSliceMs, !allGiven);
    if (sinceProgress_.elapsed() >= kProgressEveryMs) {
      if (!progress(Rendered())) return false;
      sinceProgress_.restart();
    }
  }
  TakeLines(0);
  return true;
}

bool ResultLines::WriteArrived(const RowProgress& progress) {
  GiveFetched();
  TakeLines(0);
  if (query_.KeepsEveryRow() || given_ == 0) return true;
  if (!WaitForThread(progress, false)) return false;
  query_.MoveTo(given_ - 1);
  return true;
}

RowRunReport ResultLines::Finish(const RowProgress& progress) {
  GiveFetched();
  thread_.EndOfRows();
  if (!WaitForThread(progress, true)) return Stopped();
  progress(written_);
  return Report(false);
}

RowRunReport ResultLines::Stopped() {
  thread_.Stop();
  WaitForThread([](qint64) { return true; }, true);
  return Report(true);
}

RowRunReport ResultLines::EndedEarly() {
  GiveFetched();
  thread_.EndOfRows();
  WaitForThread([](qint64) { return true; }, true);
  return Report(false);
}

RowRunReport ResultLines::Report(bool stopped) {
  RowRunReport report;
  thread_.AddCounts(report);
  report.rows = written_;
  report.stopped = stopped;
  report.unrepresentableValues = query_.UnrepresentableValues();
  report.serverTextValues = query_.ServerTextValues();
  if (query_.Active()) query_.PlaceAfter(written_);
  return report;
}
