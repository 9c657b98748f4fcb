#include "text/row_lines_thread.h"

#include "database/query.h"
#include "text/line_blocks.h"

namespace {
// Blocks written and not taken yet: the thread waits beyond them rather
// than let the lines pile up while the program is busy elsewhere. Blocks of
// 2 MB keep what waits small; a block costs the program a few calls.
constexpr std::size_t kMostWaitingBlocks = 2;
constexpr qsizetype kLinesBlockChars = 1 << 20;
// The first lines are handed over at once, not after a full block.
constexpr qsizetype kFirstBlockChars = 64 << 10;
}  // namespace

class RowLinesThread::Queue : public LineBlocks {
public:
  explicit Queue(RowLinesThread& owner) : LineBlocks(kLinesBlockChars, kFirstBlockChars), owner_(owner) {}

private:
  void Deliver(QString& block) override { owner_.Hand(block); }
  RowLinesThread& owner_;
};

RowLinesThread::RowLinesThread(const TQuery& query, const RowRunOptions& options)
    : writer_(query, options), columns_(static_cast<std::size_t>(query.FieldCount())),
      sink_(std::make_unique<Queue>(*this)) {
  writer_.WriteHeader(*sink_);
  thread_ = std::thread([this] { Run(); });
}

RowLinesThread::~RowLinesThread() {
  Stop();
  thread_.join();
}

void RowLinesThread::Add(std::vector<StoredRow> rows) {
  if (rows.empty()) return;
  {
    std::lock_guard lock(mutex_);
    given_ += static_cast<qint64>(rows.size());
    if (rows_.empty())
      rows_ = std::move(rows);
    else
      rows_.insert(rows_.end(), rows.begin(), rows.end());
  }
  changed_.notify_all();
}

void RowLinesThread::EndOfRows() {
  {
    std::lock_guard lock(mutex_);
    ended_ = true;
  }
  changed_.notify_all();
}

void RowLinesThread::Stop() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    rows_.clear();
  }
  changed_.notify_all();
}

std::vector<RowLinesThread::Lines> RowLinesThread::Take(int waitMs, bool orAllWritten) {
  std::vector<Lines> taken;
  {
    std::unique_lock lock(mutex_);
    const auto ready = [&] { return !lines_.empty() || finished_ || (orAllWritten && Waiting() == 0); };
    if (waitMs > 0 && !ready()) changed_.wait_for(lock, std::chrono::milliseconds(waitMs), ready);
    taken.reserve(lines_.size());
    for (Lines& lines : lines_) taken.push_back(std::move(lines));
    lines_.clear();
  }
  changed_.notify_all();  // room for the thread's next block
  return taken;
}

bool RowLinesThread::Done() const {
  std::lock_guard lock(mutex_);
  return finished_ && lines_.empty();
}

void RowLinesThread::Run() {
  try {
    WriteGivenRows();
  } catch (const std::bad_alloc&) {
    // Memory ran out (another program took it): the lines so far stay; the
    // program says so.
    outOfMemory_ = true;
  }
  try {
    sink_->Flush();  // the lines under way, whole
  } catch (const std::bad_alloc&) {
    outOfMemory_ = true;
  }
  {
    std::lock_guard lock(mutex_);
    finished_ = true;
  }
  changed_.notify_all();
}

void RowLinesThread::WriteGivenRows() {
  std::vector<CellValue> values(columns_);
  std::vector<StoredRow> rows;
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return stop_ || ended_ || !rows_.empty(); });
      if (stop_ || rows_.empty()) break;  // stopped, or every row written
      rows.swap(rows_);
    }
    for (const StoredRow& row : rows) {
      if (stop_.load(std::memory_order_relaxed)) break;
      row.Decode(values);
      writer_.WriteRow(*sink_, values);
      written_.fetch_add(1, std::memory_order_release);
    }
    rows.clear();
    changed_.notify_all();  // for a program waiting until every row given is written
  }
}

// A full block (or the last): waits while the program has enough blocks
// to take, unless the writing is being stopped.
void RowLinesThread::Hand(QString& text) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return stop_ || lines_.size() < kMostWaitingBlocks; });
  lines_.push_back({std::move(text), writer_.Rows() - rowsHanded_});
  rowsHanded_ = writer_.Rows();
  lock.unlock();
  changed_.notify_all();
}
