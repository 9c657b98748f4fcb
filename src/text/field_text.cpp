#include "text/field_text.h"

#include "database/field.h"
#include "database/value_text.h"

namespace {

void AppendTwo(char*& p, int v) {
  *p++ = static_cast<char>('0' + v / 10 % 10);
  *p++ = static_cast<char>('0' + v % 10);
}

// Dates by the column's type, whatever the system's date settings:
// yyyy/mm/dd, hh:mm:ss, or both (the date alone at exactly midnight).
bool AppendDateTime(QString& out, TFieldType type, const CellValue& value) {
  DateTimeParts t;
  if (!CellToDateTimeParts(value, t)) return false;
  char buffer[32];
  char* p = buffer;
  const bool withDate = type != ftTime;
  const bool atMidnight = t.hour == 0 && t.minute == 0 && t.second == 0 && t.msec == 0;
  const bool withTime = type == ftTime || (type == ftDateTime && !atMidnight);
  if (withDate) {
    if (t.year < 0 || t.year > 9999) return false;
    AppendTwo(p, t.year / 100);
    AppendTwo(p, t.year % 100);
    *p++ = '/';
    AppendTwo(p, t.month);
    *p++ = '/';
    AppendTwo(p, t.day);
  }
  if (withTime) {
    if (withDate) *p++ = ' ';
    AppendTwo(p, t.hour);
    *p++ = ':';
    AppendTwo(p, t.minute);
    *p++ = ':';
    AppendTwo(p, t.second);
  }
  out += QLatin1String(buffer, p - buffer);
  return true;
}

void AppendHex(QString& out, QByteArrayView bytes) {
  static const char digits[] = "0123456789ABCDEF";
  const qsizetype at = out.size();
  out.resize(at + bytes.size() * 2);
  QChar* p = out.data() + at;
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    *p++ = QLatin1Char(digits[b >> 4]);
    *p++ = QLatin1Char(digits[b & 15]);
  }
}

bool IsAscii(const char* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i)
    if (static_cast<unsigned char>(data[i]) >= 0x80) return false;
  return true;
}

// Whether decoding gave no U+FFFD beyond those the bytes spelled out.
bool DecodedFaithfully(QByteArrayView bytes, QStringView decoded) {
  const qsizetype made = decoded.count(QChar::ReplacementCharacter);
  return made == 0 || made == bytes.count(QByteArrayView("\xEF\xBF\xBD"));
}

bool AppendUtf8(QString& out, const char* data, std::size_t size) {
  if (IsAscii(data, size)) {
    out += QLatin1String(data, static_cast<qsizetype>(size));
    return true;
  }
  const qsizetype at = out.size();
  out += QString::fromUtf8(data, static_cast<qsizetype>(size));
  return DecodedFaithfully(QByteArrayView(data, static_cast<qsizetype>(size)), QStringView(out).mid(at));
}

}  // namespace

bool AppendFieldText(QString& out, const TField* field) {
  const CellValue value = field->Value();
  if (value.isNull()) {
    out += QLatin1String("null");
    return true;
  }
  switch (field->DataType()) {
    case ftBoolean: out += QLatin1Char(BoolToBit(CellToBoolean(value)) ? '1' : '0'); return true;
    case ftDate:
    case ftTime:
    case ftDateTime:
      if (AppendDateTime(out, field->DataType(), value)) return true;
      break;
    case ftBlob:
      out += QLatin1String("0x");
      AppendHex(out, QByteArrayView(CellToBytes(value)));
      return true;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
      if (value.kind == CellKind::Integer) {
        out += QString::number(value.integer);
        return true;
      }
      break;
    case ftString:
    case ftMemo:
      if (value.kind == CellKind::Text) return AppendUtf8(out, value.data, value.size);
      break;
    default: break;
  }
  const qsizetype at = out.size();
  out += field->TextOf(value);
  return value.kind != CellKind::Text || IsAscii(value.data, value.size) ||
         DecodedFaithfully(QByteArrayView(value.data, static_cast<qsizetype>(value.size)), QStringView(out).mid(at));
}

QString FieldToText(const TField* field) {
  QString text;
  AppendFieldText(text, field);
  return text;
}

QString BytesToHex(QByteArrayView bytes) {
  QString text;
  AppendHex(text, bytes);
  return text;
}

int BoolToBit(bool value) { return value ? 1 : 0; }
