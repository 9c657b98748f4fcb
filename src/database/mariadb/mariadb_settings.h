#pragma once
// Where a MariaDB or MySQL connection goes, read from an ODBC data source of
// the MariaDB or MySQL driver or from the login manager's parameter lines,
// so that aliases stay ODBC data sources while the program speaks the
// server's own protocol.
#include "database/server_login.h"

#include <QMap>
#include <QString>
#include <optional>

struct MariaDbSettings : ServerLogin {
  QString socket;
  QString sslKey, sslCert, sslCa, sslCaPath, sslCipher;
  bool sslVerify = false;  // the server's certificate is checked
  bool forceTls = false;   // no connection without TLS
};

// The settings of a data source whose driver is the MariaDB or the MySQL
// ODBC driver and that sets nothing the native path does not honour the same
// way (statements run at connect, option bits, another character set); none
// for every other data source. A data source keeps the ODBC driver with
// "Query2TextNative = No".
std::optional<MariaDbSettings> MariaDbSettingsOfDataSource(const QString& dataSource, const QString& user,
                                                           const QString& password);

// The settings for a driver named directly when it is the MariaDB or MySQL
// driver; `params` holds the login manager's lines, its server as
// "host[:port][/database]".
std::optional<MariaDbSettings> MariaDbSettingsOfDriver(const QString& driver, const QMap<QString, QString>& params);
