#include "database/streamed_statement.h"

#include "database/failure.h"

bool StreamedStatement::FetchRow(RowStore& into) {
  if (!Ready()) return false;
  ready_.HandOne(into, columns_.size());
  return true;
}

qint64 StreamedStatement::FetchRows(RowStore& into, qint64 atMost) {
  return Ready() ? ready_.Hand(into, atMost, columns_.size()) : 0;
}

bool StreamedStatement::RowsReady() const {
  return !ready_.Empty() || !kept_.empty() || abandoned_ || !Streaming() || (reader_ && reader_->Ready());
}

void StreamedStatement::ClearRows() {
  kept_.clear();
  ready_.Clear();
  abandoned_ = false;
}

bool StreamedStatement::Ready() {
  while (ready_.Empty()) {
    if (!kept_.empty()) {
      ReadAhead::Block block = std::move(kept_.front());
      kept_.pop_front();
      TakeKept(std::move(block));
      continue;
    }
    if (abandoned_)
      throw EDatabaseError(QStringLiteral("查詢的結果已被同一連線上的另一個指令中斷, 請再執行一次"));
    if (!Streaming()) return false;
    NextBlock();
  }
  return true;
}
