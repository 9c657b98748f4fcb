#include "controls/statement/sql_highlighter.h"

#include <QSet>

namespace {

// What a line ends inside, carried to the next line as its block state.
enum State { kPlain = 0, kComment = 1, kText = 2, kDoubleQuoted = 3, kBackQuoted = 4 };

// Longer lines are left plain: laying out the colours of a line of
// megabytes would cost every key typed in it.
constexpr qsizetype kLongestHighlightedLine = 100000;

const QSet<QString>& Keywords() {
  static const QSet<QString> words = [] {
    QSet<QString> set;
    for (const char* w :
         {"select", "from", "where", "and", "or", "not", "in", "is", "null", "like", "between", "exists", "as",
          "distinct", "all", "any", "some", "join", "inner", "left", "right", "full", "outer", "cross", "natural",
          "on", "using", "group", "by", "order", "having", "limit", "offset", "fetch", "first", "next", "rows",
          "only", "top", "union", "intersect", "except", "case", "when", "then", "else", "end", "asc", "desc",
          "with", "recursive", "over", "partition", "window", "cast", "true", "false", "insert", "into", "values",
          "update", "set", "delete", "create", "table", "view", "index", "drop", "alter", "primary", "key",
          "foreign", "references", "default", "unique", "check", "constraint", "go", "use", "escape", "collate",
          "interval", "filter", "lateral", "nulls", "count", "sum", "avg", "min", "max", "coalesce"})
      set.insert(QLatin1String(w));
    return set;
  }();
  return words;
}

bool IsWordStart(QChar c) { return c.isLetter() || c == QLatin1Char('_'); }
bool IsWordPart(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$'); }
bool IsDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// The end of a quoted part that starts inside the mark `close` at `from`
// (a doubled mark stands for itself); -1 when the line ends inside it.
qsizetype QuotedEnd(const QString& text, qsizetype from, QChar close) {
  for (qsizetype i = from; i < text.size(); ++i) {
    if (text[i] != close) continue;
    if (i + 1 < text.size() && text[i + 1] == close) {
      ++i;
      continue;
    }
    return i + 1;
  }
  return -1;
}

}  // namespace

SqlHighlighter::SqlHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {
  // Dark colours on the pane's white: readable at any scale.
  keyword_.setForeground(QColor(0x00, 0x00, 0xA0));
  keyword_.setFontWeight(QFont::Bold);
  text_.setForeground(QColor(0xA3, 0x15, 0x15));
  name_.setForeground(QColor(0x80, 0x00, 0x80));
  number_.setForeground(QColor(0x00, 0x6E, 0x6E));
  comment_.setForeground(QColor(0x00, 0x70, 0x00));
  comment_.setFontItalic(true);
}

const QTextCharFormat& SqlHighlighter::Format(Kind kind) const {
  switch (kind) {
    case Kind::Keyword: return keyword_;
    case Kind::Text: return text_;
    case Kind::Name: return name_;
    case Kind::Number: return number_;
    case Kind::Comment: return comment_;
  }
  return text_;
}

void SqlHighlighter::highlightBlock(const QString& text) {
  int state = std::max(previousBlockState(), 0);
  const qsizetype n = text.size();
  if (n > kLongestHighlightedLine) {
    setCurrentBlockState(state);
    return;
  }
  // A part that goes on from the line before.
  qsizetype i = 0;
  auto closeFrom = [&](const QTextCharFormat& format, qsizetype end) {
    if (end < 0) {
      setFormat(i, n - i, format);
      i = n;
    } else {
      setFormat(i, end - i, format);
      i = end;
      state = kPlain;
    }
  };
  while (i < n) {
    if (state == kComment) {
      const qsizetype end = text.indexOf(QLatin1String("*/"), i);
      closeFrom(comment_, end < 0 ? -1 : end + 2);
      continue;
    }
    if (state == kText) {
      closeFrom(text_, QuotedEnd(text, i, QLatin1Char('\'')));
      continue;
    }
    if (state == kDoubleQuoted || state == kBackQuoted) {
      closeFrom(name_, QuotedEnd(text, i, state == kDoubleQuoted ? QLatin1Char('"') : QLatin1Char('`')));
      continue;
    }
    const QChar c = text[i];
    const QChar next = i + 1 < n ? text[i + 1] : QChar();
    if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
      setFormat(i, n - i, comment_);
      break;
    }
    if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
      state = kComment;
      const qsizetype end = text.indexOf(QLatin1String("*/"), i + 2);
      closeFrom(comment_, end < 0 ? -1 : end + 2);
      continue;
    }
    if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
      state = c == QLatin1Char('\'') ? kText : (c == QLatin1Char('"') ? kDoubleQuoted : kBackQuoted);
      closeFrom(state == kText ? text_ : name_, QuotedEnd(text, i + 1, c));
      continue;
    }
    if (IsDigit(c) || (c == QLatin1Char('.') && IsDigit(next))) {
      qsizetype end = i;
      while (end < n && (IsDigit(text[end]) || text[end] == QLatin1Char('.'))) ++end;
      if (end < n && (text[end] == QLatin1Char('e') || text[end] == QLatin1Char('E'))) {
        qsizetype exponent = end + 1;
        if (exponent < n && (text[exponent] == QLatin1Char('+') || text[exponent] == QLatin1Char('-'))) ++exponent;
        if (exponent < n && IsDigit(text[exponent])) {
          end = exponent;
          while (end < n && IsDigit(text[end])) ++end;
        }
      }
      setFormat(i, end - i, number_);
      i = end;
      continue;
    }
    if (IsWordStart(c)) {
      qsizetype end = i + 1;
      while (end < n && IsWordPart(text[end])) ++end;
      if (end - i <= 12 && Keywords().contains(text.mid(i, end - i).toLower())) setFormat(i, end - i, keyword_);
      i = end;
      continue;
    }
    ++i;
  }
  setCurrentBlockState(state);
}
