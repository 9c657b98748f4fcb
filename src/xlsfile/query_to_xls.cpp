#include "xlsfile/query_to_xls.h"

#include "comlib/failure.h"
#include "comlib/messages.h"
#include "comlib/query_dump.h"
#include "database/query.h"
#include "xlsfile/xls_writer.h"

void QueryToXLS(TQuery& query, const QString& fileName) {
  const qint64 records = query.RecordCount();
  if (records > kMaxXlsRecords)
    throw Failure(QStringLiteral("查詢結果有 %1 筆資料, 一個XLS工作表最多只能放 %2 筆, 沒有寫入檔案 %3")
                      .arg(records)
                      .arg(kMaxXlsRecords)
                      .arg(fileName));
  TXLSWriter writer(fileName);
  if (!writer.Stream()) return;  // the user kept the existing file
  if (query.FieldCount() > writer.MaxCols) writer.MaxCols = static_cast<quint16>(query.FieldCount() + 1);
  writer.WriteBOF();
  writer.WriteDimensions();
  int row = 0;
  writer.WriteLabel(row, 0, QuerySQLText(query, false));
  row = 1;
  for (int c = 0; c < query.FieldCount(); ++c) writer.WriteLabel(row, c, query.Fields(c)->FieldName());
  row = 2;
  for (query.First(); !query.Eof(); query.Next()) {
    for (int c = 0; c < query.FieldCount(); ++c) writer.WriteFieldCell(row, c, query.Fields(c));
    ++row;
  }
  if (row > writer.MaxRows) {
    writer.MaxRows = static_cast<quint16>(row);
    writer.Flush();
    if (!writer.Stream()->seek(10)) throw Failure(QStringLiteral("串流(Stream)寫入錯誤"));
    writer.WriteDimensions();
    writer.Flush();
    if (!writer.Stream()->seek(writer.Stream()->size())) throw Failure(QStringLiteral("串流(Stream)寫入錯誤"));
  }
  writer.WriteEOF();
  writer.Commit();
  if (writer.ReplacedCharacters() > 0)
    ShowMessage(QStringLiteral("有 %1 個字元無法以Big5字碼寫入檔案 %2, 已改為 \"?\"")
                    .arg(writer.ReplacedCharacters())
                    .arg(fileName));
}
