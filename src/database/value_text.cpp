#include "database/value_text.h"

#include "database/number_text.h"

#include <QLocale>
#include <QStringDecoder>

#include <charconv>
#include <cmath>

// A stored text as it is: QString::fromUtf8 would drop a leading U+FEFF,
// which is part of the value.
QString StoredText(const CellValue& v) {
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  return decoder.decode(QByteArrayView(v.data, static_cast<qsizetype>(v.size)));
}

namespace {
QString Utf8(const CellValue& v) { return StoredText(v); }
}  // namespace

std::int64_t CellToInteger(const CellValue& v) {
  switch (v.kind) {
    case CellKind::Integer: return v.integer;
    case CellKind::Float: return std::llround(v.real);
    case CellKind::Text: {
      const QString text = Utf8(v).trimmed();
      bool ok = false;
      const qlonglong n = text.toLongLong(&ok);
      return ok ? n : std::llround(text.toDouble());
    }
    default: return 0;
  }
}

double CellToFloat(const CellValue& v) {
  switch (v.kind) {
    case CellKind::Integer: return static_cast<double>(v.integer);
    case CellKind::Float: return v.real;
    case CellKind::Text: return Utf8(v).trimmed().toDouble();
    default: return 0;
  }
}

bool CellToBoolean(const CellValue& v) {
  switch (v.kind) {
    case CellKind::Integer: return v.integer != 0;
    case CellKind::Float: return v.real != 0;
    case CellKind::Text: {
      const QString t = Utf8(v).trimmed().toLower();
      return t == QLatin1String("true") || t == QLatin1String("t") || t == QLatin1String("yes") ||
             t == QLatin1String("y") || t == QLatin1String("on") || (t.toLongLong() != 0);
    }
    default: return false;
  }
}

int BooleanBit(const CellValue& v) {
  switch (v.kind) {
    case CellKind::Integer: return v.integer == 0 || v.integer == 1 ? static_cast<int>(v.integer) : -1;
    case CellKind::Float: return v.real == 0 || v.real == 1 ? static_cast<int>(v.real) : -1;
    case CellKind::Text: {
      const QString t = Utf8(v).trimmed().toLower();
      for (const char* yes : {"1", "true", "t", "yes", "y", "on"})
        if (t == QLatin1String(yes)) return 1;
      for (const char* no : {"0", "false", "f", "no", "n", "off"})
        if (t == QLatin1String(no)) return 0;
      return -1;
    }
    default: return -1;
  }
}

QByteArray CellToBytes(const CellValue& v) {
  switch (v.kind) {
    case CellKind::Text:
    case CellKind::Blob: return QByteArray(v.data, static_cast<qsizetype>(v.size));
    case CellKind::Integer: return QByteArray::number(static_cast<qlonglong>(v.integer));
    case CellKind::Float: return FormatGeneralFloat(v.real).toUtf8();
    default: return {};
  }
}

QString CellText(TFieldType type, const CellValue& v) {
  if (v.isNull()) return {};
  switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
      if (v.kind == CellKind::Integer) return QString::number(v.integer);
      if (v.kind == CellKind::Float && v.real == std::trunc(v.real) && std::abs(v.real) < 9.2e18)
        return QString::number(static_cast<qint64>(v.real));
      break;
    case ftFloat:
    case ftCurrency:
      if (v.kind != CellKind::Text && v.kind != CellKind::Blob) return FormatGeneralFloat(CellToFloat(v));
      break;
    case ftBCD: return FormatExactDecimal(v);
    case ftBoolean: return CellToBoolean(v) ? QStringLiteral("True") : QStringLiteral("False");
    case ftDate:
    case ftTime:
    case ftDateTime: {
      const QDateTime dt = CellToDateTime(v);
      if (!dt.isValid()) break;
      const QLocale locale = QLocale::system();
      if (type == ftDate) return locale.toString(dt.date(), QLocale::ShortFormat);
      if (type == ftTime) return locale.toString(dt.time(), LongTimeFormatOf(locale));
      QString text = locale.toString(dt.date(), QLocale::ShortFormat);
      if (dt.time() != QTime(0, 0)) text += QLatin1Char(' ') + locale.toString(dt.time(), LongTimeFormatOf(locale));
      return text;
    }
    case ftBlob:
    case ftGraphic:
    case ftBytes:
    case ftVarBytes:
    case ftTypedBinary:
    case ftParadoxOle:
    case ftDBaseOle:
      // Raw bytes, one character per byte.
      return QString::fromLatin1(v.data ? v.data : "", static_cast<qsizetype>(v.size));
    default: break;
  }
  switch (v.kind) {
    case CellKind::Integer: return QString::number(v.integer);
    case CellKind::Float: return FormatGeneralFloat(v.real);
    case CellKind::Text: return Utf8(v);
    case CellKind::Blob: return QString::fromLatin1(v.data, static_cast<qsizetype>(v.size));
    default: return {};
  }
}

