#pragma once
// Where a PostgreSQL connection goes, read from an ODBC data source of the
// PostgreSQL driver or from the login manager's parameter lines, so that
// aliases stay ODBC data sources while the program speaks the server's own
// protocol.
#include "database/server_login.h"

#include <QMap>
#include <QString>
#include <optional>

struct PgSettings : ServerLogin {
  QString sslMode;
};

// The settings of a data source whose driver is the PostgreSQL ODBC driver
// and that sets nothing the native path does not honour the same way (type
// options away from the driver's defaults, statements run at connect,
// libpq options); none for every other data source. A data source keeps the
// ODBC driver with "Query2TextNative = No".
std::optional<PgSettings> PgSettingsOfDataSource(const QString& dataSource, const QString& user,
                                                 const QString& password);

// The settings for a driver named directly when it is the PostgreSQL driver;
// `params` holds the login manager's lines, its server as
// "host[:port][/database]".
std::optional<PgSettings> PgSettingsOfDriver(const QString& driver, const QMap<QString, QString>& params);
