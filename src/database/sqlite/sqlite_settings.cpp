#include "database/sqlite/sqlite_settings.h"

#include "database/odbc/odbc_backend.h"

#include <QStringList>

namespace {

bool IsNo(const QString& value) {
  const QString v = value.trimmed().toLower();
  return v == QLatin1String("0") || v == QLatin1String("no") || v == QLatin1String("false") ||
         v == QLatin1String("off");
}

// Attributes the program reads, or that change nothing a read does (its own
// lock wait stands for the driver's timeout; the window only reads).
bool Honoured(const QString& key, const QString& value) {
  static const QStringList read = {
      QStringLiteral("driver"),      QStringLiteral("description"), QStringLiteral("database"),
      QStringLiteral("timeout"),     QStringLiteral("query2textnative"), QStringLiteral("trace"),
      QStringLiteral("tracefile"),   QStringLiteral("syncpragma"),  QStringLiteral("journalmode"),
      QStringLiteral("fksupport"),   QStringLiteral("notxn"),       QStringLiteral("readonly")};
  if (read.contains(key.toLower()) || value.trimmed().isEmpty()) return true;
  // Options that change names or types, left at the driver's defaults.
  static const QStringList offByDefault = {QStringLiteral("longnames"), QStringLiteral("stepapi"),
                                           QStringLiteral("shortnames"), QStringLiteral("nowchar"),
                                           QStringLiteral("bigint"), QStringLiteral("jdconv"),
                                           QStringLiteral("oemcp"), QStringLiteral("loadext")};
  return offByDefault.contains(key.toLower()) && IsNo(value);
}

}  // namespace

std::optional<QString> SqliteFileOfDataSource(const QString& dataSource) {
  const QMap<QString, QString> attributes = OdbcDataSourceAttributes(dataSource);
  QString driver, file;
  for (auto it = attributes.begin(); it != attributes.end(); ++it) {
    if (!Honoured(it.key(), it.value())) return std::nullopt;
    const QString key = it.key().toLower();
    if (key == QLatin1String("driver")) driver = it.value();
    if (key == QLatin1String("database")) file = it.value();
    if (key == QLatin1String("query2textnative") && IsNo(it.value())) return std::nullopt;
  }
  if (!IsSqliteOdbcDriver(driver) || file.isEmpty()) return std::nullopt;
  return file;
}
