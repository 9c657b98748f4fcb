#pragma once
// A long loop on the window's thread (the row loop, the XLS save, the
// spreadsheet export, a full fetch) and every engine call it waits for
// (a statement the server works on, a block of rows, a connection): the
// window paints and its clock ticks, Esc asks the loop to stop (and the
// engine to stop the call under way), and every other key press and mouse
// click is swallowed, never carried out after the loop. The buttons that
// start work are disabled, and the progress bar says how to stop. While the
// window handles events, the run's query is held: nothing those events
// start can close, reopen or move it (TQuery::Hold).
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QProgressBar;
class QWidget;
class TQuery;
struct EngineWait;

class LongRun : public QObject {
public:
  LongRun(QProgressBar* bar, const QList<QWidget*>& starters, TQuery* held = nullptr);
  ~LongRun() override;
  // Lets the window catch up (at most every 50 ms); false once the user
  // pressed Esc.
  bool KeepGoing();
  bool Stopped() const { return stopped_; }
  // Keeps the window alive until the engine call has ended; the bar is busy
  // meanwhile. Esc asks the engine to stop the call; an engine that has not
  // stopped a moment later has its connection cut.
  void WaitFor(const EngineWait& wait);
  // The innermost run under way, if any.
  static LongRun* Current();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void Pump();
  QPointer<QProgressBar> bar_;
  QString barFormat_;
  bool barTextVisible_ = false;
  QList<QPointer<QWidget>> disabled_;
  QPointer<TQuery> held_;
  QElapsedTimer sinceEvents_;
  bool stopped_ = false;
  LongRun* outer_ = nullptr;
};
