#include "controls/column_list.h"

#include "database/query.h"

#include <set>

QString ColumnEntry(const QString& fieldName, int width, const QString& title) {
  return fieldName + QLatin1Char('\t') + QString::number(width) + QLatin1Char('\t') + title;
}

namespace {
// The first field of that name (ignoring case) that no earlier entry took: a
// result may name two columns alike ("select a, b as a"), and each entry is
// one of them, in order.
TField* NextFieldNamed(const TQuery& query, const QString& name, const std::set<const TField*>& taken) {
  for (int i = 0; i < query.FieldCount(); ++i) {
    TField* field = query.Fields(i);
    if (field->FieldName().compare(name, Qt::CaseInsensitive) == 0 && !taken.count(field)) return field;
  }
  return nullptr;
}
}  // namespace

void ApplyColumnList(TQuery& query, const QStringList& entries) {
  if (!query.Active()) return;
  for (int i = 0; i < query.FieldCount(); ++i) query.Fields(i)->SetVisible(false);
  std::set<const TField*> taken;
  for (int k = 0; k < entries.size(); ++k) {
    const QStringList pieces = entries[k].split(QLatin1Char('\t'));
    TField* field = NextFieldNamed(query, pieces.value(0), taken);
    if (!field) continue;
    taken.insert(field);
    field->SetDisplayWidth(pieces.value(1).trimmed().toInt());
    field->SetDisplayLabel(pieces.value(2));
    query.MoveField(field, std::min(k, query.FieldCount() - 1));
    field->SetVisible(true);
  }
}
