#include "text/row_text.h"

#include "database/value_text.h"
#include "text/literals.h"
#include "text/names.h"
#include "text/text_utils.h"
#include "database/query.h"

#include <QLocale>

namespace {

// Whether a text holds a quote mark, a line feed: one pass without a
// branch, which the compiler turns into vector code.
__attribute__((optimize("O3"))) void FindMarks(const char16_t* text, qsizetype size, bool& quote, bool& feed) {
  unsigned quotes = 0, feeds = 0;
  for (qsizetype i = 0; i < size; ++i) {
    quotes |= text[i] == u'\'';
    feeds |= text[i] == u'\n';
  }
  quote = quotes != 0;
  feed = feeds != 0;
}

bool IsDateType(TFieldType type) { return type == ftDate || type == ftTime || type == ftDateTime; }

// Blobs are always 0x and hex digits; every other unquoted value is checked,
// since an engine such as SQLite lets a number or Boolean column hold any
// text.
bool MayHoldNonNumber(TFieldType type) { return type != ftBlob; }

// Whether the system's date and time texts can hold a quote mark at all (a
// quoted literal in the format); when not, a date needs no second look.
bool LocaleDateTextMayHoldQuote() {
  const QLocale locale = QLocale::system();
  return locale.dateFormat(QLocale::ShortFormat).contains(QLatin1Char('\'')) ||
         locale.timeFormat(QLocale::LongFormat).contains(QLatin1Char('\''));
}

}  // namespace

bool IsNumericLiteral(QStringView text) {
  qsizetype i = 0;
  const qsizetype n = text.size();
  auto digits = [&] {
    const qsizetype from = i;
    while (i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')) ++i;
    return i - from;
  };
  if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) ++i;
  qsizetype mantissa = digits();
  if (i < n && text[i] == QLatin1Char('.')) {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
    ++i;
    if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) ++i;
    if (digits() == 0) return false;
  }
  return i == n;
}

bool IsBatchSeparatorLine(QStringView line) {
  line = line.trimmed();
  if (line.size() < 2 || line.left(2).compare(QLatin1String("go"), Qt::CaseInsensitive) != 0) return false;
  const QStringView count = line.mid(2).trimmed();
  for (QChar c : count)
    if (!c.isDigit()) return false;
  return line.size() == 2 || line[2].isSpace();
}

QString FieldTypeName(TFieldType type) {
  switch (type) {
    case ftString: return QStringLiteral("char");
    case ftSmallint: return QStringLiteral("smallint");
    case ftInteger: return QStringLiteral("integer");
    case ftWord: return QStringLiteral("word");
    case ftBoolean: return QStringLiteral("boolean");
    case ftFloat: return QStringLiteral("float");
    case ftCurrency: return QStringLiteral("currency");
    case ftDate: return QStringLiteral("date");
    case ftTime: return QStringLiteral("time");
    case ftDateTime: return QStringLiteral("datetime");
    case ftBlob: return QStringLiteral("image");
    case ftMemo: return QStringLiteral("memo");
    case ftTypedBinary: return QStringLiteral("TypedBinary");
    default: return QStringLiteral("Unknown");
  }
}

QString QuoteMark(TFieldType type) {
  switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftBoolean:
    case ftFloat:
    case ftCurrency:
    case ftBlob: return QString();
    default: return QStringLiteral("'");
  }
}

QString CountStatement(const QString& statement) {
  const qsizetype from = LowerAscii(statement).indexOf(QLatin1String("from"));
  return QStringLiteral("select cnt=count(*) ") + (from >= 0 ? statement.mid(from) : statement);
}

