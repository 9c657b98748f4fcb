#pragma once
// ODBC data sources and drivers (unixODBC) as database connections.
#include "database/backend.h"
#include "database/read_ahead.h"
#include "database/server_text.h"

#include <QMap>
#include <atomic>
#include <functional>
#include <initializer_list>
#include <optional>
#include <mutex>

// Data sources the driver manager lists, user and system, in its order.
QStringList OdbcDataSources();
// Drivers installed in the ODBC configuration (odbcinst.ini), by name.
QStringList OdbcDrivers();
// Whether a driver name (or a driver's library) is the PostgreSQL driver's.
bool IsPostgresOdbcDriver(const QString& driver);
// Whether a driver name is the SQLite driver's.
bool IsSqliteOdbcDriver(const QString& driver);
// Every attribute a data source sets in the ODBC configuration.
QMap<QString, QString> OdbcDataSourceAttributes(const QString& dataSource);
// Whether a data source's flag says no (0, no, false, off).
bool IsOdbcNo(const QString& value);
// Whether a driver name (or a driver's library) is the MariaDB or the MySQL
// driver's.
bool IsMariaDbOdbcDriver(const QString& driver);
// A data source's attributes by lower-case key, for a path that speaks the
// server's own protocol: none when the driver is not `isDriver`'s, when an
// attribute is not `honoured` (read, or changing nothing the path does), or
// when the data source says "Query2TextNative = No".
std::optional<QMap<QString, QString>> NativeDataSourceAttributes(
    const QString& dataSource, bool (*honoured)(const QString& key, const QString& value),
    bool (*isDriver)(const QString& driver));
// The first of `keys` (lower case) that has a value; empty when none has.
QString FirstAttribute(const QMap<QString, QString>& byKey, std::initializer_list<const char*> keys);
// The user name a data source is configured with; empty when none.
QString OdbcDataSourceUser(const QString& dataSource);

// The field type of a result column from what the driver describes.
TFieldType OdbcFieldType(int sqlType, qint64 columnSize, const QString& typeName, bool isUnsigned, bool autoUnique,
                         int& size);

// Connection strings. Values are braced where the syntax needs it.
QString OdbcDataSourceConnection(const QString& dataSource, const QString& user, const QString& password);
// For a driver named directly; `params` holds "SERVER NAME", "HOST NAME",
// "USER NAME", "PASSWORD" and "APPLICATION NAME" as the login manager gives
// them, mapped to each driver's own attributes.
QString OdbcDriverConnection(const QString& driver, const QMap<QString, QString>& params);

// The statement a thread is inside a driver call with, so that another
// thread can cancel it (SQLCancel on a freed handle would crash).
struct OdbcCallsInFlight {
  std::mutex mutex;
  void* statement = nullptr;
  std::atomic<bool> cancelled = false;
};

// The engine behind a driver, where the program reads its values its own way.
enum class OdbcServer { Other, Postgres, Sqlite, MySql };

// A statement of the connection (`stmt` an SQLHSTMT it owns from now on).
std::unique_ptr<BackendStatement> MakeOdbcStatement(void* stmt, const QString& secret, OdbcServer server,
                                                    std::function<void()> beforeExecute, ConnectionReading& reading,
                                                    OdbcCallsInFlight& calls);

class OdbcConnection : public BackendConnection {
public:
  // Connects; throws EDatabaseError with the driver's text, in which
  // `secret` (the password) never appears.
  OdbcConnection(const QString& connectionString, const QString& secret);
  ~OdbcConnection() override;

  QStringList TableNames() override;
  std::unique_ptr<BackendStatement> Prepare(const QString& sql, StatementAccess access) override;
  bool Alive() const override;
  void Cancel() override;
  void ResetCancel() override;
  QChar IdentifierQuote() const override { return identifierQuote_; }

private:
  // Puts the connection in the access mode a statement asks for: PostgreSQL
  // through its session's transaction mode, other drivers through the ODBC
  // access mode where they honour it.
  void EnterAccess(StatementAccess access);
  void ExecuteDirect(const QString& sql);
  void* dbc_ = nullptr;
  // The statement whose rows a thread reads; a pointer, so that it stays put.
  std::unique_ptr<ConnectionReading> reading_ = std::make_unique<ConnectionReading>();
  std::unique_ptr<OdbcCallsInFlight> calls_ = std::make_unique<OdbcCallsInFlight>();
  QString secret_;
  OdbcServer server_ = OdbcServer::Other;
  QChar identifierQuote_ = QLatin1Char('"');
  StatementAccess access_ = StatementAccess::ReadWrite;
  bool accessSet_ = false;  // the MySQL session's mode has been set
};
