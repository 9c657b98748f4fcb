#pragma once
// A long loop on the window's thread (the row loop, the XLS save, the
// spreadsheet export, a full fetch) that keeps the window alive: it paints
// and its clock ticks, Esc asks the loop to stop, and every other key press
// and mouse click is swallowed, never carried out after the loop. The
// buttons that start work are disabled, and the progress bar says how to stop.
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QProgressBar;
class QWidget;

class LongRun : public QObject {
public:
  LongRun(QProgressBar* bar, const QList<QWidget*>& starters);
  ~LongRun() override;
  // Lets the window catch up (at most every 50 ms); false once the user
  // pressed Esc.
  bool KeepGoing();
  bool Stopped() const { return stopped_; }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QPointer<QProgressBar> bar_;
  QString barFormat_;
  bool barTextVisible_ = false;
  QList<QPointer<QWidget>> disabled_;
  QElapsedTimer sinceEvents_;
  bool stopped_ = false;
};
