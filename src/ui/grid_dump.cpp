#include "ui/grid_dump.h"

#include "text/dumps.h"

#include <QTableWidget>

QString StringGridText(const QTableWidget& grid, const QString& separator) {
  const int rows = grid.rowCount(), cols = grid.columnCount();
  QString text = grid.objectName() + QStringLiteral(": RowCount=") + QString::number(rows) +
                 QStringLiteral(" ColCount=") + QString::number(cols);
  for (int r = 0; r < rows; ++r) {
    text += kCrLf;
    for (int c = 0; c < cols; ++c) {
      const QTableWidgetItem* item = grid.item(r, c);
      text += (item ? item->text() : QString()) + separator;
    }
    if (r > 500) {
      text += kCrLf + kCutOffLine;
      break;
    }
  }
  return text;
}
