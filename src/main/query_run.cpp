// Running the typed statement and rendering every row of its result.
#include "main/form1.h"

#include "database/engine_wait.h"
#include "database/failure.h"
#include "platform/memory_budget.h"
#include "ui/messages.h"
#include "text/line_blocks.h"
#include "ui/busy_cursor.h"
#include "ui/long_run.h"
#include "text/result_lines.h"
#include "text/row_text.h"
#include "text/text_utils.h"
#include "controls/db_grid.h"
#include "controls/db_image.h"
#include "controls/statement/statement_assist.h"
#include "controls/text_pane.h"
#include "database/query.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <algorithm>
#include <climits>

namespace {

// A progress bar that shows "busy" while the size of the work is unknown,
// and does not stay so when the run ends before the size is known (a stop,
// a failure).
class BusyWhileUnknown {
public:
  explicit BusyWhileUnknown(QProgressBar* bar) : bar_(bar) { bar_->setRange(0, 0); }
  ~BusyWhileUnknown() {
    if (!known_) bar_->setRange(0, 1);
  }
  void SetSize(qint64 size) {
    bar_->setRange(0, static_cast<int>(std::clamp<qint64>(size, 0, INT_MAX)));
    known_ = true;
  }

private:
  QProgressBar* bar_;
  bool known_ = false;
};

// Hands output lines to the pane in large blocks; what was collected
// reaches the pane also when the run fails.
class PaneLines : public LineBlocks {
public:
  explicit PaneLines(TTextPane* pane) : pane_(pane) {}
  ~PaneLines() override { Flush(); }

private:
  void Deliver(QString& block) override { pane_->appendPlainText(block); }
  TTextPane* pane_;
};

}  // namespace

void TForm1::ButtonSQLExecClick(QObject*) {
  const QString statement = StatementText();
  if (LowerAscii(statement.left(6)) != QLatin1String("select")) {
    ShowWarning(QStringLiteral("指令必須以select開始"));
    MemoSQL->setFocus();
    return;
  }
  SqlAssist->Remember(statement);
  if (!DelimiterFitsFormat()) return;
  if (chbDirectSave->isChecked()) {
    RunIntoFile(statement);
    return;
  }
  BusyCursor busy;
  UpdateInsertInto();
  DBImage1->SetDataField(QString());
  DBImage1->SetAutoDisplay(false);
  DBGrid1->setEnabled(true);

  const bool render = !chbShowMemo->isChecked();
  const bool insertMode = ChBEachRow->isChecked();
  PaneLines out(MemoOutput);
  if (render && insertMode) WriteScriptOpening(out);
  RowRunReport report;
  bool rendering = false;
  QString failure;  // the engine's text when the rest of the result was lost
  {
    // From the count statement to the last row, a wait for the server keeps
    // the window alive and Esc stops the statement at the engine.
    LongRun run = StartLongRun();
    try {
      CountRows(statement);
      Query1->SQL().Clear();
      Query1->SQL().SetText(statement);
      Query1->Prepare();
      Query1->Open();
      if (render) {
        rendering = true;
        report = RenderResult(run, out, insertMode, failure);
      }
    } catch (const EStopped&) {
      report.stopped = true;
    }
  }
  if (render && insertMode) out.AddLine(QStringLiteral("go"));
  out.Flush();
  // The rows written before the engine failed stay, each a whole line, and
  // an insert script is closed as always; the message says how far it got.
  if (!failure.isEmpty()) throw Failure(failure + QStringLiteral("\n(輸出到第 %1 筆為止)").arg(report.rows));
  if (report.stopped)
    ShowMessage(rendering ? QStringLiteral("查詢已停止: 輸出到第 %1 筆為止").arg(report.rows) : QStringLiteral("查詢已停止"));
  if (render) ReportAlteredValues(report);
}

// Every row of the open result as a line, written as the rows arrive; a
// stop (Esc, or the engine stopped while the rest arrived) keeps whole lines.
RowRunReport TForm1::RenderResult(LongRun& run, LineSink& out, bool insertMode, QString& failure,
                                  qint64 expectedRows, bool keepsLines) {
  LabelFieldCnt->setText(QString::number(Query1->FieldCount()));
  RowOptions row{Delimiter->text(), ChBLeftBrace->isChecked(), ChBRightBrace->isChecked()};
  row.lineFormat = Output.lineFormat;
  row.nullText = Output.nullText;
  row.target = Output.target;
  const RowRunOptions options{row, ChBColName->isChecked(), insertMode, EdInsertInto->text(), EdValues->text(),
                              Output.batchRows};
  // The lines are written on a thread of their own from the stored rows;
  // this thread fetches the rows and hands the lines on.
  ResultLines rows(*Query1, options, out);
  // The lines and the rows the grid keeps grow with the result: a run that
  // is about to take more memory than there is stops as on Esc.
  const MemoryBudget budget = MemoryBudget::FromNow();
  bool tooLarge = false;
  const auto withinBudget = [&] {
    if (keepsLines && !tooLarge && budget.Exceeded()) tooLarge = true;
    return !tooLarge;
  };
  const auto progress = [&](qint64 written) {
    ShowRunProgress(written);
    return withinBudget() && run.KeepGoing();
  };
  // Rows are written as they arrive, while an engine that reads ahead
  // brings the rest; until the result is whole its size is unknown (a busy
  // bar), then the count and the picture column follow.
  BusyWhileUnknown busyBar(ProgressBar1);
  if (expectedRows > 0) busyBar.SetSize(expectedRows);
  RowRunReport report;
  try {
    // Between blocks the window catches up too, with the counter as it is
    // (painted when the window next catches up, not at once: that costs).
    const auto writeArrived = [&](qint64) {
      if (!rows.WriteArrived(progress)) return false;
      LabelRecNo->setText(QString::number(rows.Rendered()));
      return withinBudget() && run.KeepGoing();
    };
    if (!Query1->FetchAll(writeArrived)) {
      report = rows.Stopped();
    } else {
      const qint64 recordCount = Query1->RecordCount();
      if (recordCount > 0) LabelRecCnt->setText(QString::number(recordCount));
      BindPictureColumn();
      // A count the engine cannot tell (-1) must not stop the run.
      busyBar.SetSize(recordCount);
      ProgressBar1->setValue(static_cast<int>(std::min<qint64>(rows.Rendered(), ProgressBar1->maximum())));
      report = rows.Finish(progress);
    }
  } catch (const EStopped&) {
    report = rows.Stopped();
  } catch (const EDatabaseError& lost) {
    report = rows.EndedEarly();
    failure = lost.Message();
  } catch (const std::bad_alloc&) {
    // Memory ran out before the budget said so (another program took it):
    // the same way out, before anything else needs memory.
    report = rows.Stopped();
    tooLarge = true;
  }
  if (tooLarge) {
    report.stopped = false;
    failure = QStringLiteral("查詢結果太大, 記憶體不夠保留全部的資料列, 已停止。\n"
                             "請勾選「直接存檔」把結果直接寫入檔案, 或縮小查詢的範圍 (例如加上 where 條件) 再執行");
  }
  if (report.stopped || !failure.isEmpty()) ShowRunProgress(report.rows);
  return report;
}

