#include "xls/xls_writer.h"

#include "text/codepage.h"
#include "database/failure.h"
#include "text/field_text.h"
#include "xls/exact_number.h"
#include "database/field.h"
#include "database/value_text.h"
#include "text/row_text.h"
#include "database/user_questions.h"
#include "files/save_target.h"

#include <QFileInfo>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace {
constexpr int kBOF = 0x0809, kDimensions = 0x0000, kInteger = 0x0002, kNumber = 0x0003, kLabel = 0x0004,
              kEOF = 0x000A;
}  // namespace

TXLSWriter::TXLSWriter(const QString& fileName) : fileName_(fileName) {
  const bool exists = QFileInfo::exists(fileName);
  CheckSaveTarget(fileName, exists ? QStringLiteral("無法開啟檔案 %1") : QStringLiteral("無法產生檔案 %1"));
  if (exists && !AskToConfirm(QStringLiteral("檔案[") + fileName + QStringLiteral("]已存在, 要覆蓋嗎?!"))) return;
  auto stream = std::make_unique<QSaveFile>(fileName);
  if (!stream->open(QIODevice::WriteOnly))
    throw FileFailure((exists ? QStringLiteral("無法開啟檔案 %1") : QStringLiteral("無法產生檔案 %1")).arg(fileName),
                      fileName, stream->errorString());
  stream_ = std::move(stream);
  MaxCols = 100;
  MaxRows = 1000;
}

Failure TXLSWriter::WriteFailure(int savedErrno) const {
  return FileFailure(kStreamWriteError, fileName_, WriteErrorReason(savedErrno, stream_->errorString()));
}

// Without Commit the temporary file goes and the target stays as it was.
TXLSWriter::~TXLSWriter() {
  if (stream_) stream_->cancelWriting();
}

void TXLSWriter::Write(const char* data, qint64 size) {
  if (!stream_) throw Failure(kStreamWriteError);
  if (used_ + size > kBufferBytes) Flush();
  if (size > kBufferBytes) {
    errno = 0;
    if (stream_->write(data, size) != size) throw WriteFailure(errno);
    return;
  }
  std::memcpy(buffer_.get() + used_, data, static_cast<std::size_t>(size));
  used_ += size;
}

void TXLSWriter::Flush() {
  if (used_ == 0) return;
  if (!stream_) throw Failure(kStreamWriteError);
  errno = 0;
  if (stream_->write(buffer_.get(), used_) != used_) throw WriteFailure(errno);
  used_ = 0;
}

void TXLSWriter::WriteWord(int value) {
  const char bytes[2] = {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
  Write(bytes, 2);
}

void TXLSWriter::WriteBOF() {
  WriteWord(kBOF);
  WriteWord(6);
  WriteWord(0x0000);
  WriteWord(0x0010);
  WriteWord(0x0000);
}

void TXLSWriter::WriteDimensions() {
  WriteWord(kDimensions);
  WriteWord(8);
  WriteWord(0);
  WriteWord(MaxRows);
  WriteWord(0);
  WriteWord(MaxCols);
}

void TXLSWriter::CellHeader(int id, int length, int row, int col) {
  // Identifier, length, row, column, then three attribute bytes: no formatting.
  const char header[11] = {static_cast<char>(id & 0xFF),  static_cast<char>((id >> 8) & 0xFF),
                           static_cast<char>(length & 0xFF), static_cast<char>((length >> 8) & 0xFF),
                           static_cast<char>(row & 0xFF),  static_cast<char>((row >> 8) & 0xFF),
                           static_cast<char>(col & 0xFF),  static_cast<char>((col >> 8) & 0xFF),
                           0, 0, 0};
  Write(header, sizeof header);
}

void TXLSWriter::WriteInteger(int row, int col, int value) {
  CellHeader(kInteger, 9, row, col);
  WriteWord(value);
}

void TXLSWriter::WriteNumber(int row, int col, double value) {
  CellHeader(kNumber, 15, row, col);
  char bytes[8];
  std::memcpy(bytes, &value, 8);  // little-endian on every machine we build for
  Write(bytes, 8);
}

bool TXLSWriter::WriteLabel(int row, int col, const QString& text) {
  qsizetype unconvertible = 0;
  QByteArray bytes = ToBig5(text, &unconvertible);
  const bool whole = bytes.size() <= 255;
  if (!whole) bytes = ToBig5(Big5Prefix(text, 255), &unconvertible);
  replaced_ += unconvertible;
  WriteLabelBytes(row, col, bytes.constData(), bytes.size());
  return whole;
}

void TXLSWriter::WriteLabelBytes(int row, int col, const char* bytes, qsizetype size) {
  CellHeader(kLabel, 8 + static_cast<int>(size), row, col);
  const char length = static_cast<char>(size);
  Write(&length, 1);
  Write(bytes, size);
}

void TXLSWriter::WriteFieldCell(int row, int col, const TField* field) {
  const TFieldType type = field->DataType();
  const bool number = type == ftSmallint || type == ftInteger || type == ftWord || type == ftFloat ||
                      type == ftCurrency || type == ftBCD;
  if (number && !field->IsNull()) {
    // A number column may hold any text (SQLite lets it): a text that is no
    // number is the label the text lines give, never a number made up of it.
    const CellValue v = field->Value();
    if (v.kind == CellKind::Text || v.kind == CellKind::Blob || !DoubleHoldsExactly(type, v, QString())) {
      const QString text = FieldToText(field);
      const bool exact = IsNumericLiteral(text) && DoubleHoldsExactly(type, v, text);
      if (!exact) {
        // A double would change this number (a 64-bit integer past 2^53,
        // a decimal of more digits): its text, as the lines give it.
        if (IsNumericLiteral(text)) ++numbersAsText_;
        if (!WriteLabel(row, col, text)) ++cutValues_;
        return;
      }
    }
    // An integer column's fraction (1.5) stays a fraction.
    if (v.kind == CellKind::Float && (type == ftSmallint || type == ftInteger || type == ftWord) &&
        v.real != std::trunc(v.real)) {
      WriteNumber(row, col, v.real);
      return;
    }
  }
  switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord: {
      const std::int64_t v = field->AsInteger();
      if (v >= 0 && v <= 65535) WriteInteger(row, col, static_cast<int>(v));
      else WriteNumber(row, col, field->AsFloat());
      return;
    }
    case ftFloat:
    case ftCurrency:
    case ftBCD: WriteNumber(row, col, field->AsFloat()); return;
    case ftString:
    case ftMemo: {
      // Plain ASCII text is the same in Big5: its stored bytes go as they are.
      const CellValue v = field->Value();
      if (v.size <= 255 && ValueTextIsStoredBytes(field->DataType(), v)) {
        WriteLabelBytes(row, col, v.data, static_cast<qsizetype>(v.size));
        return;
      }
      break;
    }
    default: break;
  }
  // A value's label is cut to 255 bytes; the save says how many were.
  if (!WriteLabel(row, col, FieldToText(field))) ++cutValues_;
}

void TXLSWriter::WriteEOF() {
  WriteWord(kEOF);
  WriteWord(0);
}

void TXLSWriter::Commit() {
  if (!stream_) return;
  Flush();
  errno = 0;
  if (!stream_->commit()) {
    const Failure failure = WriteFailure(errno);
    stream_.reset();
    throw failure;
  }
  stream_.reset();
}
