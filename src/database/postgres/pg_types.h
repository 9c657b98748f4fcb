#pragma once
// How the columns of a PostgreSQL result are described and read. The
// description is the one the PostgreSQL ODBC driver gives for the same
// column, so a data source shows the same fields whichever way it is reached.
#include "database/backend.h"

// How a column's text from the server becomes a stored value.
enum class PgRead { Integer, Float, Money, Boolean, Bytes, DateText, UpperText, Text };

struct PgColumnType {
  ColumnDescription description;
  PgRead read = PgRead::Text;
};

// `autoUnique`: the column is a table's serial or identity column.
PgColumnType DescribePgColumn(const QString& name, unsigned typeOid, int typmod, bool autoUnique);

// Type OIDs of the integer columns that can be serial or identity columns.
bool PgTypeCanBeSerial(unsigned typeOid);
