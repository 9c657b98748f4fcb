// The statement's result as an .xlsx workbook: "XLSX" with 把結果存成文字檔,
// or 直接存檔 into a name ending in .xlsx. The statement runs again and its
// rows go into the workbook as they arrive; the grid keeps the first rows.
#include "main/form1.h"

#include "controls/text_pane.h"
#include "database/engine_wait.h"
#include "database/failure.h"
#include "database/query.h"
#include "files/replacing_file.h"
#include "files/save_target.h"
#include "text/dumps.h"
#include "ui/busy_cursor.h"
#include "ui/long_run.h"
#include "ui/messages.h"
#include "ui/xls_save.h"
#include "xls/query_xlsx.h"

#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <exception>


void TForm1::RunIntoWorkbook(const QString& statement, const QString& fileName) {
  const QString cannotCreate = QStringLiteral("無法產生檔案 %1");
  CheckSaveTarget(fileName, cannotCreate);
  BusyCursor busy;
  ReplacingFile target(fileName, cannotCreate);
  LabelRecNo->setText(QStringLiteral("0"));
  XlsxSaveResult result;
  bool stopped = false;
  std::exception_ptr failure;
  {
    LongRun run = StartLongRun();
    try {
      const qint64 expected = OpenForFileRun(statement);
      LabelFieldCnt->setText(QString::number(Query1->FieldCount()));
      ProgressBar1->setRange(0, expected > 0 ? static_cast<int>(std::min<qint64>(expected, INT_MAX)) : 0);
      const XlsxSaveOptions options{QueryDumpText(*Query1), XlsxRecordsPerSheet,
                                    QFileInfo(fileName).absolutePath()};
      result = WriteQueryXlsx(*Query1, target.TemporaryPath(), options, [&](qint64 records) {
        ShowRunProgress(records);
        return run.KeepGoing();
      });
    } catch (const EStopped&) {
      stopped = true;
    } catch (const Failure&) {
      failure = std::current_exception();
    }
  }
  if (ProgressBar1->maximum() == 0) ProgressBar1->setRange(0, 1);
  if (Query1->Active()) Query1->EndAtKeptRows();
  if (failure) std::rethrow_exception(failure);
  if (stopped || result.stopped) {
    ShowMessage(QStringLiteral("XLSX存檔已停止, 沒有寫入檔案 %1").arg(fileName));
    return;
  }
  target.Commit();
  ShowRunProgress(result.records);
  MemoOutput->appendPlainText(
      QStringLiteral("已把 %1 筆資料寫入活頁簿 %2 (%3 個工作表)").arg(result.records).arg(fileName).arg(result.sheets));
  QStringList notes;
  if (result.cutValues > 0)
    notes << QStringLiteral("有 %1 個值超過儲存格的 32767 個字元, 檔案 %2 只存了前 32767 個字元")
                 .arg(result.cutValues)
                 .arg(fileName);
  if (result.numbersAsText > 0) notes << NumbersAsTextNote(result.numbersAsText);
  if (!notes.isEmpty()) ShowMessage(notes.join(QLatin1Char('\n')));
}
