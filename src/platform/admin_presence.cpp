#include "platform/admin_presence.h"

#include "platform/login_manager.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QGuiApplication>
#include <X11/Xlib.h>
#include <X11/Xatom.h>
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

// The process that owns a window, as it says itself (_NET_WM_PID); 0 when
// it does not say.
qint64 WindowPid(Display* display, Window window) {
  const Atom property = XInternAtom(display, "_NET_WM_PID", True);
  if (property == None) return 0;
  Atom type = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  qint64 pid = 0;
  if (XGetWindowProperty(display, window, property, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after, &data) ==
          Success &&
      data && items == 1 && format == 32)
    pid = static_cast<qint64>(*reinterpret_cast<unsigned long*>(data));
  if (data) XFree(data);
  return pid;
}

// Windows of the class, depth first; depth 3 copes with window managers that
// reparent top-level windows. `pids` gets their owners' process ids.
bool Search(Display* display, Window window, const QByteArray& wanted, int depth, QList<qint64>* pids = nullptr) {
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count)) return false;
  bool found = false;
  for (unsigned int i = 0; i < count && (pids || !found); ++i) {
    if (HasClass(display, children[i], wanted)) {
      found = true;
      if (pids) *pids << WindowPid(display, children[i]);
    } else if (depth > 1 && Search(display, children[i], wanted, depth - 1, pids)) {
      found = true;
    }
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

QList<qint64> X11WindowClassPids(const QString& className) {
  QList<qint64> pids;
  Display* display = XOpenDisplay(nullptr);
  if (!display) return pids;
  auto previous = XSetErrorHandler(IgnoreXErrors);
  Search(display, DefaultRootWindow(display), className.toLatin1(), 3, &pids);
  XSetErrorHandler(previous);
  XCloseDisplay(display);
  return pids;
}

bool LoginManagerBelongsToAdministrationProgram() {
  // Without X11 windows there is nothing to hold the bus name against.
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return true;
  QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
  if (!bus) return false;
  const QDBusReply<uint> owner = bus->servicePid(kLoginManagerProgId);
  return owner.isValid() && X11WindowClassPids(QLatin1String(kAdminWindowClass)).contains(owner.value());
}

bool AdministrationProgramRunning() {
  if (QGuiApplication::platformName() == QLatin1String("xcb"))
    return X11WindowClassExists(QLatin1String(kAdminWindowClass));
  QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
  return bus && bus->isServiceRegistered(kLoginManagerProgId).value();
}
