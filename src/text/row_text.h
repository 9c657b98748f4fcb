#pragma once
// How result rows become text: quote marks, the header of column names, the
// row lines, and the short type names of the field browser.
#include "database/cell_value.h"
#include "database/field_type.h"
#include "database/utf16_buffer.h"
#include "text/output_options.h"

#include <QString>
#include <vector>

class TField;
class TQuery;

// "char", "integer", "memo", ... ("Unknown" for the types without a name).
QString FieldTypeName(TFieldType type);
// Numbers, Booleans and blobs are written bare; every other type between "'".
QString QuoteMark(TFieldType type);

// Whether the text is a number an engine reads as one: an optional sign,
// digits with at most one decimal point, an optional exponent.
bool IsNumericLiteral(QStringView text);

// The statement that counts a statement's rows: "select cnt=count(*) " and
// the statement from its first "from" on (all of it when there is none).
QString CountStatement(const QString& statement);

struct RowOptions {
  QString delimiter = QStringLiteral(",");
  bool leftBrace = false;
  bool rightBrace = false;
  // The lines make a script whose batches end at a line "go": no value may
  // put such a line into it (see RowRenderer).
  bool batchScript = false;
  // Delimited lines (not a batch script): plain or CSV, and the text for null.
  LineFormat lineFormat = LineFormat::AsIs;
  QString nullText = QStringLiteral("null");
  // A batch script's literals: the window's own rule, or a target server's.
  LiteralTarget target = LiteralTarget::AsIs;
};

// Whether a line is one the site's batch tools end a batch at: "go",
// in any letter case, with blanks around it or a count after it.
bool IsBatchSeparatorLine(QStringView line);

// "(" + the column names joined by the delimiter + ")", brackets as chosen.
QString HeaderText(const TQuery& query, const RowOptions& options);

// Writes the lines of one result: the quote table is taken once, from the
// columns of the open query, then every row line from a row's values. It
// reads no field, so that it may write on a thread of its own while the
// query takes more rows.
class RowRenderer {
public:
  RowRenderer(const TQuery& query, RowOptions options);
  const std::vector<QString>& QuoteTable() const { return quotes_; }
  // Appends the line of a row (no line break); `values` by store column
  // (TField::StoreColumn), in the field order of the query given.
  void AppendRowLine(QString& out, const std::vector<CellValue>& values) const;
  // Values written so far whose text held bytes that are no UTF-8 (shown
  // as U+FFFD).
  qint64 InvalidTextValues() const { return invalidTextValues_; }
  // Values of a batch script whose line breaks were written as char(13)
  // and char(10): a line of theirs alone would have ended a batch, or a line
  // feed alone would have become CR LF in the file.
  qint64 SplitBatchValues() const { return splitBatchValues_; }
  // Values of delimited lines written exactly as the null text is.
  qint64 ValuesLikeNull() const { return valuesLikeNull_; }

private:
  struct Column {
    TFieldType type;
    std::size_t storeColumn;
    bool quoted;
    bool checkOrdinaryText;  // the mark test must look at the locale text
    bool checkNumber;        // unquoted, yet the engine may hand over any text
  };
  bool AppendQuoted(Utf16Buffer& out, const Column& c, const CellValue& value) const;
  bool AppendCsvValue(Utf16Buffer& out, const Column& c, const CellValue& value) const;
  bool AppendTargetValue(Utf16Buffer& out, const Column& c, const CellValue& value) const;
  void KeepBatchesWhole(Utf16Buffer& out, qsizetype at, QChar mark) const;
  mutable qint64 invalidTextValues_ = 0;
  mutable qint64 splitBatchValues_ = 0;
  mutable qint64 valuesLikeNull_ = 0;
  mutable Utf16Buffer line_;  // the line being built, reused
  mutable QString value_;     // one value's text, reused
  mutable QString piece_;     // and its literal
  std::vector<Column> columns_;
  std::vector<QString> quotes_;
  RowOptions options_;
};
