#pragma once
// Whether the site's administration program is running. Under X11 that is a
// top-level window of class "Q9ADM_REGISTER"; elsewhere, whether its login
// manager's name is owned on the session bus.
#include <QString>

bool AdministrationProgramRunning();
// A window of that WM_CLASS (class or instance name) exists on the X display.
bool X11WindowClassExists(const QString& className);
