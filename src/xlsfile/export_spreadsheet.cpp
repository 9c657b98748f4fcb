#include "xlsfile/export_spreadsheet.h"

#include "comlib/failure.h"
#include "comlib/messages.h"
#include "comlib/spreadsheet.h"
#include "database/query.h"
#include "platform/automation.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProgressBar>
#include <climits>

namespace {

// The bar is the export's only feedback; it is repainted at most every 50 ms
// (its final value is exact).
class Progress {
public:
  explicit Progress(QProgressBar* bar) : bar_(bar) { shown_.start(); }
  void Start(qint64 maximum) {
    if (!bar_) return;
    bar_->setMinimum(0);
    bar_->setMaximum(static_cast<int>(std::clamp<qint64>(maximum, 0, INT_MAX)));
    bar_->setValue(0);
    bar_->repaint();
  }
  void Step() {
    if (!bar_) return;
    bar_->setValue(std::min(bar_->value() + 1, bar_->maximum()));
    if (shown_.elapsed() >= 50) {
      bar_->repaint();
      shown_.restart();
    }
  }
  void Finish() {
    if (!bar_) return;
    bar_->setValue(bar_->maximum());
    bar_->repaint();
  }

private:
  QProgressBar* bar_;
  QElapsedTimer shown_;
};

}  // namespace

void ExportToSpreadsheet(TQuery& dataSet, const QString& fileName, const QString& serverName,
                         QProgressBar* progressBar) {
  const bool existed = QFileInfo::exists(fileName);
  const AutomationValue::Object application = CreateOleObject(QStringLiteral("Excel.Application"));
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
    Progress progress(progressBar);
    progress.Start(rowCount);
    while (!dataSet.Eof()) {
      progress.Step();
      ++count;
      for (int i = 1; i <= dataSet.FieldCount(); ++i) PutFieldCell(sheet, row, i, dataSet.Fields(i - 1));
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
    ShowError(message);
  }
}
