#pragma once
// Exchanging plain text with the system clipboard, which other programs share.
#include <QString>

// Puts the text on the clipboard; true when reading it back gives the same text.
bool CopyToClipboard(const QString& text);
// CopyToClipboard, then a message box with the text whatever the outcome.
bool CopyToClipboardAndShow(const QString& text);
// The clipboard's text; empty when it holds none or cannot be read.
QString ClipboardText();
