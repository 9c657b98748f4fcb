#include "xls/exact_number.h"

#include <cstdint>

namespace {
// A double holds every integer up to 2^53 and about 15 significant digits.
constexpr std::int64_t kExactInteger = std::int64_t{1} << 53;
constexpr int kExactDigits = 15;
}  // namespace

bool DoubleHoldsExactly(TFieldType type, const CellValue& value, const QString& text) {
  if (value.kind == CellKind::Float || type == ftFloat) return true;
  if (value.kind == CellKind::Integer) return value.integer <= kExactInteger && value.integer >= -kExactInteger;
  // A decimal's or a server's text: its significant digits, the exponent's aside.
  int digits = 0;
  bool leading = true;
  for (QChar c : QStringView(text).left(text.indexOf(QLatin1Char('e'), 0, Qt::CaseInsensitive))) {
    if (!c.isDigit()) continue;
    if (leading && c == QLatin1Char('0')) continue;
    leading = false;
    ++digits;
  }
  return digits <= kExactDigits;
}
