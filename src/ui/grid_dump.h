#pragma once
// The plain-text dump of a string grid (the column settings' list).
#include <QString>

class QTableWidget;

// The grid's name and size, then every row (at most rows 0 to 501), each cell
// followed by the separator; lines end with CR LF.
QString StringGridText(const QTableWidget& grid, const QString& separator);
