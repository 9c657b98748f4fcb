#pragma once
// How the program spells a table or column name in a statement it writes:
// a plain name as it is, any other between the engine's quote marks.
#include <QChar>
#include <QString>

// Whether a name needs no quotes: an ASCII letter or "_" first, then ASCII
// letters, digits and "_", and no reserved word of SQL.
bool IsPlainName(const QString& name);
// The name as a statement must spell it: plain names unchanged; others
// between `quote` ('"', '`' or '[' for [...]), a quote mark inside doubled.
QString SpelledName(const QString& name, QChar quote = QLatin1Char('"'));
