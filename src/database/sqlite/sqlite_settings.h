#pragma once
// Which ODBC data sources of the SQLite driver the program opens itself, as
// a SQLite file: the driver changes values without a word ('0x1F' to 31, a
// text with a NUL cut there, bytes that are no UTF-8 to "?", a time 0.5 to
// another time), the program's own reading shows each as stored.
#include <QString>
#include <optional>

// The file of a data source whose driver is the SQLite driver and that sets
// nothing the program does not follow the same way (column names with their
// table, expressions typed by the first row, ...); none for every other
// data source. A data source keeps the driver with "Query2TextNative = No".
std::optional<QString> SqliteFileOfDataSource(const QString& dataSource);