LongRun TForm1::StartLongRun() {
  return LongRun(ProgressBar1,
                 QList<QWidget*>{ButtonSQLExec, ButtonSave, ButtonOptions, ButtonClearSQL, ButtonClearResult, ButtonExit, ComboBox1,
                                 CmbTables, DBGrid1},
                 Query1);
}

// The row count by a count statement; engines that reject its form leave
// the label as it was. It does not wait for another session's lock: the
// statement itself will, and one wait is enough. A stop ends the run.
qint64 TForm1::CountRows(const QString& statement) {
  Query1->Close();
  Query1->SQL().Clear();
  struct WaitForLocksAfter {
    TQuery* query;
    ~WaitForLocksAfter() { query->SetWaitForLocks(true); }
  } restore{Query1};
  Query1->SetWaitForLocks(false);
  try {
    Query1->SQL().SetText(CountStatement(statement));
    Query1->Prepare();
    Query1->Open();
    const qint64 count = Query1->FieldByName(QStringLiteral("cnt"))->AsInteger();
    LabelRecCnt->setText(QString::number(count));
    return count;
  } catch (const EStopped&) {
    throw;
  } catch (const Failure&) {
  }
  return -1;
}

// The picture box shows the (last) picture column of the result.
void TForm1::BindPictureColumn() {
  for (int i = 0; i < Query1->FieldCount(); ++i) {
    const TField* field = Query1->Fields(i);
    if (field->DataType() != ftBlob && field->DataType() != ftTypedBinary) continue;
    try {
      DBImage1->SetDataField(field->FieldName());
      DBImage1->SetAutoDisplay(true);
      DBImage1->setVisible(true);
    } catch (const Failure&) {
      DBImage1->SetAutoDisplay(false);
    }
  }
}

void TForm1::ShowRunProgress(qint64 row) {
  LabelRecNo->setText(QString::number(row));
  ProgressBar1->setValue(static_cast<int>(std::min<qint64>(row, ProgressBar1->maximum())));
  LabelRecNo->repaint();
  ProgressBar1->repaint();
}

void TForm1::WriteScriptOpening(LineSink& out) const {
  if (Output.useDatabase.isEmpty()) return;
  out.AddLine(QStringLiteral("use ") + Output.useDatabase);
  out.AddLine(QStringLiteral("go"));
}

bool TForm1::DelimiterFitsFormat() {
  if (ChBEachRow->isChecked()) return true;  // a script has no delimited lines
  const QString problem = DelimiterProblem(Output, Delimiter->text());
  if (problem.isEmpty()) return true;
  ShowWarning(problem);
  Delimiter->setFocus();
  return false;
}

// One message at the end of a run when some value could not be shown as it is.
void TForm1::ReportAlteredValues(const RowRunReport& report) {
  QStringList lines;
  if (report.invalidTextValues > 0)
    lines << QStringLiteral("有 %1 個文字值含有不是UTF-8的位元組, 已以 \uFFFD 顯示").arg(report.invalidTextValues);
  if (report.unrepresentableValues > 0)
    lines << QStringLiteral("有 %1 個日期或時間超出程式能表示的範圍, 已以 null 顯示").arg(report.unrepresentableValues);
  if (report.serverTextValues > 0)
    lines << QStringLiteral("有 %1 個日期或時間不是程式能表示的日期或時間 (例如 0000-00-00 或超過 24 小時的時間),"
                            " 已照伺服器的文字寫出")
                 .arg(report.serverTextValues);
  if (report.splitBatchValues > 0)
    lines << QStringLiteral("有 %1 個文字值含有只有 go 的一行或單獨的換行 (LF), 其中的換行已寫成 char(13)、char(10) 相接,"
                            " 以免切斷指令批次, 載回時也還是原值")
                 .arg(report.splitBatchValues);
  if (report.valuesLikeNull > 0)
    lines << QStringLiteral("有 %1 個值的文字就是 null 的文字「%2」, 讀回時分不出它們和 null (可在「輸出選項」改 null 的文字)")
                 .arg(report.valuesLikeNull)
                 .arg(Output.nullText);
  if (!lines.isEmpty()) ShowMessage(lines.join(QLatin1Char('\n')));
}
