#include "platform/login_manager.h"

#include "database/database.h"

namespace {
QString CallText(AutomationObject& object, const char* method) {
  return object.Call(QLatin1String(method)).ToText();
}
}  // namespace

LoginIdentity ReadLoginIdentity(AutomationObject& manager) {
  LoginIdentity identity;
  identity.apUserId = CallText(manager, "GetAPUserID");
  identity.apUserName = CallText(manager, "GetAPUserName");
  CallText(manager, "GetLocalIPAddress");
  identity.connectServer = CallText(manager, "GetConnectServer");
  CallText(manager, "GetDataBaseType");
  CallText(manager, "GetAPUserPassword");
  return identity;
}

LoginConnection ReadLoginConnection(AutomationObject& manager) {
  LoginConnection connection;
  connection.driver = CallText(manager, "GetDataBaseType");
  connection.server = CallText(manager, "GetConnectServer");
  connection.host = CallText(manager, "GetLocalHostName");
  connection.user = CallText(manager, "GetConnectUserID");
  connection.password = CallText(manager, "GetConnectPassword");
  return connection;
}

void ApplyLoginConnection(TDatabase& database, const LoginConnection& connection, const QString& applicationName) {
  database.SetDriverName(connection.driver);
  database.Params().Clear();  // what a plain alias's login left is not the site's
  database.Params().SetValue(kParamServerName, connection.server);
  database.Params().SetValue(kParamHostName, connection.host);
  database.Params().SetValue(kParamUserName, connection.user);
  database.Params().SetValue(kParamPassword, connection.password);
  database.Params().SetValue(kParamApplicationName, applicationName);
}
