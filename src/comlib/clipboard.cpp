#include "comlib/clipboard.h"

#include "comlib/messages.h"

#include <QClipboard>
#include <QGuiApplication>

bool CopyToClipboard(const QString& text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return false;
  clipboard->setText(text, QClipboard::Clipboard);
  return clipboard->text(QClipboard::Clipboard) == text;
}

bool CopyToClipboardAndShow(const QString& text) {
  const bool copied = CopyToClipboard(text);
  ShowMessage(text);
  return copied;
}

QString ClipboardText() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  return clipboard ? clipboard->text(QClipboard::Clipboard) : QString();
}
