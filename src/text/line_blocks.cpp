#include "text/line_blocks.h"

QString& LineBlocks::BeginLine() {
  if (started_) block_ += QLatin1Char('\n');
  started_ = true;
  return block_;
}

void LineBlocks::EndLine() {
  if (block_.size() >= kBlockChars) Flush();
}

void LineBlocks::Flush() {
  if (!started_) return;
  Deliver(block_);
  block_.clear();
  started_ = false;
}
