// The grid's pop-up commands: the clipboard dumps and the column settings.
#include "main/form1.h"

#include "ui/clipboard.h"
#include "text/codepage.h"
#include "text/dumps.h"
#include "ui/messages.h"
#include "ui/query_dump.h"
#include "text/text_utils.h"
#include "controls/db_grid.h"
#include "database/engine_wait.h"
#include "database/query.h"
#include "ui/long_run.h"
#include "setgrid/frm_setgrid.h"

void TForm1::mnuSQLOutClick(QObject*) { ShowQuerySQL(*DBGrid1->DataSet()); }

void TForm1::mnuDataOutClick(QObject*) {
  // The dump counts every record: the rest of a large result is fetched
  // first, as a long run that Esc stops.
  if (!FetchWholeResult()) {
    ShowMessage(QStringLiteral("Data轉出已停止, 剪貼簿沒有改變"));
    return;
  }
  const QString dump = DataSetText(*DBGrid1->DataSet(), QStringLiteral("|")) + QStringLiteral("\r\n");
  const QString text = ReplaceAll(dump, QStringLiteral("\r\n\r\n"), QStringLiteral("\r\n"));
  CopyToClipboard(text);
  const QString held = ClipboardText();
  ShowMessage(Big5Prefix(held, 200) + QStringLiteral(" ..."));
}

bool TForm1::FetchWholeResult() {
  TQuery* query = DBGrid1->DataSet();
  if (!query || !query->Active() || query->AllFetched()) return true;
  LongRun run = StartLongRun();
  try {
    return query->FetchAll([&](qint64 fetched) {
      ShowRunProgress(fetched);
      return run.KeepGoing();
    });
  } catch (const EStopped&) {
    return false;
  }
}

void TForm1::mnuSetGridClick(QObject*) { ShowColumnSettings(DBGrid1); }
