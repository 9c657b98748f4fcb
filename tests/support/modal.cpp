#include "support/modal.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>

ModalAnswerer::ModalAnswerer(std::function<void(QWidget*)> answer) : answer_(std::move(answer)), timer_(new QTimer) {
  QObject::connect(timer_, &QTimer::timeout, [this] { Poll(); });
  timer_->start(20);
}

ModalAnswerer::~ModalAnswerer() { delete timer_; }

void ModalAnswerer::Poll() {
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal || !modal->isVisible()) return;
  if (auto* box = qobject_cast<QMessageBox*>(modal)) {
    texts_ << box->text();
    titles_ << box->windowTitle();
  }
  if (answer_) {
    answer_(modal);
  } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
    box->buttons().first()->click();
  } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
    dialog->reject();
  }
}

void PressButton(QWidget* widget, const QString& caption) {
  auto* box = qobject_cast<QMessageBox*>(widget);
  if (!box) return;
  for (QAbstractButton* button : box->buttons()) {
    if (button->text() == caption) {
      button->click();
      return;
    }
  }
}
