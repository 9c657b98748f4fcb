// bench-render DB MODE: the window's own path for one statement, on the display
// (offscreen without one; DB is a SQLite file, or "dsn:NAME" for an ODBC data source):
// statement typed, output pane on, column names on ("insert" mode also ticks
// the insert-statement box), "查詢" clicked, until the last line is in the
// output pane and the window has settled. Prints the milliseconds, the lines
// and the peak memory.
//   bench-render DB file-csv|file-insert|file-xlsx STATEMENT FILE: the same
// with 直接存檔 ticked, the save dialog answered with FILE, until the file
// is in place.
//   bench-render DB first STATEMENT: from the click until the output pane has
// painted its first lines of the result; the run is then stopped (Esc).
// Every mode prints that figure too.
#include "controls/text_pane.h"
#include "database/database.h"
#include "database/failure.h"
#include "database/query.h"
#include "database/session.h"
#include "main/application.h"
#include "main/form1.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cstdio>
#include <functional>

namespace {
// Notes when the output pane first paints lines of the result.
class FirstPaint : public QObject {
public:
  FirstPaint(TTextPane* pane, const QElapsedTimer& clock) : pane_(pane), clock_(clock) {
    pane->viewport()->installEventFilter(this);
  }
  qint64 At() const { return at_; }
  std::function<void()> onFirst;

protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && at_ < 0 && clock_.isValid() && pane_->lineCount() > 2) {
      at_ = clock_.elapsed();
      if (onFirst) QTimer::singleShot(0, onFirst);
    }
    return false;
  }

private:
  TTextPane* pane_;
  const QElapsedTimer& clock_;
  qint64 at_ = -1;
};

long PeakKiB() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toLong();
  return -1;
}
}  // namespace

int main(int argc, char** argv) {
  // The window on the display the program would use; offscreen without one.
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  TApplication app(argc, argv);
  if (argc < 4) {
    std::fprintf(stderr, "usage: bench-render DB csv|insert|file-csv|file-insert|file-xlsx STATEMENT [FILE]\n");
    return 2;
  }
  const QByteArray mode(argv[2]);
  const bool intoFile = mode.startsWith("file-");
  const bool firstOnly = mode == "first";
  if (intoFile && argc < 5) {
    std::fprintf(stderr, "bench-render: a run into a file needs FILE\n");
    return 2;
  }
  const QString target = intoFile ? QString::fromLocal8Bit(argv[4]) : QString();
  const QString source = QString::fromLocal8Bit(argv[1]);
  QString alias = QStringLiteral("BENCH");
  if (source.startsWith(QLatin1String("dsn:"))) alias = source.mid(4);
  else Session().AddSqliteAlias(alias, source);
  const bool insert = mode.endsWith("insert");
  TForm1 window;
  window.show();
  window.Database1->SetConnected(false);
  window.Database1->SetLoginPrompt(false);
  window.Database1->SetAliasName(alias);
  window.Database1->SetDatabaseName(alias);
  window.Query1->SetDatabaseName(alias);
  // A connection that fails would wait on its message box: say so instead.
  try {
    window.Database1->SetConnected(true);
  } catch (const EDatabaseError& e) {
    std::fprintf(stderr, "bench-render: %s\n", e.Message().toUtf8().constData());
    return 1;
  }
  window.MemoSQL->setPlainText(QString::fromLocal8Bit(argv[3]));
  window.chbShowMemo->setChecked(false);
  window.ChBColName->setChecked(true);
  if (insert) window.ChBEachRow->setChecked(true);
  window.chbDirectSave->setChecked(intoFile);
  QApplication::processEvents();
  // The save dialog takes FILE; a question (replace the file?) is answered
  // yes. The run is timed from the dialog's end: the user's time in it is
  // no part of the run.
  QElapsedTimer timer;
  FirstPaint first(window.MemoOutput, timer);
  if (firstOnly)
    first.onFirst = [&] {
      QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QApplication::sendEvent(window.MemoOutput, &escape);
    };
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
      dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(target);
      QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
      QMetaObject::invokeMethod(&answer, [&] { timer.restart(); }, Qt::QueuedConnection);
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      std::fprintf(stderr, "bench-render: %s\n", box->text().toUtf8().constData());
      box->accept();
    }
  });
  if (intoFile) QFile::remove(target);
  if (intoFile || firstOnly) answer.start(5);

  timer.start();
  window.ButtonSQLExec->click();
  const qint64 ms = timer.elapsed();
  answer.stop();
  if (intoFile && !QFile::exists(target)) {
    std::fprintf(stderr, "bench-render: the run wrote no file %s\n", argv[4]);
    return 1;
  }
  // What the user waits for ends when the grid, the labels and the pane
  // have caught up and the window is painted.
  QApplication::processEvents();
  window.repaint();
  QApplication::processEvents();
  const qint64 settled = timer.elapsed();
  std::printf("%lld ms until the window settled (click handler %lld ms), %lld lines, peak %ld KiB,"
              " first lines painted %lld ms\n",
              static_cast<long long>(settled), static_cast<long long>(ms),
              static_cast<long long>(window.MemoOutput->lineCount()), PeakKiB(), static_cast<long long>(first.At()));
  return 0;
}
