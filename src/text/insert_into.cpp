#include "text/insert_into.h"

#include "text/text_utils.h"

namespace {

// Removes blanks and control characters at both ends.
QString TrimControls(const QString& text) {
  qsizetype from = 0, to = text.size();
  while (from < to && text.at(from).unicode() <= ' ') ++from;
  while (to > from && text.at(to - 1).unicode() <= ' ') --to;
  return text.mid(from, to - from);
}

// A name written quoted (`a b`, "a b", [a b]) at `from`, with a dotted
// part after it: the whole of it, whatever blanks it holds and however long
// it is, so that the script names the same table. Empty when the text there
// does not start with a quote mark.
QString QuotedNameAt(const QString& text, qsizetype from) {
  while (from < text.size() && text.at(from).unicode() <= ' ') ++from;
  qsizetype i = from;
  bool quoted = false;
  while (i < text.size()) {
    const QChar open = text.at(i);
    if (open == QLatin1Char('`') || open == QLatin1Char('"') || open == QLatin1Char('[')) {
      const QChar close = open == QLatin1Char('[') ? QLatin1Char(']') : open;
      qsizetype j = i + 1;
      for (; j < text.size(); ++j) {
        if (text.at(j) != close) continue;
        if (j + 1 < text.size() && text.at(j + 1) == close) ++j;  // a doubled mark stands for itself
        else break;
      }
      if (j >= text.size()) return {};
      i = j + 1;
      quoted = true;
    } else {
      while (i < text.size() && (text.at(i).isLetterOrNumber() || text.at(i) == QLatin1Char('_'))) ++i;
    }
    if (i >= text.size() || text.at(i) != QLatin1Char('.')) break;
    ++i;
  }
  return quoted ? text.mid(from, i - from) : QString();
}

}  // namespace

InsertIntoTexts DeriveInsertInto(const QString& statement, const QString& insertInto, const QString& values,
                                 bool insertMode) {
  InsertIntoTexts out{QString(), insertInto, values, false};
  // 1-based position of "from", 0 when absent; the name starts at p + 5.
  const qsizetype p = LowerAscii(statement).indexOf(QLatin1String("from")) + 1;
  QString table = p > 0 ? QuotedNameAt(statement, p + 4) : QString();
  if (table.isEmpty()) {
    table = TrimControls(statement.mid(p + 4, 20));
    if (const qsizetype blank = table.indexOf(QLatin1Char(' ')); blank >= 0) table = TrimControls(table.left(blank));
  }
  out.tableName = table;

  if (insertMode && insertInto.trimmed().isEmpty() && values.trimmed().isEmpty()) {
    out.insertInto = QStringLiteral("insert into ") + (p > 0 ? table : QString());
    out.values = QStringLiteral("values");
    out.setBraces = true;
  }
  if (!out.insertInto.isEmpty() && (table.isEmpty() || !out.insertInto.contains(table))) {
    const qsizetype into = out.insertInto.indexOf(QLatin1String("into"), 0, Qt::CaseInsensitive);
    // A text without "into" becomes a whole insert clause rather than its
    // first three characters.
    const QString head = into >= 0 ? out.insertInto.left(into + 4) : QStringLiteral("insert into");
    out.insertInto = head + QLatin1Char(' ') + table;
  }
  return out;
}
