#include "database/number_text.h"

#include "database/value_text.h"

#include <QLocale>

#include <charconv>
#include <cmath>

namespace {

QString LocaleDecimalPoint() {
  static const QString point = QLocale::system().decimalPoint();
  return point;
}

bool LocaleUsesDecimalPoint() {
  static const bool point = LocaleDecimalPoint() == QLatin1String(".");
  return point;
}

}  // namespace

QString LocalizedPoint(QString text) {
  if (!LocaleUsesDecimalPoint()) text.replace(QLatin1Char('.'), LocaleDecimalPoint());
  return text;
}

namespace {

QString StripFractionZeros(QString digits) {
  if (digits.contains(QLatin1Char('.'))) {
    while (digits.endsWith(QLatin1Char('0'))) digits.chop(1);
    if (digits.endsWith(QLatin1Char('.'))) digits.chop(1);
  }
  return digits;
}

}  // namespace

namespace {

int RoundedGeneralFloatChars(char (&buffer)[64], double value) {
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  if (ec != std::errc()) return -1;
  for (char* p = buffer; p != end; ++p) {
    if (*p == 'e') *p = 'E';
    else if (*p == 'i' || *p == 'n' || *p == 'f' || *p == 'a') *p = static_cast<char>(*p - 32);  // INF, NAN
  }
  return static_cast<int>(end - buffer);
}

// The same text as printf's %.15G, with a point; the length, or -1 when it
// does not fit. The rounding to 15 digits costs about a thousand
// instructions a value (measured), so a value whose shortest exact digits
// are 15 or fewer (nearly every stored value) is laid out from those:
// rounding it to 15 digits gives the same digits. Not so for subnormal
// values, which hold fewer digits than that.
// A value that is a decimal of at most 15 digits with fixed notation under
// %G (1e-4 <= |value| < 1e14), as n / 10^k for the smallest k that reads
// back exactly: the common case, at a tenth of the cost of the shortest
// digits. Division of exact integers rounds correctly, so the test of the
// candidate is exact. False when the value is not such a decimal.
bool SmallDecimalChars(char (&buffer)[64], double value, int& length) {
  static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  static constexpr std::int64_t kLimit = 1000000000000000;  // 10^15: more digits than %.15G keeps
  const double magnitude = std::abs(value);
  if (!(magnitude >= 1.001e-4 && magnitude < 1e14)) return false;
  for (int k = 0; k < 16; ++k) {
    const double scaled = magnitude * kPowers[k];
    if (scaled >= static_cast<double>(kLimit)) return false;
    const auto n = static_cast<std::int64_t>(std::llround(scaled));
    if (static_cast<double>(n) / kPowers[k] != magnitude) continue;
    char* out = buffer;
    if (value < 0) *out++ = '-';
    const auto power = static_cast<std::int64_t>(kPowers[k]);
    out = std::to_chars(out, buffer + sizeof buffer, n / power).ptr;
    if (k > 0) {
      *out++ = '.';
      std::int64_t fraction = n % power;
      for (int i = k - 1; i >= 0; --i, fraction /= 10) out[i] = static_cast<char>('0' + fraction % 10);
      out += k;
    }
    length = static_cast<int>(out - buffer);
    return true;
  }
  return false;
}

}  // namespace

int GeneralFloatChars(char (&buffer)[64], double value) {
  if (int length = 0; SmallDecimalChars(buffer, value, length)) return length;
  if (!std::isnormal(value) && value != 0) return RoundedGeneralFloatChars(buffer, value);
  char shortest[40];
  const auto [end, ec] = std::to_chars(shortest, shortest + sizeof shortest, value, std::chars_format::scientific);
  if (ec != std::errc()) return RoundedGeneralFloatChars(buffer, value);
  // "-d.ddde+XX": the sign, the digits without the point, the exponent.
  const char* p = shortest;
  const bool negative = *p == '-';
  if (negative) ++p;
  char digits[20];
  int count = 0;
  for (; p != end && *p != 'e'; ++p) {
    if (*p == '.') continue;
    if (count == 15) return RoundedGeneralFloatChars(buffer, value);
    digits[count++] = *p;
  }
  int exponent = 0;
  std::from_chars(p + (p[1] == '+' ? 2 : 1), end, exponent);
  char* out = buffer;
  if (negative) *out++ = '-';
  if (exponent < -4 || exponent >= 15) {
    *out++ = digits[0];
    if (count > 1) {
      *out++ = '.';
      for (int i = 1; i < count; ++i) *out++ = digits[i];
    }
    *out++ = 'E';
    *out++ = exponent < 0 ? '-' : '+';
    const int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude < 10) *out++ = '0';
    out = std::to_chars(out, buffer + sizeof buffer, magnitude).ptr;
  } else if (exponent >= 0) {
    for (int i = 0; i <= exponent; ++i) *out++ = i < count ? digits[i] : '0';
    if (count > exponent + 1) {
      *out++ = '.';
      for (int i = exponent + 1; i < count; ++i) *out++ = digits[i];
    }
  } else {
    *out++ = '0';
    *out++ = '.';
    for (int i = 1; i < -exponent; ++i) *out++ = '0';
    for (int i = 0; i < count; ++i) *out++ = digits[i];
  }
  return static_cast<int>(out - buffer);
}




QString GeneralFloatText(double value) {
  char buffer[64];
  const int length = GeneralFloatChars(buffer, value);
  if (length < 0) return QString::number(value);
  return QString::fromLatin1(buffer, length);
}

QString FormatGeneralFloat(double value) { return LocalizedPoint(GeneralFloatText(value)); }

QString FormatExactDecimal(const CellValue& value) { return LocalizedPoint(ExactDecimalText(value)); }

QString ExactDecimalText(const CellValue& value) {
  switch (value.kind) {
    case CellKind::Integer: return QString::number(value.integer);
    case CellKind::Float: {
      // The shortest text that reads back as the stored double, in fixed notation.
      char buffer[400];
      auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value.real, std::chars_format::fixed);
      if (ec != std::errc()) return GeneralFloatText(value.real);
      return StripFractionZeros(QString::fromLatin1(buffer, end - buffer));
    }
    case CellKind::Text: {
      const QString text = StoredText(value).trimmed();
      bool ok = false;
      text.toDouble(&ok);
      if (!ok || text.contains(QLatin1Char('e'), Qt::CaseInsensitive)) return text;
      return StripFractionZeros(text);
    }
    default: return {};
  }
}

