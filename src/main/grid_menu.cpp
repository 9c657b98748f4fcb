// The grid's pop-up commands: the clipboard dumps and the column settings.
#include "main/form1.h"

#include "ui/clipboard.h"
#include "text/codepage.h"
#include "text/dumps.h"
#include "ui/messages.h"
#include "ui/query_dump.h"
#include "text/text_utils.h"
#include "controls/db_grid.h"
#include "setgrid/frm_setgrid.h"

void TForm1::mnuSQLOutClick(QObject*) { ShowQuerySQL(*DBGrid1->DataSet()); }

void TForm1::mnuDataOutClick(QObject*) {
  const QString dump = DataSetText(*DBGrid1->DataSet(), QStringLiteral("|")) + QStringLiteral("\r\n");
  const QString text = ReplaceAll(dump, QStringLiteral("\r\n\r\n"), QStringLiteral("\r\n"));
  CopyToClipboard(text);
  const QString held = ClipboardText();
  ShowMessage(Big5Prefix(held, 200) + QStringLiteral(" ..."));
}

void TForm1::mnuSetGridClick(QObject*) { ShowColumnSettings(DBGrid1); }
