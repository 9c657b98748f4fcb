// The ODBC configuration: data sources, drivers, what a data source sets,
// field types from what a driver describes, and connection strings.
#include "database/odbc/odbc_backend.h"

#include "database/database.h"
#include "database/odbc/odbc_common.h"
#include "database/server_login.h"
#include "database/statement_text.h"

#include <QRegularExpression>
#include <odbcinst.h>

namespace {

QString Braced(const QString& value) {
  if (!value.contains(QRegularExpression(QStringLiteral("[;{}=\\s]")))) return value;
  QString v = value;
  v.replace(QLatin1Char('}'), QStringLiteral("}}"));
  return QLatin1Char('{') + v + QLatin1Char('}');
}

void AddAttribute(QString& text, const char* name, const QString& value) {
  if (!value.isEmpty()) text += QLatin1String(name) + QLatin1Char('=') + Braced(value) + QLatin1Char(';');
}

}  // namespace

QStringList OdbcDataSources() {
  QStringList names;
  SQLWCHAR name[SQL_MAX_DSN_LENGTH + 1], description[512];
  SQLSMALLINT nameLength = 0, descriptionLength = 0;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  while (Ok(SQLDataSourcesW(Environment(), direction, name, SQL_MAX_DSN_LENGTH + 1, &nameLength, description, 512,
                            &descriptionLength))) {
    names << FromWide(name);
    direction = SQL_FETCH_NEXT;
  }
  return names;
}

bool IsPostgresOdbcDriver(const QString& driver) {
  return driver.contains(QLatin1String("postgres"), Qt::CaseInsensitive) ||
         driver.contains(QLatin1String("psqlodbc"), Qt::CaseInsensitive);
}

QStringList OdbcDrivers() {
  QStringList names;
  SQLWCHAR name[512], attributes[4096];
  SQLSMALLINT nameLength = 0, attributesLength = 0;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  while (Ok(SQLDriversW(Environment(), direction, name, 512, &nameLength, attributes, 4096, &attributesLength))) {
    names << FromWide(name);
    direction = SQL_FETCH_NEXT;
  }
  return names;
}

QMap<QString, QString> OdbcDataSourceAttributes(const QString& dataSource) {
  const QByteArray dsn = dataSource.toUtf8();
  std::vector<char> keys(16384, 0);
  const int length = SQLGetPrivateProfileString(dsn.constData(), nullptr, "", keys.data(),
                                                static_cast<int>(keys.size()), "odbc.ini");
  QMap<QString, QString> attributes;
  for (int at = 0; at < length && keys[static_cast<std::size_t>(at)];) {
    const char* key = keys.data() + at;
    char value[1024] = {0};
    SQLGetPrivateProfileString(dsn.constData(), key, "", value, sizeof value, "odbc.ini");
    attributes.insert(QString::fromUtf8(key).trimmed(), QString::fromUtf8(value).trimmed());
    at += static_cast<int>(std::strlen(key)) + 1;
  }
  return attributes;
}

bool IsOdbcNo(const QString& value) {
  const QString v = value.trimmed().toLower();
  return v == QLatin1String("0") || v == QLatin1String("no") || v == QLatin1String("false") ||
         v == QLatin1String("off");
}

std::optional<QMap<QString, QString>> NativeDataSourceAttributes(
    const QString& dataSource, bool (*honoured)(const QString& key, const QString& value),
    bool (*isDriver)(const QString& driver)) {
  const QMap<QString, QString> attributes = OdbcDataSourceAttributes(dataSource);
  QMap<QString, QString> byKey;
  for (auto it = attributes.begin(); it != attributes.end(); ++it) {
    if (!honoured(it.key(), it.value())) return std::nullopt;
    byKey.insert(it.key().toLower(), it.value());
  }
  if (!isDriver(byKey.value(QStringLiteral("driver")))) return std::nullopt;
  if (byKey.contains(QStringLiteral("query2textnative")) && IsOdbcNo(byKey.value(QStringLiteral("query2textnative"))))
    return std::nullopt;
  return byKey;
}

QString FirstAttribute(const QMap<QString, QString>& byKey, std::initializer_list<const char*> keys) {
  for (const char* key : keys)
    if (const QString v = byKey.value(QString::fromLatin1(key)); !v.isEmpty()) return v;
  return {};
}

bool IsMariaDbOdbcDriver(const QString& driver) {
  for (const char* mark : {"mariadb", "maodbc", "mysql", "myodbc"})
    if (driver.contains(QLatin1String(mark), Qt::CaseInsensitive)) return true;
  return false;
}

bool IsSqliteOdbcDriver(const QString& driver) { return driver.contains(QLatin1String("sqlite"), Qt::CaseInsensitive); }

QString OdbcDataSourceUser(const QString& dataSource) {
  const QByteArray dsn = dataSource.toUtf8();
  for (const char* key : {"UserName", "Username", "UID", "User"}) {
    char value[256] = {0};
    if (SQLGetPrivateProfileString(dsn.constData(), key, "", value, sizeof value, "odbc.ini") > 0 && value[0])
      return QString::fromUtf8(value);
  }
  return {};
}

