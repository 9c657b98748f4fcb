#pragma once
// Output lines written straight into a text file as they come, with the
// bytes the output pane and its text save give for the same lines and
// options: CR LF (or LF) line breaks; Big5, or UTF-8 when Big5 cannot hold
// every character and the user agrees; or UTF-8 from the start, with a
// byte-order mark when chosen. The target is replaced only by Commit.
//
// The blocks are converted and written on a thread of their own, while the
// next lines are rendered; at most one waits for it, so memory stays flat.
#include "files/replacing_file.h"
#include "text/line_blocks.h"
#include "text/output_options.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

class TextFileLines : public LineBlocks {
public:
  // Creates the file's temporary; throws FileFailure.
  explicit TextFileLines(const QString& fileName, FileEncoding encoding = FileEncoding::Big5, bool crLf = true);
  // Without Commit the temporaries go; the target stays as it was.
  ~TextFileLines() override;
  // Writes the last lines; the characters Big5 could not hold (0 when the
  // Big5 file is whole, and always in UTF-8). Throws FileFailure.
  qint64 Finish();
  // Puts the Big5 file in place, or the UTF-8 one (after Finish).
  void Commit(bool utf8);

private:
  // Hands the block to the writing thread; throws what stopped it.
  void Deliver(QString& block) override;
  void WriteBlocks();  // the thread
  // A block, after the line break that separates it from the one before.
  struct Block {
    QString text;
    bool afterBreak;
  };
  void WriteText(QStringView text, bool afterBreak);
  // The UTF-8 file from the Big5 written so far, whose every character
  // Big5 held (the code page's mapping goes both ways).
  void StartUtf8FromBig5();
  void StopWriting();
  void RethrowWriteFailure();

  QString fileName_;
  FileEncoding encoding_;
  bool crLf_;
  ReplacingFile file_;  // in the chosen encoding
  std::unique_ptr<ReplacingFile> utf8_;  // from the first character Big5 lacks on
  QByteArray bytes_;                      // a block's bytes, kept for the next block
  qint64 unconvertible_ = 0;
  bool first_ = true;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Block> blocks_;
  QString spare_;  // a written block's room, for the next one
  bool noMore_ = false;
  std::exception_ptr failure_;  // what ended the writing
  std::thread writer_;
};
