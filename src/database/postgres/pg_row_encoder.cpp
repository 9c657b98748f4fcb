#include "database/postgres/pg_row_encoder.h"

#include "database/server_text.h"

#include <QString>
#include <charconv>

namespace {

// A date, a time or a timestamp as the server writes it with DateStyle ISO,
// with a four-digit year, no offset, no era: kept as it is. Anything else
// goes through the full reading.
bool IsPlainIsoText(const char* s, std::size_t size) {
  const bool date = size >= 10 && s[4] == '-' && s[7] == '-';
  const bool time = size >= 8 && s[2] == ':' && s[5] == ':';
  if (!date && !time) return false;
  if (date && size > 10 && s[10] != ' ') return false;
  for (std::size_t i = date ? 10 : 8; i < size; ++i)
    if (s[i] == '+' || s[i] == '-' || s[i] == 'B') return false;
  return true;
}

}  // namespace

bool PgRowEncoder::Encode(const PGresult* block, RowStore& into, qint64& unrepresentable) const {
  const int rows = PQntuples(block);
  const int columns = static_cast<int>(reads_.size());
  for (int row = 0; row < rows; ++row) {
    for (int col = 0; col < columns; ++col) {
      if (PQgetisnull(block, row, col)) {
        into.AddNull();
        continue;
      }
      if (!StoreValue(reads_[static_cast<std::size_t>(col)], PQgetvalue(block, row, col),
                      static_cast<std::size_t>(PQgetlength(block, row, col)), into, unrepresentable))
        return false;
    }
    into.EndRow();
  }
  return true;
}

bool PgRowEncoder::StoreValue(PgRead read, const char* text, std::size_t size, RowStore& into,
                              qint64& unrepresentable) const {
  switch (read) {
    case PgRead::Integer: {
      std::int64_t v = 0;
      if (std::from_chars(text, text + size, v).ec == std::errc()) into.AddInteger(v);
      else into.AddText(text, size);
      return true;
    }
    case PgRead::Float: {
      double v = 0;
      if (std::from_chars(text, text + size, v).ec == std::errc()) into.AddFloat(v);
      else into.AddText(text, size);
      return true;
    }
    case PgRead::Money: {
      double v = 0;
      if (ParseMoneyText(QString::fromUtf8(text, static_cast<qsizetype>(size)), v)) into.AddFloat(v);
      else into.AddText(text, size);
      return true;
    }
    case PgRead::Boolean: into.AddText(text[0] == 't' ? "1" : "0", 1); return true;
    case PgRead::Bytes: {
      std::size_t length = 0;
      unsigned char* bytes = PQunescapeBytea(reinterpret_cast<const unsigned char*>(text), &length);
      if (!bytes) return false;
      into.AddBlob(bytes, length);
      PQfreemem(bytes);
      return true;
    }
    case PgRead::DateText: {
      if (IsPlainIsoText(text, size)) {
        into.AddText(text, size);
        return true;
      }
      QByteArray value(text, static_cast<qsizetype>(size));
      if (NormalizeServerDateText(value) == ServerDate::Unrepresentable) {
        ++unrepresentable;
        into.AddNull();
      } else {
        into.AddText(value.constData(), static_cast<std::size_t>(value.size()));
      }
      return true;
    }
    case PgRead::UpperText: {
      const QByteArray upper = QByteArray(text, static_cast<qsizetype>(size)).toUpper();
      into.AddText(upper.constData(), size);
      return true;
    }
    case PgRead::Text: into.AddText(text, size); return true;
  }
  return true;
}
