#include "text/names.h"

#include <QSet>

namespace {
bool IsAsciiLetter(QChar c) { return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')); }
bool IsAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// Words that a name may not be without quotes in the engines the program
// speaks to (the reserved words they share).
const QSet<QString>& ReservedWords() {
  static const QSet<QString> words = [] {
    QSet<QString> set;
    for (const char* w : {"all", "and", "any", "as", "asc", "between", "by", "case", "check", "column", "constraint",
                          "create", "cross", "default", "delete", "desc", "distinct", "drop", "else", "end", "except",
                          "exists", "false", "fetch", "for", "foreign", "from", "full", "go", "grant", "group",
                          "having", "in", "index", "inner", "insert", "intersect", "into", "is", "join", "key", "left",
                          "like", "limit", "not", "null", "offset", "on", "or", "order", "outer", "primary",
                          "references", "right", "select", "set", "table", "then", "to", "true", "union", "unique",
                          "update", "use", "user", "using", "values", "when", "where", "with"})
      set.insert(QLatin1String(w));
    return set;
  }();
  return words;
}
}  // namespace

bool IsPlainName(const QString& name) {
  if (name.isEmpty() || !(IsAsciiLetter(name[0]) || name[0] == QLatin1Char('_'))) return false;
  for (QChar c : name)
    if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != QLatin1Char('_')) return false;
  return !ReservedWords().contains(name.toLower());
}

QString SpelledName(const QString& name, QChar quote) {
  if (IsPlainName(name)) return name;
  const QChar close = quote == QLatin1Char('[') ? QLatin1Char(']') : quote;
  QString inner = name;
  inner.replace(close, QString(2, close));
  return quote + inner + close;
}
