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
  QStringList notes;
  if (result.replacedCharacters > 0)
    notes << QStringLiteral("有 %1 個字元無法以Big5字碼寫入檔案 %2, 已改為 \"?\"").arg(result.replacedCharacters).arg(fileName);
  if (result.cutValues > 0)
    notes << QStringLiteral("有 %1 個值超過XLS儲存格的 255 個位元組, 檔案 %2 只存了前 255 個位元組")
                 .arg(result.cutValues)
                 .arg(fileName);
  if (result.numbersAsText > 0) notes << NumbersAsTextNote(result.numbersAsText);
  if (!notes.isEmpty()) ShowMessage(notes.join(QLatin1Char('\n')));
}

QString NumbersAsTextNote(qint64 numbers) {
  return QStringLiteral("有 %1 個數值的位數超過儲存格的數值能精確保存的範圍, 已以文字寫入, 以免改變數值").arg(numbers);
}
