#include "support/save_script.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

std::function<void(QWidget*)> Answer(DialogScript& s) {
  return [&s](QWidget* modal) {
    if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
      s.proposed = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
      s.filter = dialog->selectedNameFilter();
      if (s.answer.isEmpty()) {
        dialog->reject();
        return;
      }
      dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(s.answer);
      // Later, so that the dialog's own overwrite question can be answered too.
      QTimer::singleShot(0, dialog, [dialog] { QMetaObject::invokeMethod(dialog, "accept"); });
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      s.messages << box->text();
      for (QAbstractButton* b : box->buttons()) {
        const auto role = box->buttonRole(b);
        if (b->text() == s.confirm || role == QMessageBox::YesRole ||
            (role == QMessageBox::AcceptRole && box->buttons().size() == 1)) {
          QTimer::singleShot(0, b, &QAbstractButton::click);
          return;
        }
      }
      QTimer::singleShot(0, box, &QDialog::reject);
    }
  };
}
