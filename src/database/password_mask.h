#pragma once
// Keeping a password out of what the user is shown.
#include <QString>

// What stands for a password wherever one would be shown: always the same,
// so that it tells nothing, not even the length.
inline const QString kPasswordMask = QStringLiteral("********");

// A driver's message with the password hidden: the values of PWD= and
// password= attributes, and the password itself where it occurs whole and
// is long enough (four characters or more) not to match ordinary words.
QString MaskPassword(QString message, const QString& password);
