#include "database/server_login.h"

#include "database/database.h"

#include <QRegularExpression>

ServerLogin ServerLoginOfParams(const QMap<QString, QString>& params) {
  static const QRegularExpression address(QStringLiteral("^([^:/]*)(?::(\\d+))?(?:/(.*))?$"));
  const auto parts = address.match(params.value(kParamServerName));
  return {parts.captured(1),           parts.captured(2),          parts.captured(3),
          params.value(kParamUserName), params.value(kParamPassword), params.value(kParamApplicationName)};
}
