#include "database/read_ahead.h"

#include "database/failure.h"

namespace {
// Blocks held ready while the program writes the rows it has: enough that
// the thread seldom waits, a few megabytes at most.
constexpr std::size_t kBlocksAhead = 4;
}  // namespace

ReadAhead::ReadAhead(std::function<Block()> produce, std::function<void()> finish, EngineStop engine)
    : produce_(std::move(produce)), finish_(std::move(finish)), engine_(std::move(engine)), thread_([this] { Run(); }) {}

ReadAhead::~ReadAhead() { Stop(); }

std::deque<ReadAhead::Block> ReadAhead::Stop() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  // The thread may be inside an engine call that does not end (a server
  // that stopped answering): waited for as the engine's calls are.
  AwaitEngine(
      [this](int ms) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return finished_; });
      },
      engine_);
  if (thread_.joinable()) thread_.join();
  std::deque<Block> rest;
  rest.swap(ready_);
  return rest;
}

void ReadAhead::Run() {
  for (;;) {
    Block block = produce_();
    const bool last = block.last || !block.failure.isEmpty();
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return stop_ || ready_.size() < kBlocksAhead; });
      // A block read is kept even when stopping: its rows are past.
      ready_.push_back(std::move(block));
      changed_.notify_all();
      if (stop_) break;
    }
    if (last) break;
  }
  if (finish_) finish_();
  std::lock_guard lock(mutex_);
  finished_ = true;
  changed_.notify_all();
}

ReadAhead::Block ReadAhead::Next() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !ready_.empty() || finished_; });
  if (ready_.empty()) return {};
  Block block = std::move(ready_.front());
  ready_.pop_front();
  changed_.notify_all();
  return block;
}

bool ReadAhead::Ready() const {
  std::lock_guard lock(mutex_);
  return !ready_.empty() || finished_;
}

void ReadyRows::HandOne(RowStore& into, std::size_t columns) { into.AddRowOf(rows_, next_++, columns); }

qint64 ReadyRows::Hand(RowStore& into, qint64 atMost, std::size_t columns) {
  if (next_ == 0) {
    const qint64 count = rows_.Count();
    into.Append(std::move(rows_));
    Clear();
    return count;
  }
  qint64 handed = 0;
  for (; handed < atMost && !Empty(); ++handed) HandOne(into, columns);
  return handed;
}

namespace {
// Fewer rows than this are read on the spot, without a thread.
constexpr qint64 kReadAheadFrom = 64;
}  // namespace

RowsAhead::RowsAhead(ConnectionReading& reading, StoreNext storeNext, int blockRows, EngineStop engine)
    : reading_(reading), storeNext_(std::move(storeNext)), blockRows_(blockRows), engine_(std::move(engine)) {}

RowsAhead::~RowsAhead() { Restart(); }

void RowsAhead::Restart() {
  StopReading();
  if (reading_.streaming == this) reading_.streaming = nullptr;
  read_.clear();
  ready_.Clear();
  atEnd_ = false;
}

void RowsAhead::StopReading() {
  if (!reader_) return;
  for (ReadAhead::Block& block : reader_->Stop()) read_.push_back(std::move(block));
  reader_.reset();
  if (reading_.streaming == this) reading_.streaming = nullptr;
}

bool RowsAhead::RowsReady() const {
  return !ready_.Empty() || !read_.empty() || (reader_ ? reader_->Ready() : atEnd_);
}

bool RowsAhead::TakeReady() {
  while (ready_.Empty()) {
    ReadAhead::Block block;
    if (!read_.empty()) {
      block = std::move(read_.front());
      read_.pop_front();
    } else if (reader_) {
      block = reader_->Next();
      if (block.last || !block.failure.isEmpty()) StopReading();
    } else {
      return false;
    }
    if (!block.failure.isEmpty()) throw EDatabaseError(block.failure);
    ready_.Take(std::move(block.rows));
  }
  return true;
}

void RowsAhead::StartReading() {
  reading_.Pause();
  reading_.streaming = this;
  reader_ = std::make_unique<ReadAhead>([this] {
    ReadAhead::Block block;
    for (int i = 0; i < blockRows_ && block.rows.Bytes() < kReadAheadBlockBytes; ++i) {
      const Stored stored = storeNext_(block.rows, block.failure);
      if (stored == Stored::Failed) return block;
      if (stored == Stored::End) {
        atEnd_ = true;
        return block;
      }
    }
    block.last = false;
    return block;
  }, std::function<void()>(), engine_);
}

bool RowsAhead::FetchRow(RowStore& into, std::size_t columns) {
  StopReading();
  if (TakeReady()) {
    ready_.HandOne(into, columns);
    return true;
  }
  if (atEnd_) return false;
  reading_.Pause();
  QString failure;
  switch (storeNext_(into, failure)) {
    case Stored::Row: return true;
    case Stored::End: atEnd_ = true; return false;
    case Stored::Failed: break;
  }
  throw EDatabaseError(failure);
}

qint64 RowsAhead::FetchRows(RowStore& into, qint64 atMost, std::size_t columns) {
  if (atMost < kReadAheadFrom && !reader_) {
    qint64 fetched = 0;
    while (fetched < atMost && FetchRow(into, columns)) ++fetched;
    return fetched;
  }
  if (!TakeReady()) {
    if (atEnd_) return 0;
    StartReading();
    if (!TakeReady()) return 0;
  }
  return ready_.Hand(into, atMost, columns);
}
