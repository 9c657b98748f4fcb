#include "database/mariadb/mariadb_settings.h"

#include "database/database.h"
#include "database/odbc/odbc_backend.h"

#include <QStringList>

namespace {

// Attributes the native path reads, or that change nothing it does.
bool Honoured(const QString& key, const QString& value) {
  static const QStringList read = {
      QStringLiteral("driver"),    QStringLiteral("description"), QStringLiteral("server"),
      QStringLiteral("servername"), QStringLiteral("port"),       QStringLiteral("socket"),
      QStringLiteral("database"),  QStringLiteral("db"),          QStringLiteral("uid"),
      QStringLiteral("user"),      QStringLiteral("username"),    QStringLiteral("pwd"),
      QStringLiteral("password"),  QStringLiteral("sslkey"),      QStringLiteral("sslcert"),
      QStringLiteral("sslca"),     QStringLiteral("sslcapath"),   QStringLiteral("sslcipher"),
      QStringLiteral("sslverify"), QStringLiteral("forcetls"),    QStringLiteral("query2textnative"),
      QStringLiteral("tcpip"),     QStringLiteral("conn_timeout"), QStringLiteral("no_prompt"),
      QStringLiteral("trace"),     QStringLiteral("tracefile")};
  const QString k = key.toLower();
  if (read.contains(k) || value.trimmed().isEmpty()) return true;
  if (k == QLatin1String("charset")) {
    const QString v = value.trimmed().toLower();
    return v == QLatin1String("utf8") || v == QLatin1String("utf8mb4") || v == QLatin1String("utf8mb3");
  }
  if (k == QLatin1String("option") || k == QLatin1String("options")) return value.trimmed() == QLatin1String("0");
  return false;
}

}  // namespace

std::optional<MariaDbSettings> MariaDbSettingsOfDataSource(const QString& dataSource, const QString& user,
                                                           const QString& password) {
  const auto attributes = NativeDataSourceAttributes(dataSource, Honoured, IsMariaDbOdbcDriver);
  if (!attributes) return std::nullopt;
  auto first = [&](std::initializer_list<const char*> keys) { return FirstAttribute(*attributes, keys); };
  auto flag = [&](const char* name) {
    const QString v = first({name});
    return !v.isEmpty() && !IsOdbcNo(v);
  };
  MariaDbSettings s;
  s.host = first({"server", "servername"});
  s.port = first({"port"});
  // The driver goes through the socket only for localhost without TCPIP.
  if (!flag("tcpip")) s.socket = first({"socket"});
  s.database = first({"database", "db"});
  s.user = user.isEmpty() ? first({"uid", "user", "username"}) : user;
  s.password = password.isEmpty() ? first({"pwd", "password"}) : password;
  s.sslKey = first({"sslkey"});
  s.sslCert = first({"sslcert"});
  s.sslCa = first({"sslca"});
  s.sslCaPath = first({"sslcapath"});
  s.sslCipher = first({"sslcipher"});
  s.sslVerify = flag("sslverify");
  s.forceTls = flag("forcetls");
  return s;
}

std::optional<MariaDbSettings> MariaDbSettingsOfDriver(const QString& driver, const QMap<QString, QString>& params) {
  if (!IsMariaDbOdbcDriver(driver)) return std::nullopt;
  MariaDbSettings s;
  static_cast<ServerLogin&>(s) = ServerLoginOfParams(params);
  return s;
}
