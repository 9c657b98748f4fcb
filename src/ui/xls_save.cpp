#include "ui/xls_save.h"

#include "ui/long_run.h"
#include "ui/messages.h"
#include "ui/query_dump.h"
#include "xls/query_xls.h"

void QueryToXLS(TQuery& query, const QString& fileName, LongRun* run) {
  const XlsSaveResult result = WriteQueryXls(
      query, fileName, [](const TQuery& q) { return QuerySQLText(q, false); },
      [run] { return !run || run->KeepGoing(); });
  if (result.stopped) {
    ShowMessage(QStringLiteral("XLS存檔已停止, 沒有寫入檔案 %1").arg(fileName));
    return;
  }
  if (result.replacedCharacters > 0)
    ShowMessage(QStringLiteral("有 %1 個字元無法以Big5字碼寫入檔案 %2, 已改為 \"?\"")
                    .arg(result.replacedCharacters)
                    .arg(fileName));
}
