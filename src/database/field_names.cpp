#include "database/field_names.h"

#include "database/backend.h"
#include "database/database.h"
#include "database/engine_wait.h"
#include "database/query.h"
#include "database/session.h"
#include "text/names.h"

QStringList FieldNames::Of(const QString& table, bool mayRead) {
  TDatabase* database = Session().FindDatabase(databaseName_);
  if (!database || !database->Connected()) return {};
  if (database->Connection() != connection_) {
    cache_.clear();
    connection_ = database->Connection();
  }
  const QString key = table.toLower();
  if (const auto found = cache_.constFind(key); found != cache_.constEnd()) return *found;
  if (!mayRead) return {};
  QStringList names;
  try {
    TQuery query;
    query.SetDatabaseName(databaseName_);
    query.SetReadOnly(true);
    query.SQL().SetText(QStringLiteral("select * from ") +
                        SpelledName(table, database->Connection()->IdentifierQuote()) + QStringLiteral(" where 1=2"));
    query.Open();
    for (int i = 0; i < query.FieldCount(); ++i) names << query.Fields(i)->FieldName();
  } catch (const EStopped&) {
    return {};  // asked again next time
  } catch (const Failure&) {
    // No such table (a misspelt name): nothing to offer, and not asked again.
  }
  cache_.insert(key, names);
  return names;
}
