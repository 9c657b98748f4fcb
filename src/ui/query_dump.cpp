#include "ui/query_dump.h"

#include "ui/clipboard.h"
#include "text/dumps.h"
#include "ui/messages.h"

#include <QClipboard>
#include <QGuiApplication>

QString QuerySQLText(const TQuery& query, bool show) {
  const QString text = QueryDumpText(query);
  if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(text);
  if (show) ShowMessage(text);
  return text;
}

bool ShowQuerySQL(const TQuery& query) {
  QString text;
  bool same = false;
  try {
    text = QueryDumpText(query);
    same = CopyToClipboard(text);
  } catch (...) {
    same = false;
  }
  ShowMessage(text);
  return same;
}
