#include "database/password_mask.h"

#include <QRegularExpression>

QString MaskPassword(QString message, const QString& password) {
  // A braced value may hold ";" and doubled "}}".
  static const QRegularExpression attribute(
      QStringLiteral("\\b(PWD|password)(\\s*=\\s*)(\\{(?:[^}]|\\}\\})*\\}|'[^']*'|[^;\\s]*)"),
      QRegularExpression::CaseInsensitiveOption);
  message.replace(attribute, QStringLiteral("\\1\\2") + kPasswordMask);
  if (password.size() >= 4) message.replace(password, kPasswordMask);
  return message;
}
