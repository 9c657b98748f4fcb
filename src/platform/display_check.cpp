#include "platform/display_check.h"

#include <X11/Xlib.h>
#include <cstring>

namespace {

QByteArray RequestedPlatform(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) return argv[i + 1];
  return qgetenv("QT_QPA_PLATFORM");
}

}  // namespace

QString MissingDisplayProblem(int argc, char** argv) {
  const QByteArray platform = RequestedPlatform(argc, argv);
  // Platforms that draw without a display server (offscreen, vnc, ...).
  if (!platform.isEmpty() && !platform.startsWith("xcb") && !platform.startsWith("wayland")) return {};
  const QByteArray display = qgetenv("DISPLAY");
  if (!qgetenv("WAYLAND_DISPLAY").isEmpty() && !platform.startsWith("xcb")) return {};
  if (display.isEmpty())
    return QStringLiteral("query2text: 沒有顯示器, 無法開啟視窗: 請設定 DISPLAY 或在桌面環境中執行 "
                          "(no display: set DISPLAY or run under a desktop)");
  if (Display* x = XOpenDisplay(display.constData())) {
    XCloseDisplay(x);
    return {};
  }
  return QStringLiteral("query2text: 無法連接顯示器 %1, 無法開啟視窗: 請確認 DISPLAY 的設定 "
                        "(cannot open display %1: check DISPLAY)")
      .arg(QString::fromLocal8Bit(display));
}