QString HeaderText(const TQuery& query, const RowOptions& options) {
  QString text;
  if (options.leftBrace) text += QLatin1Char('(');
  if (options.lineFormat == LineFormat::Csv && !options.batchScript) {
    // A CSV reader takes the names as fields like any other.
    for (int i = 0; i < query.FieldCount(); ++i) {
      if (i > 0) text += options.delimiter;
      AppendCsvField(text, query.Fields(i)->FieldName(), options.delimiter.front());
    }
    if (options.rightBrace) text += QLatin1Char(')');
    return text;
  }
  // A name that is no plain name is quoted as the engine quotes names: a
  // name such as "k) values (0); drop table t; --" must not become part of
  // the statement, nor "x,y" two columns.
  const QChar quote = query.IdentifierQuote();
  for (int i = 0; i < query.FieldCount(); ++i) {
    if (i > 0) text += options.delimiter;
    text += SpelledName(query.Fields(i)->FieldName(), quote);
  }
  if (options.rightBrace) text += QLatin1Char(')');
  return text;
}

RowRenderer::RowRenderer(const TQuery& query, RowOptions options) : options_(std::move(options)) {
  const bool localeQuotes = LocaleDateTextMayHoldQuote();
  for (int i = 0; i < query.FieldCount(); ++i) {
    const TField* field = query.Fields(i);
    const QString mark = QuoteMark(field->DataType());
    quotes_.push_back(mark);
    columns_.push_back({field->DataType(), static_cast<std::size_t>(field->StoreColumn()), !mark.isEmpty(),
                        localeQuotes && IsDateType(field->DataType()),
                        mark.isEmpty() && MayHoldNonNumber(field->DataType())});
  }
}

void RowRenderer::AppendRowLine(QString& out, const std::vector<CellValue>& values) const {
  // Built in a buffer of its own and copied whole: see Utf16Buffer.
  Utf16Buffer& line = line_;
  line.Clear();
  if (options_.leftBrace) line.Append(u'(');
  const std::size_t last = columns_.size() - 1;
  const bool csv = !options_.batchScript && options_.lineFormat == LineFormat::Csv;
  const bool target = options_.batchScript && options_.target != LiteralTarget::AsIs;
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    const Column& c = columns_[i];
    const CellValue& value = values[c.storeColumn];
    if (value.isNull()) {
      // A script's null is SQL's; delimited lines have the user's text for it.
      if (options_.batchScript)
        line.AppendAscii("null", 4);
      else
        line.Append(options_.nullText);
    } else if (csv || target) {
      if (!(csv ? AppendCsvValue(line, c, value) : AppendTargetValue(line, c, value))) ++invalidTextValues_;
    } else if (!c.quoted) {
      const qsizetype at = line.Size();
      bool faithful = AppendValueText(line, c.type, value);
      // A number column holding text is written as text, never bare: a bare
      // value would become part of the statement.
      if (c.checkNumber && !IsNumericLiteral(line.Mid(at))) {
        line.Truncate(at);
        faithful = AppendQuoted(line, c, value);
      } else if (!options_.batchScript && line.Mid(at) == options_.nullText) {
        ++valuesLikeNull_;
      }
      if (!faithful) ++invalidTextValues_;
    } else if (!AppendQuoted(line, c, value)) {
      ++invalidTextValues_;
    }
    if (i != last) line.Append(options_.delimiter);
  }
  if (options_.rightBrace) line.Append(u')');
  out.append(line.View());
}

bool RowRenderer::AppendQuoted(Utf16Buffer& out, const Column& c, const CellValue& value) const {
  const qsizetype at = out.Size();
  out.Append(u'\'');
  bool quoteInside = false, feedInside = false, faithful = true;
  // A date in its fixed form holds neither mark; any other value gets one
  // look (values are short): a quote mark, and a line feed that a script's
  // batches must not see alone.
  if (!IsDateType(c.type) || !AppendDateTimeText(out, c.type, value)) {
    faithful = AppendValueText(out, c.type, value);
    FindMarks(out.Data() + at + 1, out.Size() - at - 1, quoteInside, feedInside);
  }
  // Apart from dates, the ordinary text is the text just written.
  const bool holdsMark = c.checkOrdinaryText ? CellText(c.type, value).contains(QLatin1Char('\'')) : quoteInside;
  if (holdsMark) {
    // Between double quotes instead; double quotes inside are doubled so
    // that no value can end its literal early.
    QString text = out.Mid(at + 1).toString();
    out.Truncate(at);
    text.replace(QLatin1Char('"'), QLatin1String("\"\""));
    out.Append(u'"');
    out.Append(text);
    out.Append(u'"');
    if (options_.batchScript && feedInside) KeepBatchesWhole(out, at, QLatin1Char('"'));
  } else {
    out.Append(u'\'');
    if (options_.batchScript && feedInside) KeepBatchesWhole(out, at, QLatin1Char('\''));
  }
  return faithful;
}

