// bench-pane: the output pane holding one 50 MB line (a large value), offscreen.
// Prints the milliseconds of a repaint at the line's start and at its end,
// and of a repaint of a pane of short lines as the reference.
#include "controls/text_pane.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>

namespace {
// Best of five full repaints, in microseconds.
qint64 RepaintMicros(TTextPane& pane) {
  qint64 best = -1;
  for (int i = 0; i < 5; ++i) {
    QElapsedTimer timer;
    timer.start();
    (void)pane.viewport()->grab();  // paints it as a repaint would
    const qint64 us = timer.nsecsElapsed() / 1000;
    best = best < 0 ? us : std::min(best, us);
  }
  return best;
}
}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  TTextPane pane;
  pane.resize(800, 400);
  pane.show();

  QString shortLines;
  for (int i = 0; i < 100; ++i) shortLines += QStringLiteral("%1,'名稱 %1',12.5,2024/02/29\n").arg(i);
  pane.setPlainText(shortLines);
  const qint64 reference = RepaintMicros(pane);

  QString line(25 * 1024 * 1024, QLatin1Char('x'));  // 50 MB of UTF-16
  for (qsizetype i = 0; i < line.size(); i += 1000) line[i] = QChar(0x4E2D);
  pane.setPlainText(QStringLiteral("before\n") + line + QStringLiteral("\nafter"));
  const qint64 atStart = RepaintMicros(pane);
  pane.horizontalScrollBar()->setValue(pane.horizontalScrollBar()->maximum());
  QElapsedTimer first;
  first.start();
  (void)pane.viewport()->grab();  // measures the line up to the end, once
  const qint64 firstAtEnd = first.nsecsElapsed() / 1000;
  const qint64 atEnd = RepaintMicros(pane);
  std::printf("short lines %.1f ms, 50 MB line at its start %.1f ms, at its end %.1f ms (first time %.1f ms)\n",
              reference / 1000.0, atStart / 1000.0, atEnd / 1000.0, firstAtEnd / 1000.0);
  return 0;
}