// The export form of values (delimited lines, insert statements, dumps and
// XLS cells), next to the field's ordinary text above.
namespace {


void AppendTwo(char*& p, int v) {
  *p++ = static_cast<char>('0' + v / 10 % 10);
  *p++ = static_cast<char>('0' + v % 10);
}

}  // namespace

// Dates by the column's type, whatever the system's date settings:
// yyyy/mm/dd, hh:mm:ss, or both (the date alone at exactly midnight).
bool AppendDateTimeText(Utf16Buffer& out, TFieldType type, const CellValue& value) {
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
  out.AppendAscii(buffer, p - buffer);
  return true;
}

namespace {

void AppendHex(Utf16Buffer& out, QByteArrayView bytes) {
  static const char digits[] = "0123456789ABCDEF";
  char16_t* p = out.Reserve(bytes.size() * 2);
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    *p++ = static_cast<char16_t>(digits[b >> 4]);
    *p++ = static_cast<char16_t>(digits[b & 15]);
  }
  out.Commit(p);
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

// Well-formed UTF-8 into UTF-16 at `to` (room for a unit per byte): the
// lines' Chinese texts, five times faster than the general decoder below
// (measured). False at the first ill-formed sequence; `to` is then
// anything.
bool DecodeWellFormedUtf8(const unsigned char* s, std::size_t size, char16_t*& to) {
  const unsigned char* const end = s + size;
  const auto continuation = [](unsigned char c) { return (c & 0xC0) == 0x80; };
  while (s < end) {
    const unsigned c = *s;
    if (c < 0x80) {
      *to++ = static_cast<char16_t>(c);
      ++s;
    } else if (c < 0xC2) {
      return false;  // a continuation byte alone, or an overlong form
    } else if (c < 0xE0) {
      if (end - s < 2 || !continuation(s[1])) return false;
      *to++ = static_cast<char16_t>(((c & 0x1F) << 6) | (s[1] & 0x3F));
      s += 2;
    } else if (c < 0xF0) {
      if (end - s < 3 || !continuation(s[1]) || !continuation(s[2])) return false;
      const unsigned point = ((c & 0x0F) << 12) | ((s[1] & 0x3Fu) << 6) | (s[2] & 0x3Fu);
      if (point < 0x800 || (point >= 0xD800 && point <= 0xDFFF)) return false;
      *to++ = static_cast<char16_t>(point);
      s += 3;
    } else if (c < 0xF5) {
      if (end - s < 4 || !continuation(s[1]) || !continuation(s[2]) || !continuation(s[3])) return false;
      const unsigned point = ((c & 0x07) << 18) | ((s[1] & 0x3Fu) << 12) | ((s[2] & 0x3Fu) << 6) | (s[3] & 0x3Fu);
      if (point < 0x10000 || point > 0x10FFFF) return false;
      *to++ = QChar::highSurrogate(point);
      *to++ = QChar::lowSurrogate(point);
      s += 4;
    } else {
      return false;
    }
  }
  return true;
}

bool AppendUtf8(Utf16Buffer& out, const char* data, std::size_t size) {
  // Never more UTF-16 units than bytes.
  char16_t* const at = out.Reserve(static_cast<qsizetype>(size));
  char16_t* to = at;
  if (DecodeWellFormedUtf8(reinterpret_cast<const unsigned char*>(data), size, to)) {
    out.Commit(to);
    return true;
  }
  // Decoded straight into the line, without a string between: bad bytes as
  // U+FFFD, a leading U+FEFF kept (it is part of the value, not a mark).
  static thread_local QStringDecoder decoder(QStringDecoder::Utf8,
                                             QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  decoder.resetState();
  const QChar* end = decoder.appendToBuffer(reinterpret_cast<QChar*>(at), QByteArrayView(data, static_cast<qsizetype>(size)));
  out.Commit(reinterpret_cast<const char16_t*>(end));
  return !decoder.hasError();
}

void AppendInteger(Utf16Buffer& out, std::int64_t value) {
  char buffer[24];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.AppendAscii(buffer, end - buffer);
}

}  // namespace

bool AppendValueText(QString& out, TFieldType type, const CellValue& value) {
  static thread_local Utf16Buffer text;
  text.Clear();
  const bool faithful = AppendValueText(text, type, value);
  out.append(text.View());
  return faithful;
}

bool AppendValueText(Utf16Buffer& out, TFieldType type, const CellValue& value) {
  if (value.isNull()) {
    out.AppendAscii("null", 4);
    return true;
  }
  switch (type) {
    case ftBoolean:
      // A Boolean is 1 or 0; anything else a Boolean column holds (SQLite
      // lets it hold 2 or 'maybe') is written as it is, never as another
      // Boolean.
      if (const int bit = BooleanBit(value); bit >= 0) {
        out.Append(bit ? u'1' : u'0');
        return true;
      }
      switch (value.kind) {
        case CellKind::Integer: AppendInteger(out, value.integer); return true;
        case CellKind::Float: out.Append(GeneralFloatText(value.real)); return true;
        case CellKind::Text: return AppendUtf8(out, value.data, value.size);
        default: break;
      }
      break;
    case ftDate:
    case ftTime:
    case ftDateTime:
      if (AppendDateTimeText(out, type, value)) return true;
      break;
    case ftBlob:
      out.AppendAscii("0x", 2);
      AppendHex(out, QByteArrayView(CellToBytes(value)));
      return true;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
      if (value.kind == CellKind::Integer) {
        AppendInteger(out, value.integer);
        return true;
      }
      break;
    case ftFloat:
    case ftCurrency:
      // The export forms write numbers with a point whatever the system's
      // decimal separator (a comma would make "1,5" a text, or two values).
      if (value.kind == CellKind::Float || value.kind == CellKind::Integer) {
        char buffer[64];
        const int length = GeneralFloatChars(buffer, CellToFloat(value));
        if (length < 0) break;
        out.AppendAscii(buffer, length);
        return true;
      }
      break;
    case ftBCD:
      if (value.kind != CellKind::Blob) {
        out.Append(ExactDecimalText(value));
        return true;
      }
      break;
    case ftString:
    case ftMemo:
      if (value.kind == CellKind::Text) return AppendUtf8(out, value.data, value.size);
      break;
    default: break;
  }
  const qsizetype at = out.Size();
  out.Append(CellText(type, value));
  return value.kind != CellKind::Text || IsAscii(value.data, value.size) ||
         DecodedFaithfully(QByteArrayView(value.data, static_cast<qsizetype>(value.size)), out.Mid(at));
}

void AppendHexText(QString& out, QByteArrayView bytes) {
  Utf16Buffer text;
  AppendHex(text, bytes);
  out.append(text.View());
}

bool ValueTextIsStoredBytes(TFieldType type, const CellValue& value) {
  return (type == ftString || type == ftMemo) && value.kind == CellKind::Text && IsAscii(value.data, value.size);
}

QString GridCellText(TFieldType type, const CellValue& value) {
  switch (type) {
    case ftBlob:
    case ftTypedBinary: return value.isNull() ? QStringLiteral("(blob)") : QStringLiteral("(BLOB)");
    case ftGraphic: return value.isNull() ? QStringLiteral("(graphic)") : QStringLiteral("(GRAPHIC)");
    case ftMemo:
    case ftFmtMemo: {
      // One line of the memo is enough for a grid cell.
      const QString text = CellText(type, value);
      const qsizetype end = text.indexOf(QLatin1Char('\n'));
      return end < 0 ? text : text.left(end).trimmed() + QStringLiteral(" …");
    }
    default: return CellText(type, value);
  }
}
