#include "files/text_file_lines.h"

#include "text/codepage.h"

namespace {
const QString kCannotCreate = QStringLiteral("無法產生檔案 %1");
constexpr std::size_t kBlocksWaiting = 1;

// The pane keeps a CR LF inside a value as one break, and its save writes
// every break as CR LF (or as it is).
QString WithFileBreaks(QStringView block, bool crLf) {
  QString text = block.toString();
  if (text.contains(QLatin1Char('\r'))) text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  if (crLf) text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return text;
}
}  // namespace

TextFileLines::TextFileLines(const QString& fileName, FileEncoding encoding, bool crLf)
    : fileName_(fileName), encoding_(encoding), crLf_(crLf), file_(fileName, kCannotCreate) {
  if (encoding_ == FileEncoding::Utf8WithBom) file_.Write(QByteArray("\xEF\xBB\xBF"));
  writer_ = std::thread([this] { WriteBlocks(); });
}

TextFileLines::~TextFileLines() { StopWriting(); }

void TextFileLines::StopWriting() {
  {
    std::lock_guard lock(mutex_);
    noMore_ = true;
  }
  changed_.notify_all();
  if (writer_.joinable()) writer_.join();
}

void TextFileLines::RethrowWriteFailure() {
  std::lock_guard lock(mutex_);
  if (failure_) std::rethrow_exception(failure_);
}

void TextFileLines::Deliver(QString& block) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return blocks_.size() < kBlocksWaiting || failure_; });
  if (failure_) std::rethrow_exception(failure_);
  // Between two blocks the pane has a line break of its own.
  blocks_.push_back({std::move(block), !first_});
  first_ = false;
  // The room of a block already written is used again: fresh memory for
  // every block would cost the system's page clearing and scatter the heap.
  block = std::move(spare_);
  spare_ = QString();
  lock.unlock();
  changed_.notify_all();
}

void TextFileLines::WriteBlocks() {
  for (;;) {
    Block block;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return !blocks_.empty() || noMore_; });
      if (blocks_.empty()) return;
      block = std::move(blocks_.front());
      blocks_.pop_front();
    }
    changed_.notify_all();
    std::exception_ptr failure;
    try {
      WriteText(block.text, block.afterBreak);
    } catch (...) {
      failure = std::current_exception();
    }
    if (!failure) {
      block.text.resize(0);
      std::lock_guard lock(mutex_);
      if (spare_.capacity() < block.text.capacity()) spare_ = std::move(block.text);
      continue;
    }
    {
      std::lock_guard lock(mutex_);
      failure_ = failure;
      blocks_.clear();
    }
    changed_.notify_all();
    return;
  }
}

void TextFileLines::WriteText(QStringView text, bool afterBreak) {
  const QByteArray lineBreak = crLf_ ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
  if (encoding_ != FileEncoding::Big5) {
    if (afterBreak) file_.Write(lineBreak);
    file_.Write(WithFileBreaks(text, crLf_).toUtf8());
    return;
  }
  bytes_.clear();
  if (afterBreak) bytes_ += lineBreak;  // the same in Big5 and UTF-8
  const qsizetype missing = AppendBig5Lines(bytes_, text, crLf_);
  if (missing > 0 && !utf8_) StartUtf8FromBig5();
  unconvertible_ += missing;
  if (!utf8_) {
    file_.Write(bytes_);
    return;
  }
  if (afterBreak) utf8_->Write(lineBreak);
  utf8_->Write(WithFileBreaks(text, crLf_).toUtf8());
}

void TextFileLines::StartUtf8FromBig5() {
  utf8_ = std::make_unique<ReplacingFile>(fileName_, kCannotCreate);
  constexpr qsizetype kPiece = 4 << 20;
  QByteArray carried;
  for (qint64 at = 0; at < file_.Size(); at += kPiece) {
    QByteArray piece = carried + file_.ReadBack(at, kPiece);
    // A piece ends after a line feed, which is never part of a two-byte
    // character; the rest goes with the next piece.
    const qsizetype cut = at + kPiece >= file_.Size() ? piece.size() : piece.lastIndexOf('\n') + 1;
    carried = piece.mid(cut);
    piece.truncate(cut);
    utf8_->Write(FromBig5(piece).toUtf8());
  }
  if (!carried.isEmpty()) utf8_->Write(FromBig5(carried).toUtf8());
}

qint64 TextFileLines::Finish() {
  Flush();
  StopWriting();
  RethrowWriteFailure();
  return unconvertible_;
}

void TextFileLines::Commit(bool utf8) {
  if (utf8 && utf8_)
    utf8_->Commit();
  else
    file_.Commit();  // Big5 whole, or the chosen UTF-8
}
