#pragma once
// The result grid's column list: one entry per shown column, in display
// order, "field name<TAB>width in characters<TAB>title".
#include <QString>
#include <QStringList>

class TQuery;

QString ColumnEntry(const QString& fieldName, int width, const QString& title);
// Applies the list to the open result: every field hidden, then each entry's
// field (name matched ignoring case) given its width and title, moved to the
// entry's position and shown. Entries naming no field are passed over.
void ApplyColumnList(TQuery& query, const QStringList& entries);
