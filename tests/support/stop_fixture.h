#pragma once
// A window whose run waits for an engine, and Esc pressed as a user would
// while it waits: what the window showed then, and how soon the run ended.
#include "controls/text_pane.h"
#include "support/window_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

// How long a stopped statement may take to end here, for a bound of half a
// second on a quiet machine.
constexpr qint64 kStopBoundMs = 3000;

// What the window showed while it waited, read when Esc is pressed.
struct DuringTheWait {
  bool barBusy = false;
  QString barFormat;
  bool runButtonEnabled = true;
  int captionTicks = 0;
};

class StopFixture : public WindowTest {
protected:
  void SetUp() override {
    WindowTest::SetUp();
    QApplication::setActiveWindow(&W());
    W().chbShowMemo->setChecked(false);
    QObject::connect(W().Timer1, &QTimer::timeout, &W(), [this] { ++captionTicks_; });
  }
  // Presses Esc `afterMs` from now, as a user would, and notes what the
  // window showed then.
  void EscAfter(int afterMs) {
    QTimer::singleShot(afterMs, &W(), [this] {
      seen_.barBusy = W().ProgressBar1->maximum() == 0;
      seen_.barFormat = W().ProgressBar1->format();
      seen_.runButtonEnabled = W().ButtonSQLExec->isEnabled();
      seen_.captionTicks = captionTicks_ - ticksAtRun_;
      // A click while the window waits is not carried out, then or later.
      QTest::mouseClick(W().ButtonClearResult, Qt::LeftButton);
      escape_.start();
      QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QApplication::sendEvent(W().MemoOutput, &escape);
    });
  }
  // Runs the statement with a click; the messages shown.
  QStringList Run(const QString& statement) {
    ticksAtRun_ = captionTicks_;
    return RunShowing(statement);
  }
  qint64 SinceEscape() const { return escape_.isValid() ? escape_.elapsed() : -1; }
  // The run stopped within the bound, with the window alive meanwhile.
  void ExpectStoppedInTime(const QStringList& messages) {
    EXPECT_EQ(messages, QStringList({QStringLiteral("查詢已停止")}));
    EXPECT_GE(SinceEscape(), 0) << "the run ended before Esc";
    EXPECT_LT(SinceEscape(), kStopBoundMs);
    EXPECT_TRUE(seen_.barBusy);
    EXPECT_EQ(seen_.barFormat, QStringLiteral("Esc 停止"));
    EXPECT_FALSE(seen_.runButtonEnabled);
    EXPECT_GE(seen_.captionTicks, 1) << "the caption clock did not tick while the window waited";
    EXPECT_TRUE(W().ButtonSQLExec->isEnabled());
    EXPECT_EQ(W().ProgressBar1->format(), QStringLiteral("%p%"));
  }

  DuringTheWait seen_;
  int captionTicks_ = 0, ticksAtRun_ = 0;
  QElapsedTimer escape_;
};
