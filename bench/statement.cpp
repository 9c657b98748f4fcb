// bench-statement: the statement pane with its colours and completion, on
// the display (offscreen without one). Prints the slowest and the median
// milliseconds of a key typed in the middle of a 1 MB statement of many
// lines and of one 1 MB line (the key's edit, its colours and the repaint),
// the same for a plain text pane as the reference, and the milliseconds of
// completing a name among 10,000 tables from the cache.
#include "controls/statement/statement_assist.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Timing {
  double median = 0, slowest = 0;
};

// Types 40 letters at the middle of the text, each until it is painted.
Timing TypeInTheMiddle(QPlainTextEdit& pane, const QString& text) {
  pane.setPlainText(text);
  QTextCursor cursor = pane.textCursor();
  cursor.setPosition(static_cast<int>(text.size() / 2));
  pane.setTextCursor(cursor);
  pane.centerCursor();
  QApplication::processEvents();
  std::vector<double> ms;
  for (int i = 0; i < 40; ++i) {
    QElapsedTimer timer;
    timer.start();
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(&pane, &key);
    pane.viewport()->repaint();
    QApplication::processEvents();
    ms.push_back(timer.nsecsElapsed() / 1e6);
  }
  std::sort(ms.begin(), ms.end());
  return {ms[ms.size() / 2], ms.back()};
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QString lines;
  for (int i = 0; lines.size() < (1 << 20); ++i)
    lines += QStringLiteral("select a%1, 'text %1' from t%1 where x = %1.5 -- note\n").arg(i);
  QString oneLine = lines;
  oneLine.replace(QLatin1Char('\n'), QLatin1Char(' '));

  QPlainTextEdit plain;
  plain.resize(600, 200);
  plain.show();
  const Timing plainLines = TypeInTheMiddle(plain, lines);
  const Timing plainLine = TypeInTheMiddle(plain, oneLine);

  QPlainTextEdit pane;
  pane.resize(600, 200);
  pane.show();
  QStringList tables;
  for (int i = 0; i < 10000; ++i) tables << QStringLiteral("table_%1").arg(i, 5, 10, QLatin1Char('0'));
  StatementAssist assist(&pane, {[&] { return tables; }, [](const QString&) { return QStringList(); },
                                 [](const QString& name) { return name; }});
  const Timing colouredLines = TypeInTheMiddle(pane, lines);
  const Timing colouredLine = TypeInTheMiddle(pane, oneLine);

  pane.setPlainText(QStringLiteral("select * from table_04"));
  pane.moveCursor(QTextCursor::End);
  QElapsedTimer timer;
  timer.start();
  assist.Complete(false);
  const double complete = timer.nsecsElapsed() / 1e6;
  std::printf("1 MB statement, a key typed (median / slowest): %.1f / %.1f ms in lines, %.1f / %.1f ms on one line; "
              "a plain pane %.1f / %.1f ms and %.1f / %.1f ms; completion among 10,000 tables %.1f ms\n",
              colouredLines.median, colouredLines.slowest, colouredLine.median, colouredLine.slowest,
              plainLines.median, plainLines.slowest, plainLine.median, plainLine.slowest, complete);
  return 0;
}
