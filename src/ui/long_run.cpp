#include "ui/long_run.h"

#include <QApplication>
#include <QKeyEvent>
#include <QProgressBar>
#include <QWindow>
#include <QWidget>

namespace {

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::InputMethod:
    case QEvent::Close:
      return true;
    default:
      return false;
  }
}

// A dialog opened during the loop (a question, a message) takes its input.
bool ForModalDialog(QObject* watched) {
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal) return false;
  if (auto* widget = qobject_cast<QWidget*>(watched)) return widget->window() == modal;
  if (auto* window = qobject_cast<QWindow*>(watched)) return window == modal->windowHandle();
  return false;
}

}  // namespace

LongRun::LongRun(QProgressBar* bar, const QList<QWidget*>& starters) : bar_(bar) {
  for (QWidget* widget : starters) {
    if (widget && widget->isEnabled()) {
      widget->setEnabled(false);
      disabled_ << widget;
    }
  }
  if (bar_) {
    // The bar says how to stop; its tip, how far the run is.
    barFormat_ = bar_->format();
    barTextVisible_ = bar_->isTextVisible();
    bar_->setFormat(QStringLiteral("Esc 停止"));
    bar_->setTextVisible(true);
    bar_->setToolTip(QStringLiteral("按 Esc 停止"));
  }
  qApp->installEventFilter(this);
  sinceEvents_.start();
}

LongRun::~LongRun() {
  // Input that arrived during the last stretch is swallowed too, not carried
  // out once the loop is over.
  QCoreApplication::processEvents();
  qApp->removeEventFilter(this);
  for (const QPointer<QWidget>& widget : disabled_)
    if (widget) widget->setEnabled(true);
  if (bar_) {
    bar_->setFormat(barFormat_);
    bar_->setTextVisible(barTextVisible_);
    bar_->setToolTip(QString());
  }
}

bool LongRun::KeepGoing() {
  if (!stopped_ && sinceEvents_.elapsed() >= 50) {
    QCoreApplication::processEvents();
    sinceEvents_.restart();
  }
  return !stopped_;
}

bool LongRun::eventFilter(QObject* watched, QEvent* event) {
  if (!IsUserInput(event->type()) || ForModalDialog(watched)) return QObject::eventFilter(watched, event);
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) stopped_ = true;
  if (event->type() == QEvent::Close) event->ignore();
  return true;
}
