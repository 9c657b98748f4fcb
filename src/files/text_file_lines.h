#pragma once
// Output lines written straight into a text file as they come, with the
// bytes the output pane and its text save give for the same lines: CR LF
// line breaks, Big5, or UTF-8 when Big5 cannot hold every character and
// the user agrees. The target is replaced only by Commit.
#include "files/replacing_file.h"
#include "text/line_blocks.h"

#include <memory>

class TextFileLines : public LineBlocks {
public:
  // Creates the file's temporary; throws FileFailure.
  explicit TextFileLines(const QString& fileName);
  ~TextFileLines() override;
  // Writes the last lines; the characters Big5 could not hold (0 when the
  // Big5 file is whole). Throws FileFailure.
  qint64 Finish();
  // Puts the Big5 file in place, or the UTF-8 one (after Finish).
  void Commit(bool utf8);
  const QString& FileName() const { return fileName_; }

private:
  void Deliver(const QString& block) override;
  // The UTF-8 file from the Big5 written so far, whose every character
  // Big5 held (the code page's mapping goes both ways).
  void StartUtf8FromBig5();

  QString fileName_;
  ReplacingFile big5_;
  std::unique_ptr<ReplacingFile> utf8_;  // from the first character Big5 lacks on
  qint64 unconvertible_ = 0;
  bool first_ = true;
};
