#include "xls/query_xls.h"

#include "database/failure.h"
#include "database/query.h"
#include "xls/xls_writer.h"

XlsSaveResult WriteQueryXls(TQuery& query, const QString& fileName,
                            const std::function<QString(const TQuery&)>& queryDump,
                            const std::function<bool()>& keepGoing) {
  if (!query.FetchAll([&](qint64) { return keepGoing(); })) return {.written = false, .stopped = true};
  const qint64 records = query.RecordCount();
  if (records > kMaxXlsRecords)
    throw Failure(QStringLiteral("查詢結果有 %1 筆資料, 一個XLS工作表最多只能放 %2 筆, 沒有寫入檔案 %3")
                      .arg(records)
                      .arg(kMaxXlsRecords)
                      .arg(fileName));
  TXLSWriter writer(fileName);
  if (!writer.Stream()) return {};  // the user kept the existing file
  if (query.FieldCount() > writer.MaxCols) writer.MaxCols = static_cast<quint16>(query.FieldCount() + 1);
  writer.WriteBOF();
  writer.WriteDimensions();
  int row = 0;
  writer.WriteLabel(row, 0, queryDump(query));
  row = 1;
  for (int c = 0; c < query.FieldCount(); ++c) writer.WriteLabel(row, c, query.Fields(c)->FieldName());
  row = 2;
  for (query.First(); !query.Eof(); query.Next()) {
    // Without Commit the writer leaves the target as it was.
    if ((row & 1023) == 0 && !keepGoing()) return {.written = false, .stopped = true};
    for (int c = 0; c < query.FieldCount(); ++c) writer.WriteFieldCell(row, c, query.Fields(c));
    ++row;
  }
  if (row > writer.MaxRows) {
    writer.MaxRows = static_cast<quint16>(row);
    writer.Flush();
    if (!writer.Stream()->seek(10)) throw Failure(kStreamWriteError);
    writer.WriteDimensions();
    writer.Flush();
    if (!writer.Stream()->seek(writer.Stream()->size())) throw Failure(kStreamWriteError);
  }
  writer.WriteEOF();
  writer.Commit();
  return {.written = true,
          .stopped = false,
          .replacedCharacters = writer.ReplacedCharacters(),
          .cutValues = writer.CutValues(),
          .numbersAsText = writer.NumbersAsText()};
}
