// "查詢" with 直接存檔 ticked: the rendered lines go straight into a file as
// the rows arrive, so that a result of any size takes little memory; the
// grid keeps the result's first rows only.
#include "main/form1.h"

#include "controls/db_grid.h"
#include "controls/db_image.h"
#include "controls/save_dialog.h"
#include "controls/text_pane.h"
#include "database/engine_wait.h"
#include "database/failure.h"
#include "database/query.h"
#include "files/save_target.h"
#include "files/text_file_lines.h"
#include "text/row_run.h"
#include "ui/busy_cursor.h"
#include "ui/long_run.h"
#include "ui/messages.h"

#include <QCheckBox>
#include <QLabel>
#include <exception>

namespace {

const QString kFileRunFilter = QStringLiteral("txt(*.txt)|*.txt|sql(*.sql)|*.sql|xlsx(*.xlsx)|*.xlsx|ALL(*.*)|*.*");

bool IsWorkbookName(const QString& fileName) { return fileName.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive); }
}  // namespace

qint64 TForm1::OpenForFileRun(const QString& statement) {
  // The rows the grid keeps of a run into a file.
  constexpr qint64 kGridRows = 1000;
  const qint64 expected = CountRows(statement);
  Query1->SQL().Clear();
  Query1->SQL().SetText(statement);
  Query1->Prepare();
  Query1->OpenKeepingFirstRows(kGridRows);
  return expected;
}

void TForm1::RunIntoFile(const QString& statement) {
  UpdateInsertInto();
  const bool insertMode = ChBEachRow->isChecked();
  SaveDialog1->Filter = kFileRunFilter;
  SaveDialog1->DefaultExt.clear();
  SaveDialog1->FilterIndex = insertMode ? 2 : 1;
  SaveDialog1->FileName = TableName + (insertMode ? QStringLiteral(".sql") : QStringLiteral(".txt"));
  if (!SaveDialog1->Execute()) return;
  const QString fileName = SaveDialog1->FileName;
  if (IsWorkbookName(fileName)) {
    RunIntoWorkbook(statement, fileName);
    return;
  }
  CheckSaveTarget(fileName, QStringLiteral("無法產生檔案 %1"));

  BusyCursor busy;
  DBImage1->SetDataField(QString());
  DBImage1->SetAutoDisplay(false);
  DBGrid1->setEnabled(true);
  TextFileLines file(fileName, Output.encoding, Output.crLf);
  if (insertMode) WriteScriptOpening(file);
  RowRunReport report;
  bool rendering = false;
  QString failure;
  std::exception_ptr writeFailure;
  {
    LongRun run = StartLongRun();
    try {
      const qint64 expected = OpenForFileRun(statement);
      rendering = true;
      report = RenderResult(run, file, insertMode, failure, expected, false);
    } catch (const EStopped&) {
      report.stopped = true;
    } catch (const EDatabaseError& refused) {
      failure = refused.Message();  // the statement itself failed: no file either
    } catch (const Failure&) {
      // The file could not be written (or the statement failed): the
      // result is ended before the window shows why.
      writeFailure = std::current_exception();
    }
  }
  if (Query1->Active()) Query1->EndAtKeptRows();
  if (writeFailure) std::rethrow_exception(writeFailure);
  if (!failure.isEmpty())
    throw Failure(failure + QStringLiteral("\n(輸出到第 %1 筆為止, 沒有寫入檔案 %2)").arg(report.rows).arg(fileName));
  if (report.stopped) {
    ShowMessage(rendering ? QStringLiteral("查詢已停止: 輸出到第 %1 筆為止, 沒有寫入檔案 %2").arg(report.rows).arg(fileName)
                          : QStringLiteral("查詢已停止, 沒有寫入檔案 %1").arg(fileName));
    return;
  }
  if (insertMode) file.AddLine(QStringLiteral("go"));
  const qint64 unconvertible = file.Finish();
  if (unconvertible > 0 &&
      !Confirm(QStringLiteral("有 %1 個字元無法以Big5字碼儲存。\n按「確定」改存成UTF-8, 按「取消」不存檔。").arg(unconvertible)))
    return;
  file.Commit(unconvertible > 0);
  MemoOutput->appendPlainText(QStringLiteral("已把 %1 筆資料寫入檔案 %2").arg(report.rows).arg(fileName));
  ReportAlteredValues(report);
}
