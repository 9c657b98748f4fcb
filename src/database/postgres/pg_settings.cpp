#include "database/postgres/pg_settings.h"

#include "database/database.h"
#include "database/odbc/odbc_backend.h"

#include <QRegularExpression>
#include <cstring>
#include <odbcinst.h>
#include <vector>

namespace {

bool IsNo(const QString& value) { return IsOdbcNo(value); }

bool SameFlag(const QString& value, bool flag) { return IsNo(value) != flag; }

// Attributes the native path reads, or that change nothing it does.
bool Honoured(const QString& key, const QString& value) {
  static const QStringList read = {
      QStringLiteral("driver"),     QStringLiteral("description"), QStringLiteral("servername"),
      QStringLiteral("server"),     QStringLiteral("port"),        QStringLiteral("database"),
      QStringLiteral("username"),   QStringLiteral("uid"),         QStringLiteral("user"),
      QStringLiteral("password"),   QStringLiteral("pwd"),         QStringLiteral("sslmode"),
      QStringLiteral("usedeclarefetch"), QStringLiteral("fetch"),  QStringLiteral("boolsaschar"),
      QStringLiteral("query2textnative"), QStringLiteral("trace"), QStringLiteral("tracefile"),
      QStringLiteral("debug"),      QStringLiteral("commlog"),     QStringLiteral("protocol")};
  const QString k = key.toLower();
  if (read.contains(k)) return true;
  if (value.trimmed().isEmpty()) return true;
  // Type and catalog options left at the driver's defaults.
  static const QMap<QString, bool> flags = {
      {QStringLiteral("textaslongvarchar"), true},  {QStringLiteral("unknownsaslongvarchar"), false},
      {QStringLiteral("byteaaslongvarbinary"), true}, {QStringLiteral("showoidcolumn"), false},
      {QStringLiteral("fakeoidindex"), false},        {QStringLiteral("rowversioning"), false},
      {QStringLiteral("showsystemtables"), false},    {QStringLiteral("readonly"), false},
      {QStringLiteral("parse"), false},               {QStringLiteral("lfconversion"), false},
      {QStringLiteral("trueisminus1"), false},        {QStringLiteral("updatablecursors"), true},
      {QStringLiteral("serversideprepare"), true},    {QStringLiteral("disallowpremature"), false},
      {QStringLiteral("unknownsizes"), false}};
  if (flags.contains(k)) return SameFlag(value, flags.value(k));
  if (k == QLatin1String("maxvarcharsize")) return value.trimmed() == QLatin1String("255");
  if (k == QLatin1String("maxlongvarcharsize")) return value.trimmed() == QLatin1String("8190");
  return false;
}

}  // namespace

std::optional<PgSettings> PgSettingsOfDataSource(const QString& dataSource, const QString& user,
                                                 const QString& password) {
  const QMap<QString, QString> attributes = OdbcDataSourceAttributes(dataSource);
  QMap<QString, QString> byKey;
  for (auto it = attributes.begin(); it != attributes.end(); ++it) {
    if (!Honoured(it.key(), it.value())) return std::nullopt;
    byKey.insert(it.key().toLower(), it.value());
  }
  if (!IsPostgresOdbcDriver(byKey.value(QStringLiteral("driver")))) return std::nullopt;
  if (byKey.contains(QStringLiteral("query2textnative")) && IsNo(byKey.value(QStringLiteral("query2textnative"))))
    return std::nullopt;
  auto first = [&](std::initializer_list<const char*> names) {
    for (const char* name : names)
      if (const QString v = byKey.value(QString::fromLatin1(name)); !v.isEmpty()) return v;
    return QString();
  };
  PgSettings s;
  s.host = first({"servername", "server"});
  s.port = first({"port"});
  s.database = first({"database"});
  s.user = user.isEmpty() ? first({"username", "uid", "user"}) : user;
  s.password = password.isEmpty() ? first({"password", "pwd"}) : password;
  s.sslMode = first({"sslmode"});
  return s;
}

std::optional<PgSettings> PgSettingsOfDriver(const QString& driver, const QMap<QString, QString>& params) {
  if (!IsPostgresOdbcDriver(driver)) return std::nullopt;
  // "host[:port][/database]" names a server and what to open on it.
  static const QRegularExpression address(QStringLiteral("^([^:/]*)(?::(\\d+))?(?:/(.*))?$"));
  const auto parts = address.match(params.value(kParamServerName));
  PgSettings s;
  s.host = parts.captured(1);
  s.port = parts.captured(2);
  s.database = parts.captured(3);
  s.user = params.value(kParamUserName);
  s.password = params.value(kParamPassword);
  s.applicationName = params.value(kParamApplicationName);
  return s;
}