bool RowRenderer::AppendCsvValue(Utf16Buffer& out, const Column& c, const CellValue& value) const {
  value_.clear();
  const bool faithful = AppendValueText(value_, c.type, value);
  if (value_ == options_.nullText) ++valuesLikeNull_;
  piece_.clear();
  AppendCsvField(piece_, value_, options_.delimiter.front());
  out.Append(piece_);
  return faithful;
}

// A value for the target server: numbers bare, Booleans TRUE and FALSE,
// dates year first with hyphens (the form every server reads), blobs in the
// target's hexadecimal form, every other value a text literal.
bool RowRenderer::AppendTargetValue(Utf16Buffer& out, const Column& c, const CellValue& value) const {
  value_.clear();
  const bool faithful = AppendValueText(value_, c.type, value);
  const TFieldType type = c.type;
  piece_.clear();
  if (type == ftBlob) {
    AppendTargetBlob(piece_, QStringView(value_).mid(2), options_.target);
  } else if (type == ftBoolean && (value_ == QLatin1String("1") || value_ == QLatin1String("0"))) {
    piece_ += value_ == QLatin1String("1") ? QLatin1String("TRUE") : QLatin1String("FALSE");
  } else if (!c.quoted && IsNumericLiteral(value_)) {
    piece_ += value_;
  } else {
    if (IsDateType(type) && value_.size() >= 10 && value_[4] == QLatin1Char('/') && value_[7] == QLatin1Char('/')) {
      value_[4] = QLatin1Char('-');
      value_[7] = QLatin1Char('-');
    }
    AppendTargetText(piece_, value_, options_.target);
  }
  out.Append(piece_);
  return faithful;
}

// A value with a line that is only "go" (say 'x')⏎go⏎drop table t⏎go⏎--')
// would split the script there even inside its literal, and one with a line
// feed alone would be saved with CR LF there (the file's line breaks), so
// the script would put back another value. The line breaks of such a value
// are written as the site's server joins texts, 'x' + char(10) + 'go',
// which gives the same value and leaves no line of the script alone.
void RowRenderer::KeepBatchesWhole(Utf16Buffer& out, qsizetype at, QChar mark) const {
  const QStringView literal = out.Mid(at);
  const qsizetype firstFeed = literal.indexOf(QLatin1Char('\n'));
  if (firstFeed < 0) return;  // a carriage return alone stays as it is in the file
  bool rewrite = false;
  for (qsizetype i = firstFeed; i >= 0 && !rewrite; i = literal.indexOf(QLatin1Char('\n'), i + 1))
    rewrite = i == 0 || literal[i - 1] != QLatin1Char('\r');
  for (const QStringView line : literal.tokenize(QLatin1Char('\n')))
    if (IsBatchSeparatorLine(line)) rewrite = true;
  if (!rewrite) return;
  QString joined;
  const QString close = QString(mark) + QStringLiteral(" + ");
  const QString open = QStringLiteral(" + ") + mark;
  for (qsizetype i = 0; i < literal.size(); ++i) {
    const QChar c = literal[i];
    if (c == QLatin1Char('\r') && i + 1 < literal.size() && literal[i + 1] == QLatin1Char('\n')) {
      joined += close + QStringLiteral("char(13) + char(10)") + open;
      ++i;
    } else if (c == QLatin1Char('\n')) {
      joined += close + QStringLiteral("char(10)") + open;
    } else if (c == QLatin1Char('\r')) {
      joined += close + QStringLiteral("char(13)") + open;
    } else {
      joined += c;
    }
  }
  out.Truncate(at);
  out.Append(joined);
  ++splitBatchValues_;
}
