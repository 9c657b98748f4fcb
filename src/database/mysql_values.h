#pragma once
// Values as a MariaDB or MySQL server writes them in its text protocol, read
// into stored values: shared by the native path and the ODBC drivers of
// those servers, so that both show the server's own values.
#include "database/row_store.h"

#include <cstddef>

enum class MySqlRead {
  Integer,     // signed integers
  Unsigned,    // unsigned integers: past the signed range kept as text
  ServerText,  // floats, doubles, decimals, years: the server's digits
  DateText,    // dates and times: what the program cannot hold as one stays the server's text, counted
  Bit1,        // bit(1), as the raw byte: 1 or 0
  Bytes,       // binary strings, blobs, bit(n)
  Text,
};

// Stores one value that is not null. `serverText` counts the dates and
// times kept as the server's text (a zero date, a time past 24 hours or
// below zero).
void StoreMySqlValue(MySqlRead read, const char* data, std::size_t size, RowStore& into, qint64& serverText);

// Whether a date or time text is one the program holds as a date or time.
bool IsProgramDateTime(const char* data, std::size_t size);
