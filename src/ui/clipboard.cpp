#include "ui/clipboard.h"

#include "ui/messages.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

QString RichTextCopyText(QString text) {
  for (QChar& c : text) {
    switch (c.unicode()) {
      case QChar::Nbsp: c = QLatin1Char(' '); break;
      case QChar::ParagraphSeparator:
      case QChar::LineSeparator:
      case 0xFDD0:  // a text document's frame marks
      case 0xFDD1: c = QLatin1Char('\n'); break;
      default: break;
    }
  }
  return text;
}

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

namespace {
// The clipboard's data with its formats, or null. Asking for the formats is
// one request to the owning program: an owner that does not answer costs one
// timeout here, and then nothing more is asked of it (each further question
// would wait as long again).
const QMimeData* AnsweringClipboard(QStringList& formats) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  const QMimeData* data = clipboard ? clipboard->mimeData(QClipboard::Clipboard) : nullptr;
  if (!data) return nullptr;
  formats = data->formats();
  return formats.isEmpty() ? nullptr : data;
}
}  // namespace

ClipboardContent ReadClipboard() {
  QStringList formats;
  const QMimeData* data = AnsweringClipboard(formats);
  if (!data) return {};
  ClipboardContent content;
  if (formats.contains(QLatin1String("text/html"))) content.html = data->html();
  if (content.html.isNull()) content.text = data->text();
  return content;
}

QString ClipboardText() {
  QStringList formats;
  const QMimeData* data = AnsweringClipboard(formats);
  return data ? data->text() : QString();
}
