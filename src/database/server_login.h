#pragma once
// Where a connection to a database server goes and who connects: what the
// native paths' settings have in common, and how the login manager's
// parameter lines give it.
#include <QMap>
#include <QString>

struct ServerLogin {
  QString host, port, database, user, password, applicationName;
};

// From the login manager's lines: "SERVER NAME" as "host[:port][/database]",
// "USER NAME", "PASSWORD" and "APPLICATION NAME".
ServerLogin ServerLoginOfParams(const QMap<QString, QString>& params);
