#include "controls/column_list.h"

#include "database/query.h"

QString ColumnEntry(const QString& fieldName, int width, const QString& title) {
  return fieldName + QLatin1Char('\t') + QString::number(width) + QLatin1Char('\t') + title;
}

void ApplyColumnList(TQuery& query, const QStringList& entries) {
  if (!query.Active()) return;
  for (int i = 0; i < query.FieldCount(); ++i) query.Fields(i)->SetVisible(false);
  for (int k = 0; k < entries.size(); ++k) {
    const QStringList pieces = entries[k].split(QLatin1Char('\t'));
    TField* field = query.FindField(pieces.value(0));
    if (!field) continue;
    field->SetDisplayWidth(pieces.value(1).trimmed().toInt());
    field->SetDisplayLabel(pieces.value(2));
    query.MoveField(field, std::min(k, query.FieldCount() - 1));
    field->SetVisible(true);
  }
}
