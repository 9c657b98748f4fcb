#include "files/text_file_lines.h"

#include "text/codepage.h"

namespace {
const QString kCannotCreate = QStringLiteral("無法產生檔案 %1");

// The pane keeps a CR LF inside a value as one break, and its save writes
// every break as CR LF.
QString WithFileBreaks(const QString& block, bool first) {
  QString text = first ? block : QStringLiteral("\n") + block;
  if (text.contains(QLatin1Char('\r'))) text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return text;
}
}  // namespace

TextFileLines::TextFileLines(const QString& fileName) : fileName_(fileName), big5_(fileName, kCannotCreate) {}

TextFileLines::~TextFileLines() = default;

void TextFileLines::Deliver(const QString& block) {
  const QString text = WithFileBreaks(block, first_);
  first_ = false;
  qsizetype missing = 0;
  const QByteArray big5 = ToBig5(text, &missing);
  if (missing > 0 && !utf8_) StartUtf8FromBig5();
  unconvertible_ += missing;
  if (utf8_)
    utf8_->Write(text.toUtf8());
  else
    big5_.Write(big5);
}

void TextFileLines::StartUtf8FromBig5() {
  utf8_ = std::make_unique<ReplacingFile>(fileName_, kCannotCreate);
  constexpr qsizetype kPiece = 4 << 20;
  QByteArray carried;
  for (qint64 at = 0; at < big5_.Size(); at += kPiece) {
    QByteArray piece = carried + big5_.ReadBack(at, kPiece);
    // A piece ends after a line feed, which is never part of a two-byte
    // character; the rest goes with the next piece.
    const qsizetype cut = at + kPiece >= big5_.Size() ? piece.size() : piece.lastIndexOf('\n') + 1;
    carried = piece.mid(cut);
    piece.truncate(cut);
    utf8_->Write(FromBig5(piece).toUtf8());
  }
  if (!carried.isEmpty()) utf8_->Write(FromBig5(carried).toUtf8());
}

qint64 TextFileLines::Finish() {
  Flush();
  return unconvertible_;
}

void TextFileLines::Commit(bool utf8) {
  if (utf8 && utf8_)
    utf8_->Commit();
  else
    big5_.Commit();
}
