#include "platform/admin_presence.h"

#include "platform/login_manager.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

const char* const kAdminWindowClass = "Q9ADM_REGISTER";

bool HasClass(Display* display, Window window, const QByteArray& wanted) {
  XClassHint hint{nullptr, nullptr};
  if (!XGetClassHint(display, window, &hint)) return false;
  const bool match = (hint.res_class && wanted == hint.res_class) || (hint.res_name && wanted == hint.res_name);
  if (hint.res_class) XFree(hint.res_class);
  if (hint.res_name) XFree(hint.res_name);
  return match;
}

// Depth 3 copes with window managers that reparent top-level windows.
bool Search(Display* display, Window window, const QByteArray& wanted, int depth) {
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count)) return false;
  bool found = false;
  for (unsigned int i = 0; i < count && !found; ++i) {
    found = HasClass(display, children[i], wanted) || (depth > 1 && Search(display, children[i], wanted, depth - 1));
  }
  if (children) XFree(children);
  return found;
}

int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }  // windows may vanish while we look

}  // namespace

bool X11WindowClassExists(const QString& className) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  auto previous = XSetErrorHandler(IgnoreXErrors);
  const bool found = Search(display, DefaultRootWindow(display), className.toLatin1(), 3);
  XSetErrorHandler(previous);
  XCloseDisplay(display);
  return found;
}

bool AdministrationProgramRunning() {
  if (QGuiApplication::platformName() == QLatin1String("xcb"))
    return X11WindowClassExists(QLatin1String(kAdminWindowClass));
  QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
  return bus && bus->isServiceRegistered(kLoginManagerProgId).value();
}
