// Working from the keyboard: run keys, leaving the statement, undoing the
// program's own edits, copying grid rows.
#include "controls/db_grid.h"
#include "controls/db_image.h"
#include "controls/text_pane.h"
#include "database/query.h"
#include "support/modal.h"
#include "support/temp_database.h"
#include "support/window_fixture.h"
#include "database/engine_wait.h"
#include "ui/long_run.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <thread>

namespace {

class UiDailyUse : public WindowTest {
protected:
  void SetUp() override {
    db_ = std::make_unique<TempDatabase>(QStringLiteral(
        "create table t (n integer, name varchar(10));"
        "insert into t values (1, '一'), (2, 'two'), (3, 'three'), (4, 'four');"),
        QStringLiteral("DAILYDB"));
    WindowTest::SetUp();
    QApplication::setActiveWindow(&W());
    UseDatabase(db_->Alias());
    W().chbShowMemo->setChecked(false);
  }
  std::unique_ptr<TempDatabase> db_;
};

}  // namespace

TEST_F(UiDailyUse, F5AndCtrlEnterRunTheStatementWithTheSameChecks) {
  W().MemoSQL->setPlainText(QStringLiteral("select n from t where n = 1"));
  W().MemoSQL->setFocus();
  QTest::keyClick(W().MemoSQL, Qt::Key_F5);
  EXPECT_EQ(OutputLines(), QStringList({QStringLiteral("1")}));
  QTest::keyClick(W().MemoSQL, Qt::Key_Return, Qt::ControlModifier);
  QTest::keyClick(W().MemoSQL, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
  EXPECT_EQ(OutputLines(), QStringList({QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1")}));
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("select n from t where n = 1"));  // no line break typed
  // The same check as the button: a statement must begin with "select".
  W().MemoSQL->setPlainText(QStringLiteral("delete from t"));
  ModalAnswerer answerer;
  QTest::keyClick(W().MemoSQL, Qt::Key_F5);
  EXPECT_EQ(answerer.Texts(), QStringList({QStringLiteral("指令必須以select開始")}));
}

TEST_F(UiDailyUse, CtrlTabLeavesTheStatementWhereTabTypesATab) {
  W().MemoSQL->setPlainText(QStringLiteral("select"));
  W().MemoSQL->setFocus();
  QTest::keyClick(W().MemoSQL, Qt::Key_Tab);
  EXPECT_TRUE(W().MemoSQL->hasFocus());
  EXPECT_TRUE(W().MemoSQL->toPlainText().contains(QLatin1Char('\t')));
  QTest::keyClick(W().MemoSQL, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_FALSE(W().MemoSQL->hasFocus());
  EXPECT_EQ(QApplication::focusWidget(), W().ChBColName);
  W().MemoSQL->setFocus();
  QTest::keyClick(W().MemoSQL, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_FALSE(W().MemoSQL->hasFocus());
}

TEST_F(UiDailyUse, TheProgramsOwnStatementEditsAreOneUndoStepEach) {
  W().MemoSQL->setPlainText(QString());
  WindowTest::Type(W().MemoSQL, QStringLiteral("select n from t"));
  QTest::mouseClick(W().ButtonClearSQL, Qt::LeftButton);
  EXPECT_TRUE(W().MemoSQL->toPlainText().isEmpty());
  W().MemoSQL->undo();
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("select n from t"));
  // The table browser's line is one step too.
  W().AppendStatementLine(QStringLiteral("select * from t"));
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("select n from t\nselect * from t"));
  W().MemoSQL->undo();
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("select n from t"));
}

TEST_F(UiDailyUse, CtrlCCopiesTheSelectedGridRowsForASpreadsheet) {
  W().MemoSQL->setPlainText(QStringLiteral("select * from t order by n"));
  QTest::mouseClick(W().ButtonSQLExec, Qt::LeftButton);
  QApplication::processEvents();
  TDBGrid* grid = W().DBGrid1;
  QAbstractItemModel* model = grid->model();
  grid->selectionModel()->clearSelection();
  for (int row : {0, 2, 3})
    grid->selectionModel()->select(model->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  grid->setFocus();
  QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(),
            QStringLiteral("n\tname\r\n1\t一\r\n3\tthree\r\n4\tfour"));
  // Ctrl+End goes to the last record.
  QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(W().Query1->RecNo(), 3);
  EXPECT_EQ(grid->currentIndex().row(), 3);
}

namespace {

// A result large enough that the row loop yields to the window many times.
class UiLongRun : public WindowTest {
protected:
  void SetUp() override {
    db_ = std::make_unique<TempDatabase>(QStringLiteral(
        "create table big (n integer, s varchar(20));"
        "with recursive c(x) as (select 1 union all select x + 1 from c where x < 300000)"
        " insert into big select x, 'row ' || x from c;"),
        QStringLiteral("BIGDB"));
    WindowTest::SetUp();
    UseDatabase(db_->Alias());
    W().chbShowMemo->setChecked(false);
  }
  // Does `act` once the run has its result open and writes its rows, as a
  // user watching it would; the window handles it while the loop runs.
  void DuringTheRowLoop(std::function<void()> act) {
    watcher_.setInterval(1);
    QObject::connect(&watcher_, &QTimer::timeout, &W(), [this, act] {
      if (!W().Query1->Active() || W().LabelRecNo->text().toLongLong() <= 0) return;
      watcher_.stop();
      act();
    });
    watcher_.start();
  }
  void PressEscape() {
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(W().MemoOutput, &escape);
  }
  std::unique_ptr<TempDatabase> db_;
  QTimer watcher_;
};

}  // namespace

TEST_F(UiLongRun, EscStopsTheRunWithWholeLinesAndTheClosingGo) {
  W().ChBEachRow->setChecked(true);
  W().ChBColName->setChecked(true);
  W().MemoSQL->setPlainText(QStringLiteral("select * from big"));
  QString formatDuringRun;
  DuringTheRowLoop([&] {
    formatDuringRun = W().ProgressBar1->format();
    EXPECT_FALSE(W().ButtonSQLExec->isEnabled());
    PressEscape();
  });
  ModalAnswerer answerer;
  QTest::mouseClick(W().ButtonSQLExec, Qt::LeftButton);
  const QStringList lines = OutputLines();
  const qint64 rendered = W().LabelRecNo->text().toLongLong();
  ASSERT_GT(rendered, 0);
  ASSERT_LT(rendered, 300000);
  EXPECT_EQ(formatDuringRun, QStringLiteral("Esc 停止"));
  EXPECT_EQ(W().ProgressBar1->format(), QStringLiteral("%p%"));
  EXPECT_TRUE(W().ButtonSQLExec->isEnabled());
  ASSERT_EQ(answerer.Texts().size(), 1);
  EXPECT_EQ(answerer.Texts().first(), QStringLiteral("查詢已停止: 輸出到第 %1 筆為止").arg(rendered));
  // use qledger, go, the rows with a go after every 3000th, the closing go.
  EXPECT_EQ(lines.size(), 2 + rendered + rendered / 3000 + 1);
  EXPECT_EQ(lines.last(), QStringLiteral("go"));
  QStringList inserts = lines.filter(QStringLiteral("insert into big"));
  EXPECT_EQ(inserts.size(), rendered);
  EXPECT_EQ(inserts.last(), QStringLiteral("insert into big (n,s) values (%1,'row %1')").arg(rendered));
}

TEST_F(UiLongRun, ClicksAndClosingDuringTheRunAreNotCarriedOutAfterIt) {
  W().MemoSQL->setPlainText(QStringLiteral("select * from big"));
  bool closeRefused = false;
  DuringTheRowLoop([&] {
    QTest::mouseClick(W().ButtonExit, Qt::LeftButton);
    QTest::mouseClick(W().ButtonClearResult, Qt::LeftButton);
    closeRefused = !W().close();
  });
  QTest::mouseClick(W().ButtonSQLExec, Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_TRUE(closeRefused);
  EXPECT_TRUE(W().isVisible());
  EXPECT_EQ(OutputLines().size(), 300000);  // ran to the end, nothing cleared
}

TEST_F(UiLongRun, AStoppedXlsSaveLeavesTheOldFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("big.xls"));
  {
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old bytes");
  }
  W().MemoSQL->setPlainText(QStringLiteral("select n, s, n as a, s as b, n as c, s as d, n as e, s as f from big limit 65000"));
  W().rbXLS->setChecked(true);
  QStringList messages;
  bool escaped = false;
  ModalAnswerer answerer([&](QWidget* modal) {
    if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
      dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
      QTimer::singleShot(0, dialog, [dialog] { QMetaObject::invokeMethod(dialog, "accept"); });
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      messages << box->text();
      // Overwrite, yes; then stop the save while it writes.
      if (!escaped) QTimer::singleShot(20, &W(), [&] {
        escaped = true;
        PressEscape();
      });
      box->buttons().first()->click();
    }
  });
  QTest::mouseClick(W().ButtonSave, Qt::LeftButton);
  ASSERT_GE(messages.size(), 2);
  EXPECT_EQ(messages.last(), QStringLiteral("XLS存檔已停止, 沒有寫入檔案 ") + path);
  QFile kept(path);
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), QByteArray("old bytes"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("big.xls")}));
}

