#include "database/odbc/iso_text.h"

#include <cstdio>

namespace {

// Fixed-width decimal digits; false when the value does not fit.
bool Digits(char*& p, unsigned value, int width) {
  unsigned limit = 1;
  for (int i = 0; i < width; ++i) limit *= 10;
  if (value >= limit) return false;
  for (int i = width - 1; i >= 0; --i) {
    p[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  p += width;
  return true;
}

bool DatePart(char*& p, int year, unsigned month, unsigned day) {
  if (year < 0) return false;
  if (!Digits(p, static_cast<unsigned>(year), 4)) return false;
  *p++ = '-';
  if (!Digits(p, month, 2)) return false;
  *p++ = '-';
  return Digits(p, day, 2);
}

bool TimePart(char*& p, unsigned hour, unsigned minute, unsigned second) {
  if (!Digits(p, hour, 2)) return false;
  *p++ = ':';
  if (!Digits(p, minute, 2)) return false;
  *p++ = ':';
  return Digits(p, second, 2);
}

}  // namespace

// Values that do not fit the widths (a negative year, a field past 99) are
// rare and left to printf, which widens them as it always did.
int IsoDateText(char* out, int year, unsigned month, unsigned day) {
  char* p = out;
  if (DatePart(p, year, month, day)) return static_cast<int>(p - out);
  return std::snprintf(out, 40, "%04d-%02u-%02u", year, month, day);
}

int IsoTimeText(char* out, unsigned hour, unsigned minute, unsigned second) {
  char* p = out;
  if (TimePart(p, hour, minute, second)) return static_cast<int>(p - out);
  return std::snprintf(out, 40, "%02u:%02u:%02u", hour, minute, second);
}

int IsoTimestampText(char* out, int year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                     unsigned second, unsigned milliseconds) {
  char* p = out;
  if (DatePart(p, year, month, day)) {
    *p++ = ' ';
    if (TimePart(p, hour, minute, second)) {
      *p++ = '.';
      if (Digits(p, milliseconds, 3)) return static_cast<int>(p - out);
    }
  }
  return std::snprintf(out, 40, "%04d-%02u-%02u %02u:%02u:%02u.%03u", year, month, day, hour, minute, second,
                       milliseconds);
}
