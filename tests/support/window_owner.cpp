// x11-window-owner CLASS: owns a hidden window of that class, says "ready"
// on standard output and waits until it is ended.
#include <QGuiApplication>
#include <QWindow>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  QGuiApplication::setApplicationName(QString::fromLocal8Bit(argv[1]));
  QGuiApplication app(argc, argv);
  QWindow window;
  window.winId();  // creates the native window with the class set above
  std::printf("ready\n");
  std::fflush(stdout);
  return app.exec();
}
