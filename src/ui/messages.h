#pragma once
// The program's message boxes, with its own captions and buttons.
#include <QString>

class QWidget;

// An information box with the text and one button.
void ShowMessage(const QString& text);
// An error box: caption "錯誤", error icon, one button.
void ShowError(const QString& text);
// A warning box with one button.
void ShowWarning(const QString& text);
// A question with caption "確認" and buttons "確定" and "取消"; true only for "確定".
bool Confirm(const QString& text);