TFieldType OdbcFieldType(int sqlType, qint64 columnSize, const QString& typeName, bool isUnsigned, bool autoUnique,
                         int& size) {
  size = 0;
  const QString name = typeName.toLower();
  if (sqlType == SQL_BIT || name == QLatin1String("bool") || name == QLatin1String("boolean")) return ftBoolean;
  if (name == QLatin1String("money") || name == QLatin1String("smallmoney")) return ftCurrency;
  switch (sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
      if (columnSize <= 0 || columnSize > 8000) return ftMemo;
      size = static_cast<int>(columnSize);
      return ftString;
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR: return ftMemo;
    case SQL_SMALLINT:
    case SQL_TINYINT: return isUnsigned ? ftWord : ftSmallint;
    case SQL_INTEGER:
    case SQL_BIGINT: return autoUnique ? ftAutoInc : ftInteger;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE: return ftFloat;
    case SQL_NUMERIC:
    case SQL_DECIMAL: return ftBCD;
    case SQL_TYPE_DATE:
    case SQL_DATE: return ftDate;
    case SQL_TYPE_TIME:
    case SQL_TIME: return ftTime;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP: return ftDateTime;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: return ftBlob;
    default: return ftUnknown;
  }
}

namespace {
// The SQLite driver waits 100 s for a lock by default, freezing the window;
// the built-in path waits as long as this.
void AddSqliteTimeout(QString& text) {
  text += QStringLiteral("Timeout=%1;").arg(kSqliteBusyMilliseconds);
}


// By default psqlODBC holds a whole result in memory before the first row
// arrives (hundreds of megabytes for a million rows); with a cursor fetched
// in blocks the memory stays flat. A data source that says otherwise keeps
// its own setting.
void AddPostgresStreaming(QString& text) { text += QStringLiteral("UseDeclareFetch=1;Fetch=10000;"); }

QString DataSourceValue(const QString& dataSource, const char* key) {
  char value[512] = {0};
  SQLGetPrivateProfileString(dataSource.toUtf8().constData(), key, "", value, sizeof value, "odbc.ini");
  return QString::fromUtf8(value);
}
}  // namespace

QString OdbcDataSourceConnection(const QString& dataSource, const QString& user, const QString& password) {
  QString text;
  AddAttribute(text, "DSN", dataSource);
  AddAttribute(text, "UID", user);
  AddAttribute(text, "PWD", password);
  const QString driver = DataSourceValue(dataSource, "Driver");
  if (IsSqliteOdbcDriver(driver)) AddSqliteTimeout(text);
  if (IsPostgresOdbcDriver(driver) && DataSourceValue(dataSource, "UseDeclareFetch").isEmpty()) AddPostgresStreaming(text);
  return text;
}

QString OdbcDriverConnection(const QString& driver, const QMap<QString, QString>& params) {
  const QString server = params.value(kParamServerName);
  const QString workstation = params.value(kParamHostName);
  const ServerLogin login = ServerLoginOfParams(params);
  const QString &host = login.host, &port = login.port, &database = login.database, &user = login.user,
                &password = login.password, &application = login.applicationName;
  const QString kind = driver.toLower();
  QString escaped = driver;
  QString text = QStringLiteral("DRIVER={") + escaped.replace(QLatin1Char('}'), QLatin1String("}}")) +
                 QStringLiteral("};");
  if (IsSqliteOdbcDriver(kind)) {
    AddAttribute(text, "Database", server);
    AddSqliteTimeout(text);
  } else if (IsPostgresOdbcDriver(kind)) {
    AddAttribute(text, "Servername", host);
    AddAttribute(text, "Port", port);
    AddAttribute(text, "Database", database);
    AddAttribute(text, "UID", user);
    AddAttribute(text, "PWD", password);
    if (!application.isEmpty()) {
      QString quoted = application;
      quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\''), QLatin1String("\\'"));
      text += QStringLiteral("pqopt={application_name='") + quoted.replace(QLatin1Char('}'), QLatin1String("}}")) +
              QStringLiteral("'};");
    }
    AddPostgresStreaming(text);
  } else if (kind.contains(QLatin1String("tds"))) {
    AddAttribute(text, "Server", host);
    AddAttribute(text, "Port", port);
    AddAttribute(text, "Database", database);
    AddAttribute(text, "UID", user);
    AddAttribute(text, "PWD", password);
    AddAttribute(text, "APP", application);
    AddAttribute(text, "WSID", workstation);
  } else {
    // MariaDB, MySQL and the rest name their server the same way.
    AddAttribute(text, "Server", host);
    AddAttribute(text, "Port", port);
    AddAttribute(text, "Database", database);
    AddAttribute(text, "UID", user);
    AddAttribute(text, "PWD", password);
  }
  return text;
}

