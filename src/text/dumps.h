#pragma once
// Plain-text dumps of a dataset's rows and of a query's SQL text, for the
// clipboard and message boxes. Lines end with CR LF.
#include <QString>

class TQuery;

extern const QString kCutOffLine;  // "==>還有更多資料..."
extern const QString kCrLf;
// The dataset's name and record count, a heading line, then at most 101
// records, each value by FieldToText followed by the separator. Leaves the
// dataset on its first record; throws on a closed dataset.
QString DataSetText(TQuery& dataSet, const QString& separator);
// The query's name, SQL text, parameters and affected-row count.
QString QueryDumpText(const TQuery& query);
