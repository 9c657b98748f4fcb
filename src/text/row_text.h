#pragma once
// How result rows become text: quote marks, the header of column names, the
// row lines, and the short type names of the field browser.
#include "database/field_type.h"

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
};

// "(" + the column names joined by the delimiter + ")", brackets as chosen.
QString HeaderText(const TQuery& query, const RowOptions& options);

// Writes the lines of one result: the quote table is taken once, from the
// columns of the open query, then every row line from its current record.
class RowRenderer {
public:
  RowRenderer(const TQuery& query, RowOptions options);
  const std::vector<QString>& QuoteTable() const { return quotes_; }
  // Appends the current record's line (no line break).
  void AppendRowLine(QString& out) const;
  // Values written so far whose text held bytes that are no UTF-8 (shown
  // as U+FFFD).
  qint64 InvalidTextValues() const { return invalidTextValues_; }

private:
  struct Column {
    const TField* field;
    bool quoted;
    bool checkOrdinaryText;  // the mark test must look at the locale text
    bool checkNumber;        // unquoted, yet the engine may hand over any text
  };
  bool AppendQuoted(QString& out, const Column& c) const;
  mutable qint64 invalidTextValues_ = 0;
  std::vector<Column> columns_;
  std::vector<QString> quotes_;
  RowOptions options_;
};
