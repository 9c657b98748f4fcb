#include "database/postgres/pg_settings.h"

#include "database/database.h"
#include "database/odbc/odbc_backend.h"

#include <cstring>
#include <odbcinst.h>
#include <vector>

namespace {

bool SameFlag(const QString& value, bool flag) { return IsOdbcNo(value) != flag; }

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
  const auto attributes = NativeDataSourceAttributes(dataSource, Honoured, IsPostgresOdbcDriver);
  if (!attributes) return std::nullopt;
  auto first = [&](std::initializer_list<const char*> keys) { return FirstAttribute(*attributes, keys); };
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
  PgSettings s;
  static_cast<ServerLogin&>(s) = ServerLoginOfParams(params);
  return s;
}
