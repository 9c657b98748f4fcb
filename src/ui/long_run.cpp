#include "ui/long_run.h"

#include "database/engine_wait.h"
#include "database/query.h"

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

LongRun* current = nullptr;

// How often the window is serviced while an engine call is waited for, and
// how long an engine may take to stop after Esc before its connection is cut.
constexpr int kWaitStepMs = 20;
constexpr int kStopGraceMs = 250;

// The bar is busy while the program waits for the server; afterwards it
// shows what it showed before.
class BusyBar {
public:
  explicit BusyBar(QProgressBar* bar) : bar_(bar) {
    if (!bar_) return;
    minimum_ = bar_->minimum();
    maximum_ = bar_->maximum();
    value_ = bar_->value();
    bar_->setRange(0, 0);
  }
  ~BusyBar() {
    if (!bar_) return;
    bar_->setRange(minimum_, maximum_);
    bar_->setValue(value_);
  }

private:
  QPointer<QProgressBar> bar_;
  int minimum_ = 0, maximum_ = 0, value_ = 0;
};

}  // namespace

LongRun* LongRun::Current() { return current; }

LongRun::LongRun(QProgressBar* bar, const QList<QWidget*>& starters, TQuery* held)
    : bar_(bar), held_(held), outer_(current) {
  // Input is swallowed from the start: disabling a control moves the focus,
  // and what that starts may already wait for the engine.
  qApp->installEventFilter(this);
  sinceEvents_.start();
  current = this;
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
}

LongRun::~LongRun() {
  // Input that arrived during the last stretch is swallowed too, not carried
  // out once the loop is over.
  Pump();
  qApp->removeEventFilter(this);
  current = outer_;
  for (const QPointer<QWidget>& widget : disabled_)
    if (widget) widget->setEnabled(true);
  if (bar_) {
    bar_->setFormat(barFormat_);
    bar_->setTextVisible(barTextVisible_);
    bar_->setToolTip(QString());
  }
}

void LongRun::Pump() {
  const TQuery::Hold hold(held_);
  QCoreApplication::processEvents();
  sinceEvents_.restart();
}

bool LongRun::KeepGoing() {
  if (!stopped_ && sinceEvents_.elapsed() >= 50) Pump();
  return !stopped_;
}

void LongRun::WaitFor(const EngineWait& wait) {
  if (wait.finished(5)) return;
  const BusyBar busy(bar_);
  bool stopAsked = false, severed = false;
  QElapsedTimer sinceStop;
  for (;;) {
    if (stopped_ && !stopAsked) {
      stopAsked = true;
      sinceStop.start();
      wait.stop();
    } else if (stopAsked && !severed && sinceStop.elapsed() >= kStopGraceMs) {
      severed = true;
      wait.sever();
    }
    if (wait.finished(kWaitStepMs)) break;
    Pump();
  }
  // The clock of KeepGoing goes on unless the window caught up here: many
  // short waits in a row (blocks of rows arriving) must not keep it from
  // painting.
}

bool LongRun::eventFilter(QObject* watched, QEvent* event) {
  if (!IsUserInput(event->type()) || ForModalDialog(watched)) return QObject::eventFilter(watched, event);
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) stopped_ = true;
  if (event->type() == QEvent::Close) event->ignore();
  return true;
}
