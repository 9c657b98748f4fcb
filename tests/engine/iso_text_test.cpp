// The hand-written date and time texts of the ODBC fetch against printf,
// whose output they replace byte for byte.
#include "database/odbc/iso_text.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {
std::string Printf(const char* format, auto... values) {
  char buffer[64];
  const int n = std::snprintf(buffer, sizeof buffer, format, values...);
  return std::string(buffer, static_cast<std::size_t>(n));
}
}  // namespace

TEST(IsoText, EdgesAsPrintfWritesThem) {
  char out[64];
  auto date = [&](int y, unsigned m, unsigned d) { return std::string(out, static_cast<std::size_t>(IsoDateText(out, y, m, d))); };
  auto time = [&](unsigned h, unsigned mi, unsigned s) {
    return std::string(out, static_cast<std::size_t>(IsoTimeText(out, h, mi, s)));
  };
  auto stamp = [&](int y, unsigned m, unsigned d, unsigned h, unsigned mi, unsigned s, unsigned ms) {
    return std::string(out, static_cast<std::size_t>(IsoTimestampText(out, y, m, d, h, mi, s, ms)));
  };
  EXPECT_EQ(date(1, 1, 1), "0001-01-01");
  EXPECT_EQ(date(9999, 12, 31), "9999-12-31");
  EXPECT_EQ(date(2024, 2, 29), "2024-02-29");
  EXPECT_EQ(time(0, 0, 0), "00:00:00");
  EXPECT_EQ(stamp(2024, 2, 29, 23, 59, 59, 999), "2024-02-29 23:59:59.999");
  EXPECT_EQ(stamp(1, 1, 1, 0, 0, 0, 0), "0001-01-01 00:00:00.000");
  // Out of the widths: as printf widens them.
  EXPECT_EQ(date(-1, 1, 1), Printf("%04d-%02u-%02u", -1, 1u, 1u));
  EXPECT_EQ(date(32767, 12, 8), Printf("%04d-%02u-%02u", 32767, 12u, 8u));
  EXPECT_EQ(time(24, 0, 100), Printf("%02u:%02u:%02u", 24u, 0u, 100u));
  EXPECT_EQ(stamp(-9999, 1, 1, 0, 0, 0, 4294), Printf("%04d-%02u-%02u %02u:%02u:%02u.%03u", -9999, 1u, 1u, 0u, 0u, 0u, 4294u));

  std::mt19937 random(7);
  for (int i = 0; i < 20000; ++i) {
    const int y = static_cast<int>(random() % 70000) - 35000;
    const unsigned m = random() % 120, d = random() % 120, h = random() % 120, mi = random() % 120, s = random() % 120,
                   ms = random() % 5000;
    ASSERT_EQ(stamp(y, m, d, h, mi, s, ms), Printf("%04d-%02u-%02u %02u:%02u:%02u.%03u", y, m, d, h, mi, s, ms));
    ASSERT_EQ(date(y, m, d), Printf("%04d-%02u-%02u", y, m, d));
    ASSERT_EQ(time(h, mi, s), Printf("%02u:%02u:%02u", h, mi, s));
  }
}
