#include "database/value_text.h"

#include <QLocale>

#include <cmath>

namespace {

const QDate kDayZero(1899, 12, 30);

QDateTime Naive(QDate date, QTime time) { return QDateTime(date, time, Qt::UTC); }

int Digits(const char* p, int count) {
  int v = 0;
  for (int i = 0; i < count; ++i) {
    if (p[i] < '0' || p[i] > '9') return -1;
    v = v * 10 + (p[i] - '0');
  }
  return v;
}

// "HH:MM[:SS[.fff]]" at p; false when it is not that.
bool ParseIsoTime(const char* p, std::size_t n, DateTimeParts& parts) {
  if (n < 5 || p[2] != ':') return false;
  const int h = Digits(p, 2), m = Digits(p + 3, 2);
  int s = 0, ms = 0;
  std::size_t used = 5;
  if (n >= 8 && p[5] == ':') {
    s = Digits(p + 6, 2);
    used = 8;
    if (n > 9 && p[8] == '.') {
      int scale = 100;
      for (used = 9; used < n && p[used] >= '0' && p[used] <= '9'; ++used, scale /= 10)
        if (scale) ms += (p[used] - '0') * scale;
    }
  }
  if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59 || used != n) return false;
  parts.hour = h;
  parts.minute = m;
  parts.second = s;
  parts.msec = ms;
  return true;
}

// The ISO forms engines store, without going through a general parser:
// "YYYY-MM-DD", the same with " HH:MM[:SS[.fff]]" or "T...", or a time alone.
bool ParseIso(const char* p, std::size_t n, DateTimeParts& parts) {
  if (n >= 10 && p[4] == '-' && p[7] == '-') {
    parts.year = Digits(p, 4);
    parts.month = Digits(p + 5, 2);
    parts.day = Digits(p + 8, 2);
    if (!QDate::isValid(parts.year, parts.month, parts.day)) return false;
    return n == 10 || ((p[10] == ' ' || p[10] == 'T') && ParseIsoTime(p + 11, n - 11, parts));
  }
  return ParseIsoTime(p, n, parts);
}

bool PartsOf(const QDateTime& dt, DateTimeParts& parts) {
  if (!dt.isValid()) return false;
  dt.date().getDate(&parts.year, &parts.month, &parts.day);
  const QTime t = dt.time();
  parts.hour = t.hour();
  parts.minute = t.minute();
  parts.second = t.second();
  parts.msec = t.msec();
  return true;
}

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


QString Utf8(const CellValue& v) { return StoredText(v); }

}  // namespace

QString LongTimeFormatOf(const QLocale& locale) {
  const QString format = locale.timeFormat(QLocale::LongFormat);
  QString out;
  bool quoted = false;
  for (qsizetype i = 0; i < format.size(); ++i) {
    const QChar c = format[i];
    if (c == QLatin1Char('\'')) quoted = !quoted;
    if (quoted || c == QLatin1Char('\'')) {
      out += c;
    } else if (c == QLatin1Char('B')) {
      // A day period ("上午"/"下午"), which Qt writes as AP.
      if (i == 0 || format[i - 1] != QLatin1Char('B')) out += QLatin1String("AP");
    } else if (c != QLatin1Char('t')) {
      out += c;  // the zone name goes: stored times carry none
    }
  }
  // The brackets that held the zone, and the blanks before them.
  out.remove(QLatin1String("[]"));
  out.remove(QLatin1String("()"));
  while (out.contains(QLatin1String("  "))) out.replace(QLatin1String("  "), QLatin1String(" "));
  return out.trimmed();
}


bool CellToDateTimeParts(const CellValue& v, DateTimeParts& parts) {
  parts = DateTimeParts{};
  switch (v.kind) {
    case CellKind::Text:
      if (ParseIso(v.data, v.size, parts)) return true;
      parts = DateTimeParts{};
      return PartsOf(ParseDateTimeText(Utf8(v)), parts);
    case CellKind::Integer: {
      const QDateTime utc = QDateTime::fromSecsSinceEpoch(v.integer, Qt::UTC);
      return PartsOf(utc, parts);
    }
    case CellKind::Float: {
      // A Julian day number, as SQLite's julianday() gives it.
      const double jd = v.real + 0.5;
      const qint64 day = static_cast<qint64>(std::floor(jd));
      const qint64 ms = std::llround((jd - static_cast<double>(day)) * 86400000.0);
      return PartsOf(Naive(QDate::fromJulianDay(day), QTime(0, 0)).addMSecs(ms), parts);
    }
    default: return false;
  }
}

QDateTime CellToDateTime(const CellValue& v) {
  DateTimeParts p;
  if (!CellToDateTimeParts(v, p)) return {};
  return Naive(QDate(p.year, p.month, p.day), QTime(p.hour, p.minute, p.second, p.msec));
}

