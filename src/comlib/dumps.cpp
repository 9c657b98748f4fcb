#include "comlib/dumps.h"

#include "comlib/field_text.h"
#include "database/query.h"

#include <QTableWidget>

const QString kCutOffLine = QStringLiteral("==>還有更多資料...");

namespace {
const QString kCrLf = QStringLiteral("\r\n");
}

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

QString DataSetText(TQuery& dataSet, const QString& separator) {
  QString text = dataSet.Name() + QStringLiteral(": Total Records=") + QString::number(dataSet.RecordCount());
  text += kCrLf + QStringLiteral("Rcd#") + separator;
  for (int i = 0; i < dataSet.FieldCount(); ++i) text += dataSet.Fields(i)->FieldName() + separator;
  dataSet.First();
  int k = 0;
  while (!dataSet.Eof()) {
    ++k;
    text += kCrLf + QString::number(k) + separator;
    for (int i = 0; i < dataSet.FieldCount(); ++i) {
      AppendFieldText(text, dataSet.Fields(i));
      text += separator;
    }
    if (k > 100) {
      text += kCrLf + kCutOffLine;
      break;
    }
    dataSet.Next();
  }
  dataSet.First();
  return text;
}

QString QueryDumpText(const TQuery& query) {
  QString text = query.Name() + QStringLiteral(".SQL.Text:") + query.SQL().Text() + kCrLf;
  for (int i = 0; i < query.ParamCount(); ++i) {
    const TParam& p = query.Params(i);
    text += QStringLiteral("Parambyname('") + p.Name + QStringLiteral("').asstring:") + p.AsString() + kCrLf;
  }
  if (query.RowsAffected() != -1) text += QStringLiteral("RowsAffected=") + QString::number(query.RowsAffected()) + kCrLf;
  return text;
}
