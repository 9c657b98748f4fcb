#pragma once
// Whether the site's administration program is running. Under X11 that is a
// top-level window of class "Q9ADM_REGISTER"; elsewhere, whether its login
// manager's name is owned on the session bus.
#include <QList>
#include <QString>

bool AdministrationProgramRunning();
// A window of that WM_CLASS (class or instance name) exists on the X display.
bool X11WindowClassExists(const QString& className);
// The process ids that windows of that class give (_NET_WM_PID).
QList<qint64> X11WindowClassPids(const QString& className);
// Under X11: whether the process that owns the login manager's name on the
// session bus also owns the administration program's window, so that no
// other program can answer in its place. True where there are no windows to
// compare with.
bool LoginManagerBelongsToAdministrationProgram();
