#pragma once
// The site's login manager ("Z9Ivozu.LoginManager"): the eleven argument-less
// calls a login-managed connection makes, in their order, and what their
// answers do to the database.
#include "platform/automation.h"

class TDatabase;

// The automation object's identifier; also its D-Bus service and interface.
inline const QString kLoginManagerProgId = QStringLiteral("Z9Ivozu.LoginManager");

struct LoginIdentity {
  QString apUserId;
  QString apUserName;
  QString connectServer;
};
// Calls 1 to 6: GetAPUserID, GetAPUserName, GetLocalIPAddress,
// GetConnectServer, GetDataBaseType, GetAPUserPassword.
LoginIdentity ReadLoginIdentity(AutomationObject& manager);

struct LoginConnection {
  QString driver;
  QString server;
  QString host;
  QString user;
  QString password;
};
// Calls 7 to 11: GetDataBaseType, GetConnectServer, GetLocalHostName,
// GetConnectUserID, GetConnectPassword.
LoginConnection ReadLoginConnection(AutomationObject& manager);

// The driver and the parameter lines "SERVER NAME", "HOST NAME", "USER NAME",
// "PASSWORD" and "APPLICATION NAME", in this order, on a database whose
// earlier lines are dropped (an empty value leaves its line out).
void ApplyLoginConnection(TDatabase& database, const LoginConnection& connection, const QString& applicationName);
