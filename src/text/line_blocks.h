#pragma once
// Output lines gathered into large blocks of whole lines (joined by LF), so
// that where they go (the output pane, a file) takes a few big pieces
// rather than millions of small ones.
#include "text/row_run.h"

class LineBlocks : public LineSink {
public:
  // A block ends once it holds `blockChars` characters; the first one at
  // `firstBlockChars`, when its lines should reach the receiver sooner.
  explicit LineBlocks(qsizetype blockChars = kBlockChars, qsizetype firstBlockChars = 0)
      : fullBlockChars_(blockChars), blockChars_(firstBlockChars > 0 ? firstBlockChars : blockChars) {}
  QString& BeginLine() override;
  void EndLine() override;
  // The lines go on as a block of their own, after those gathered so far.
  void AddLines(QString& lines) override;
  // Hands on the lines gathered so far; the next block continues after a
  // line break.
  void Flush();

protected:
  // One block of whole lines, without a break at its end; the receiver puts
  // a line break between two blocks. It may take the text over.
  virtual void Deliver(QString& block) = 0;

private:
  static constexpr qsizetype kBlockChars = 4 << 20;
  qsizetype fullBlockChars_;
  qsizetype blockChars_;
  QString block_;
  bool started_ = false;
};
