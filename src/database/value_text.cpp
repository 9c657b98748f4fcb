#include "database/value_text.h"

#include <QLocale>

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

QString DecimalPointToLocale(QString text) {
  const QString point = QLocale::system().decimalPoint();
  if (point != QLatin1String(".")) text.replace(QLatin1Char('.'), point);
  return text;
}

QString Utf8(const CellValue& v) { return QString::fromUtf8(v.data, static_cast<qsizetype>(v.size)); }

QString StripFractionZeros(QString digits) {
  if (digits.contains(QLatin1Char('.'))) {
    while (digits.endsWith(QLatin1Char('0'))) digits.chop(1);
    if (digits.endsWith(QLatin1Char('.'))) digits.chop(1);
  }
  return digits;
}

const QDate kDayZero(1899, 12, 30);

// The system's long time format without a time-zone name: stored times carry none.
QString LongTimeFormat(const QLocale& locale) {
  QString format = locale.timeFormat(QLocale::LongFormat);
  format.remove(QLatin1Char('t'));
  return format.trimmed();
}

QDateTime Naive(QDate date, QTime time) { return QDateTime(date, time, Qt::UTC); }

QDateTime ParseDateTimeText(const QString& raw) {
  const QString s = raw.trimmed();
  for (const char* format : {"yyyy-MM-dd HH:mm:ss.zzz", "yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss.zzz",
                             "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd HH:mm", "yyyy/MM/dd HH:mm:ss"}) {
    const QDateTime dt = QDateTime::fromString(s, QLatin1String(format));
    if (dt.isValid()) return Naive(dt.date(), dt.time());
  }
  for (const char* format : {"yyyy-MM-dd", "yyyy/MM/dd"}) {
    const QDate d = QDate::fromString(s, QLatin1String(format));
    if (d.isValid()) return Naive(d, QTime(0, 0));
  }
  for (const char* format : {"HH:mm:ss.zzz", "HH:mm:ss", "HH:mm"}) {
    const QTime t = QTime::fromString(s, QLatin1String(format));
    if (t.isValid()) return Naive(kDayZero, t);
  }
  return {};
}

}  // namespace

QString FormatGeneralFloat(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15G", value);
  return DecimalPointToLocale(QString::fromLatin1(buffer));
}

QString FormatExactDecimal(const CellValue& value) {
  switch (value.kind) {
    case CellKind::Integer: return QString::number(value.integer);
    case CellKind::Float: {
      // The shortest text that reads back as the stored double, in fixed notation.
      char buffer[400];
      auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value.real, std::chars_format::fixed);
      if (ec != std::errc()) return FormatGeneralFloat(value.real);
      return DecimalPointToLocale(StripFractionZeros(QString::fromLatin1(buffer, end - buffer)));
    }
    case CellKind::Text: {
      const QString text = Utf8(value).trimmed();
      bool ok = false;
      text.toDouble(&ok);
      if (!ok || text.contains(QLatin1Char('e'), Qt::CaseInsensitive)) return text;
      return DecimalPointToLocale(StripFractionZeros(text));
    }
    default: return {};
  }
}

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

QDateTime CellToDateTime(const CellValue& v) {
  switch (v.kind) {
    case CellKind::Text: return ParseDateTimeText(Utf8(v));
    case CellKind::Integer: {
      const QDateTime utc = QDateTime::fromSecsSinceEpoch(v.integer, Qt::UTC);
      return Naive(utc.date(), utc.time());
    }
    case CellKind::Float: {
      // A Julian day number, as SQLite's julianday() gives it.
      const double jd = v.real + 0.5;
      const qint64 day = static_cast<qint64>(std::floor(jd));
      const qint64 ms = std::llround((jd - static_cast<double>(day)) * 86400000.0);
      return Naive(QDate::fromJulianDay(day), QTime(0, 0)).addMSecs(ms);
    }
    default: return {};
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
      if (type == ftTime) return locale.toString(dt.time(), LongTimeFormat(locale));
      QString text = locale.toString(dt.date(), QLocale::ShortFormat);
      if (dt.time() != QTime(0, 0)) text += QLatin1Char(' ') + locale.toString(dt.time(), LongTimeFormat(locale));
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
