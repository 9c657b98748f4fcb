#include "ui/spreadsheet_export.h"

#include "ui/long_run.h"
#include "export/spreadsheet.h"
#include "ui/messages.h"

#include <QElapsedTimer>
#include <QProgressBar>
#include <algorithm>
#include <climits>

namespace {

// The bar is the export's only feedback; it is repainted at most every 50 ms
// (its final value is exact).
class BarProgress : public ExportProgress {
public:
  BarProgress(QProgressBar* bar, LongRun* run) : bar_(bar), run_(run) { shown_.start(); }
  void Start(qint64 maximum) override {
    if (!bar_) return;
    bar_->setMinimum(0);
    bar_->setMaximum(static_cast<int>(std::clamp<qint64>(maximum, 0, INT_MAX)));
    bar_->setValue(0);
    bar_->repaint();
  }
  bool Step() override {
    if (!bar_) return !run_ || run_->KeepGoing();
    bar_->setValue(std::min(bar_->value() + 1, bar_->maximum()));
    if (shown_.elapsed() >= 50) {
      bar_->repaint();
      shown_.restart();
    }
    return !run_ || run_->KeepGoing();
  }
  void Finish() override {
    if (!bar_) return;
    bar_->setValue(bar_->maximum());
    bar_->repaint();
  }

private:
  QProgressBar* bar_;
  LongRun* run_;
  QElapsedTimer shown_;
};

}  // namespace

void ExportToSpreadsheet(TQuery& dataSet, const QString& fileName, const QString& serverName,
                         QProgressBar* progressBar, LongRun* run) {
  BarProgress progress(progressBar, run);
  qint64 cut = 0;
  const QString stopped = ExportResultToSpreadsheet(dataSet, fileName, serverName, progress, &cut);
  if (!stopped.isEmpty()) ShowError(stopped);
  if (cut > 0)
    ShowMessage(QStringLiteral("有 %1 個值超過試算表儲存格的 %2 個字元, 活頁簿 %3 只保留了前 %2 個字元")
                    .arg(cut)
                    .arg(kCellTextLimit)
                    .arg(fileName));
}
