#pragma once
// Exchanging plain text with the system clipboard, which other programs share.
#include <QString>

// The plain text a rich-text control puts on the clipboard when it copies
// `text`: no-break spaces become spaces, paragraph and line separators line
// breaks.
QString RichTextCopyText(QString text);
// Puts the text on the clipboard; true when reading it back gives the same text.
bool CopyToClipboard(const QString& text);
// CopyToClipboard, then a message box with the text whatever the outcome.
bool CopyToClipboardAndShow(const QString& text);
// The clipboard's text; empty when it holds none or cannot be read. An owner
// that does not answer costs one clipboard timeout, never more.
QString ClipboardText();

// What a rich-text paste takes: the HTML when the clipboard offers it (then
// `text` stays empty), otherwise the plain text. Read with one request for
// the formats, like ClipboardText.
struct ClipboardContent {
  QString html;
  QString text;
};
ClipboardContent ReadClipboard();
