// The grid's pop-up command that exports the result to the spreadsheet application.
#include "main/form1.h"

#include "controls/db_grid.h"
#include "controls/save_dialog.h"
#include "database/database.h"
#include "database/query.h"
#include "ui/long_run.h"
#include "ui/messages.h"
#include "ui/spreadsheet_export.h"

void TForm1::mnuExcelOutClick(QObject*) {
  TQuery* dataSet = DBGrid1->DataSet();
  if (!dataSet || !dataSet->Active()) return;
  SaveDialog1->DefaultExt = QStringLiteral(".xls");
  SaveDialog1->Filter = kXlsSaveFilter;
  if (!SaveDialog1->Execute()) return;
  if (!FetchWholeResult()) {
    ShowMessage(QStringLiteral("Excel轉出已停止, 沒有儲存活頁簿 %1").arg(SaveDialog1->FileName));
    return;
  }
  LongRun run = StartLongRun();
  ExportToSpreadsheet(*dataSet, SaveDialog1->FileName, Database1->AliasName(), ProgressBar1, &run);
}
