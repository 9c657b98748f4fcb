#pragma once
#include <QString>

class TQuery;

// Records an XLS sheet can hold: 65535 rows less the two heading rows.
constexpr qint64 kMaxXlsRecords = 65533;

// Writes the open query to an XLS file: the query dump in row 0, the field
// names in row 1, one row per record from row 2. Asks before overwriting;
// refuses, before touching the file, a result larger than a sheet. Tells the
// user when characters had to be replaced by "?".
void QueryToXLS(TQuery& query, const QString& fileName);
