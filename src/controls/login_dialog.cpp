#include "controls/login_dialog.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

bool ShowDatabaseLogin(const QString& databaseName, QString& user, QString& password) {
  QDialog dialog(QApplication::activeWindow());
  dialog.setObjectName(QStringLiteral("DatabaseLogin"));
  dialog.setWindowTitle(QStringLiteral("Database Login"));
  auto* layout = new QFormLayout(&dialog);
  layout->addRow(QStringLiteral("資料庫:"), new QLabel(databaseName));
  auto* userEdit = new QLineEdit(user);
  userEdit->setObjectName(QStringLiteral("UserName"));
  auto* passwordEdit = new QLineEdit;
  passwordEdit->setObjectName(QStringLiteral("Password"));
  passwordEdit->setEchoMode(QLineEdit::Password);
  layout->addRow(QStringLiteral("使用者名稱:"), userEdit);
  layout->addRow(QStringLiteral("密碼:"), passwordEdit);
  auto* buttons = new QDialogButtonBox;
  buttons->addButton(QStringLiteral("確定"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addRow(buttons);
  (user.isEmpty() ? userEdit : passwordEdit)->setFocus();
  if (dialog.exec() != QDialog::Accepted) return false;
  user = userEdit->text();
  password = passwordEdit->text();
  return true;
}
