// Fetching the rows of an open query: from the engine, and for a result
// too large to hold, the first rows kept and the others passing through.
#include "database/query.h"

#include "database/backend.h"
#include "database/engine_wait.h"
#include "database/row_store.h"

#include <limits>

namespace {
// Kept rows of a result that keeps its first rows only stop at this size.
constexpr std::size_t kKeptRowsBytes = 16 << 20;
}  // namespace

qint64 TQuery::FetchMore(qint64 count) {
  CheckNotHeld();
  if (!active_ || allFetched_) return 0;
  qint64 fetched = 0;
  try {
    while (fetched < count) {
      const qint64 more = FetchBlock(count - fetched);
      if (more == 0) {
        allFetched_ = true;
        break;
      }
      fetched += more;
    }
  } catch (const EStopped&) {
    // The result ends where the stop found it; what was fetched stays.
    statement_->EndResult();
    allFetched_ = true;
    if (fetched) emit rowsFetched();
    throw;
  }
  if (fetched) emit rowsFetched();
  return fetched;
}

// Rows read ahead are taken at once; otherwise the engine is asked on a
// thread of its own, into a block that joins the store afterwards (the
// grid reads the store meanwhile).
qint64 TQuery::FetchFromEngine(RowStore& into, qint64 count) {
  if (statement_->RowsReady() || !HasEngineWaitHandler()) return statement_->FetchRows(into, count);
  RowStore block(64 << 10);
  qint64 more = 0;
  EngineCall([&] { more = statement_->FetchRows(block, count); });
  into.Append(std::move(block));
  return more;
}

qint64 TQuery::FetchBlock(qint64 count) {
  if (keepOnly_ < 0) return FetchFromEngine(*rows_, count);
  if (passingBase_ >= 0 || rows_->Count() >= keepOnly_ || rows_->Bytes() >= kKeptRowsBytes) return FetchPassing(count);
  // The engine may hand over a whole block read ahead: what goes past the
  // kept rows starts the passing ones.
  RowStore block(256 << 10);
  const qint64 more = FetchFromEngine(block, std::min(count, keepOnly_ - rows_->Count()));
  const qint64 room = keepOnly_ - rows_->Count();
  if (block.Count() <= room) {
    rows_->Append(std::move(block));
    return more;
  }
  for (qint64 row = 0; row < room; ++row) rows_->AddRowOf(block, row, fields_.size());
  passingBase_ = rows_->Count();
  for (qint64 row = room; row < block.Count(); ++row) passing_->AddRowOf(block, row, fields_.size());
  return more;
}

// The next rows of a result that keeps its first rows only: the passing
// rows the current record has not reached yet stay, the others go.
qint64 TQuery::FetchPassing(qint64 count) {
  if (passingBase_ < 0) passingBase_ = rows_->Count();
  const qint64 from = std::max(current_, passingBase_);
  // Nothing to let go (the current record has not moved since the last
  // block): the rows join the others.
  if (from == passingBase_) return FetchFromEngine(*passing_, count);
  auto next = std::make_unique<RowStore>(256 << 10);
  for (qint64 row = from; row < passingBase_ + passing_->Count(); ++row)
    next->AddRowOf(*passing_, row - passingBase_, fields_.size());
  passing_.reset();  // before the fetch, so that two blocks are never held
  passing_ = std::move(next);
  passingBase_ = from;
  return FetchFromEngine(*passing_, count);
}

void TQuery::EndAtKeptRows() {
  CheckNotHeld();
  if (!active_ || keepOnly_ < 0) return;
  if (!allFetched_) statement_->EndResult();
  allFetched_ = true;
  if (passingBase_ >= 0) rowsNotKept_ = passingBase_ + passing_->Count() - rows_->Count();
  passing_ = std::make_unique<RowStore>();
  passingBase_ = -1;
  keepOnly_ = -1;
  SetCurrent(std::min<qint64>(std::max<qint64>(current_, 0), rows_->Count() - 1));
  emit rowsFetched();
}

const RowStore* TQuery::StoreOf(qint64& row) const {
  if (row < 0) return nullptr;
  if (row < rows_->Count()) return rows_.get();
  if (passingBase_ < 0 || row < passingBase_ || row >= passingBase_ + passing_->Count()) return nullptr;
  row -= passingBase_;
  return passing_.get();
}

qint64 TQuery::StoredCount() const { return rows_->Count(); }

qint64 TQuery::FetchedCount() const {
  return passingBase_ < 0 ? rows_->Count() : passingBase_ + passing_->Count();
}

bool TQuery::FetchAll(const std::function<bool(qint64 fetched)>& keepGoing) {
  CheckNotHeld();
  CheckActive();
  while (!allFetched_) {
    if (!keepGoing(FetchedCount())) return false;
    FetchMore(kFetchBatch * 16);
  }
  return true;
}

qint64 TQuery::RecordCount() {
  CheckActive();
  if (!allFetched_) CheckNotHeld();
  FetchMore(std::numeric_limits<qint64>::max());
  return FetchedCount();
}
