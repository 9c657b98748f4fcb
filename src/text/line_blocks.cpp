#include "text/line_blocks.h"

QString& LineBlocks::BeginLine() {
  if (started_) block_ += QLatin1Char('\n');
  started_ = true;
  return block_;
}

void LineBlocks::EndLine() {
  if (block_.size() >= blockChars_) Flush();
}

void LineBlocks::Flush() {
  if (!started_) return;
  Deliver(block_);
  blockChars_ = fullBlockChars_;
  block_.resize(0);  // keeps the room for the next block
  // A receiver that took the text over left no room: the next block gets
  // its room at once rather than by doubling past it.
  if (block_.capacity() < blockChars_) block_.reserve(blockChars_ + (64 << 10));
  started_ = false;
}

void LineBlocks::AddLines(QString& lines) {
  Flush();
  Deliver(lines);
}
