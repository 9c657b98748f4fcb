#include "database/mysql_values.h"

#include "database/value_text.h"

#include <charconv>
#include <cstdint>

bool IsProgramDateTime(const char* data, std::size_t size) {
  DateTimeParts parts;
  return CellToDateTimeParts(CellValue{.kind = CellKind::Text, .data = data, .size = size}, parts);
}

void StoreMySqlValue(MySqlRead read, const char* data, std::size_t size, RowStore& into, qint64& serverText) {
  switch (read) {
    case MySqlRead::Integer: {
      std::int64_t v = 0;
      const auto [end, ec] = std::from_chars(data, data + size, v);
      if (ec == std::errc() && end == data + size) return into.AddInteger(v);
      return into.AddText(data, size);
    }
    case MySqlRead::Unsigned: {
      std::uint64_t v = 0;
      const auto [end, ec] = std::from_chars(data, data + size, v);
      if (ec == std::errc() && end == data + size && v <= static_cast<std::uint64_t>(INT64_MAX))
        return into.AddInteger(static_cast<std::int64_t>(v));
      return into.AddText(data, size);  // 2^63 and above: whole, as the server wrote it
    }
    case MySqlRead::DateText:
      if (!IsProgramDateTime(data, size)) ++serverText;
      return into.AddText(data, size);
    case MySqlRead::Bit1: {
      const bool set = size > 0 && data[size - 1] != 0;
      return into.AddText(set ? "1" : "0", 1);
    }
    case MySqlRead::Bytes: return into.AddBlob(data, size);
    case MySqlRead::ServerText:
    case MySqlRead::Text: return into.AddText(data, size);
  }
}
