#include "database/statement_text.h"

namespace {

bool IsBlank(QChar c) { return c.isSpace(); }

// The end of a dollar-quote tag ("$$" or "$name$") starting at i, or -1.
qsizetype DollarTagEnd(QStringView s, qsizetype i) {
  qsizetype j = i + 1;
  while (j < s.size() && (s[j].isLetterOrNumber() || s[j] == QLatin1Char('_'))) ++j;
  if (j < s.size() && s[j] == QLatin1Char('$')) {
    // A tag does not start with a digit ("$1" is a parameter).
    if (j > i + 1 && s[i + 1].isDigit()) return -1;
    return j + 1;
  }
  return -1;
}

// Position after the comment or quoted text that starts at i, or i when
// none starts there.
struct Dialect {
  bool backslashEscapes;  // 'it\'s' (MySQL, PostgreSQL's E'...')
  bool dollarQuotes;      // $tag$ ... $tag$ (PostgreSQL)
};

qsizetype SkipQuotedOrComment(QStringView s, qsizetype i, Dialect dialect) {
  const qsizetype n = s.size();
  const QChar c = s[i];
  if (c == QLatin1Char('-') && i + 1 < n && s[i + 1] == QLatin1Char('-')) {
    while (i < n && s[i] != QLatin1Char('\n')) ++i;
    return i;
  }
  if (c == QLatin1Char('/') && i + 1 < n && s[i + 1] == QLatin1Char('*')) {
    int depth = 0;
    while (i < n) {
      if (s[i] == QLatin1Char('/') && i + 1 < n && s[i + 1] == QLatin1Char('*')) {
        ++depth;
        i += 2;
      } else if (s[i] == QLatin1Char('*') && i + 1 < n && s[i + 1] == QLatin1Char('/')) {
        i += 2;
        if (--depth == 0) return i;
      } else {
        ++i;
      }
    }
    return n;
  }
  if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('[')) {
    const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
    for (++i; i < n; ++i) {
      if (dialect.backslashEscapes && s[i] == QLatin1Char('\\')) {
        ++i;
      } else if (s[i] == close) {
        if (i + 1 < n && s[i + 1] == close) ++i;  // a doubled mark stands for itself
        else return i + 1;
      }
    }
    return n;
  }
  if (c == QLatin1Char('$') && dialect.dollarQuotes) {
    const qsizetype tagEnd = DollarTagEnd(s, i);
    if (tagEnd < 0) return i;
    const QStringView tag = s.mid(i, tagEnd - i);
    const qsizetype close = s.indexOf(tag, tagEnd);
    return close < 0 ? n : close + tag.size();
  }
  return i;
}

bool HoldsOneStatement(QStringView s, Dialect dialect) {
  bool ended = false;  // a semicolon closed the first statement
  for (qsizetype i = 0; i < s.size();) {
    const qsizetype next = SkipQuotedOrComment(s, i, dialect);
    const bool comment = next != i && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('/'));
    if (next != i) {
      if (ended && !comment) return false;
      i = next;
      continue;
    }
    if (s[i] == QLatin1Char(';')) ended = true;
    else if (ended && !IsBlank(s[i])) return false;
    ++i;
  }
  return true;
}

}  // namespace

bool HoldsOneStatement(QStringView sql) {
  // Whichever way the engine reads quoted text, it must find one statement.
  for (const Dialect dialect : {Dialect{false, false}, Dialect{false, true}, Dialect{true, false}, Dialect{true, true}})
    if (!HoldsOneStatement(sql, dialect)) return false;
  return true;
}

QString MultipleStatementsMessage() {
  return QStringLiteral("一次只能執行一個SQL指令, 這段文字有多個指令 (以分號隔開), 沒有執行任何指令");
}

QString DatabaseLockedMessage(const QString& engineText) {
  return QStringLiteral("資料庫被其他程式鎖住, 等了 %1 秒仍無法使用, 請稍後再試.(%2)")
      .arg(kSqliteBusyMilliseconds / 1000)
      .arg(engineText);
}