TEST_F(UiDailyUse, TheWindowGrowsItsPanesAndKeepsItsDesignSizeAsTheLeast) {
  const QRect output = W().MemoOutput->geometry(), grid = W().DBGrid1->geometry();
  const QRect exec = W().ButtonSQLExec->geometry(), tables = W().CmbTables->geometry();
  EXPECT_EQ(W().minimumSize(), W().size());
  W().resize(W().width() + 200, W().height() + 100);
  QApplication::processEvents();
  EXPECT_EQ(W().MemoOutput->width(), output.width() + 200);
  EXPECT_EQ(W().MemoOutput->geometry().bottom(), output.bottom() + 100);
  EXPECT_EQ(W().DBGrid1->x(), grid.x() + 200);
  EXPECT_GT(W().DBGrid1->height(), grid.height());
  EXPECT_EQ(W().ButtonSQLExec->x(), exec.x());             // left of the pane: stays left
  EXPECT_EQ(W().ButtonSQLExec->y(), exec.y() + 25);        // below the statement: follows it down
  EXPECT_EQ(W().CmbTables->geometry(), tables.translated(200, 0));
  EXPECT_LE(W().DBImage1->geometry().bottom(), W().height());
}

// Blocks of rows that each keep the window waiting a few milliseconds, one
// after another, must not keep it from catching up (painting the lines that
// arrived, seeing Esc) as a long run's loop asks it to.
TEST(LongRunClock, ManyShortWaitsInARowStillLetTheWindowCatchUp) {
  QProgressBar bar;
  LongRun run(&bar, {});
  int caughtUp = 0;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] { ++caughtUp; });
  tick.start(0);
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 500) {
    QElapsedTimer block;
    block.start();
    EngineWait wait;
    wait.finished = [&](int ms) {
      std::this_thread::sleep_for(std::chrono::milliseconds(std::min<qint64>(ms, std::max<qint64>(0, 8 - block.elapsed()))));
      return block.elapsed() >= 8;
    };
    run.WaitFor(wait);
    run.KeepGoing();
  }
  EXPECT_GE(caughtUp, 4) << "the window caught up " << caughtUp << " times in half a second";
}
