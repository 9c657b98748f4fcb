#include "ui/messages.h"

#include "text/text_utils.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

// A message box lays out its whole text: a statement or a server's message
// of megabytes would freeze it for minutes. What it does not show stays
// where it was (the clipboard, the file).
constexpr qsizetype kShownMessageChars = 4000;

void Show(QMessageBox::Icon icon, const QString& caption, const QString& text) {
  QMessageBox box(icon, caption, ShownPrefix(text, kShownMessageChars), QMessageBox::NoButton,
                  QApplication::activeWindow());
  box.addButton(QStringLiteral("確定"), QMessageBox::AcceptRole);
  box.exec();
}

}  // namespace

void ShowMessage(const QString& text) { Show(QMessageBox::Information, QApplication::applicationName(), text); }
void ShowError(const QString& text) { Show(QMessageBox::Critical, QStringLiteral("錯誤"), text); }
void ShowWarning(const QString& text) { Show(QMessageBox::Warning, QStringLiteral("警告"), text); }

bool Confirm(const QString& text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("確認"), ShownPrefix(text, kShownMessageChars), QMessageBox::NoButton,
                  QApplication::activeWindow());
  QPushButton* ok = box.addButton(QStringLiteral("確定"), QMessageBox::AcceptRole);
  QPushButton* cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
  box.setDefaultButton(ok);
  box.setEscapeButton(cancel);
  box.exec();
  return box.clickedButton() == ok;
}
