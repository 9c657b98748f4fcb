#include "export/export_spreadsheet.h"

#include "database/failure.h"
#include "database/query.h"
#include "export/spreadsheet.h"
#include "platform/automation.h"

#include <QFileInfo>


QString ExportResultToSpreadsheet(TQuery& dataSet, const QString& fileName, const QString& serverName,
                                  ExportProgress& progress, qint64* cutValues) {
  qint64 cut = 0;
  struct Report {
    qint64& cut;
    qint64* out;
    ~Report() {
      if (out) *out = cut;
    }
  } report{cut, cutValues};
  const bool existed = QFileInfo::exists(fileName);
  const AutomationValue::Object application = CreateOleObject(kSpreadsheetProgId);
  AutomationValue::Object workbook;
  try {
    application->Set(QStringLiteral("Visible"), false);
    if (existed) {
      application->Set(QStringLiteral("displayalerts"), false);
      workbook = application->Get(QStringLiteral("WorkBooks"))
                     .ToObject()
                     ->Call(QStringLiteral("Open"), {fileName}, {{QStringLiteral("readonly"), false}})
                     .ToObject();
    } else {
      application->Get(QStringLiteral("WorkBooks")).ToObject()->Call(QStringLiteral("add"), {1});
      workbook = application->Get(QStringLiteral("WorkBooks"), {1}).ToObject();
    }
    AutomationValue::Object sheet = workbook->Get(QStringLiteral("ActiveSheet")).ToObject();
    int row = 1;
    PrepareDataSheet(workbook, sheet);
    const qint64 rowCount = dataSet.RecordCount();
    SetSheetName(sheet, rowCount > kRecordsPerSheet ? QStringLiteral("Rcd#1") : serverName);
    PutTitleRow(sheet, 1, dataSet);
    row = 2;
    dataSet.First();
    qint64 count = 0;
    qint64 firstRecord = 1;
    progress.Start(rowCount);
    while (!dataSet.Eof()) {
      if (!progress.Step()) {
        // Stopped: nothing is saved, and the application goes.
        application->Call(QStringLiteral("Quit"));
        return QStringLiteral("Excel轉出已停止, 沒有儲存活頁簿 %1").arg(fileName);
      }
      ++count;
      for (int i = 1; i <= dataSet.FieldCount(); ++i)
        if (!PutFieldCell(sheet, row, i, dataSet.Fields(i - 1))) ++cut;
      if (rowCount > count && count % kRecordsPerSheet == 0) {
        StartNextSheet(false, count, firstRecord, workbook, sheet);
        row = 1;
        PutTitleRow(sheet, row, dataSet);
      }
      ++row;
      dataSet.Next();
    }
    progress.Finish();
    StartNextSheet(true, count, firstRecord, workbook, sheet);
    SetUsedRangeWrap(sheet);
    workbook->Call(QStringLiteral("SaveAs"), {}, {{QStringLiteral("FileName"), fileName}});
    application->Call(QStringLiteral("Quit"));
    return {};
  } catch (const Failure& failure) {
    // Keep what was written, end the application whatever happens, then say
    // that the export stopped: a partial workbook must not pass for a whole one.
    QString saveFailure;
    try {
      if (!workbook) throw Failure(QStringLiteral("Variant 未參照到一個 automation 物件"));
      workbook->Call(QStringLiteral("SaveAs"), {}, {{QStringLiteral("FileName"), fileName}});
    } catch (const Failure& second) {
      saveFailure = second.Message();
    }
    try {
      application->Call(QStringLiteral("Quit"));
    } catch (const Failure&) {
    }
    QString message = QStringLiteral("Excel轉出中斷: ") + failure.Message();
    if (!saveFailure.isEmpty()) message += QStringLiteral("\n活頁簿未能儲存: ") + saveFailure;
    return message;
  }
}
