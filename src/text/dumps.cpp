#include "text/dumps.h"

#include "text/field_text.h"
#include "database/query.h"


const QString kCutOffLine = QStringLiteral("==>還有更多資料...");

const QString kCrLf = QStringLiteral("\r\n");


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
