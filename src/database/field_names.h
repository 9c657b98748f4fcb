#pragma once
// The field names of the connected database's tables, for completing names
// in the statement pane: read once per connection and table, through a
// query of their own (the window's result stays as it is).
#include <QMap>
#include <QString>
#include <QStringList>

class BackendConnection;

class FieldNames {
public:
  explicit FieldNames(QString databaseName) : databaseName_(std::move(databaseName)) {}
  // The table's fields; with `mayRead` false only what was read before (the
  // connection is busy with a result that must not be cut). Empty when the
  // table cannot be read.
  QStringList Of(const QString& table, bool mayRead = true);
  void SetDatabaseName(const QString& name) { databaseName_ = name; }

private:
  QString databaseName_;
  const BackendConnection* connection_ = nullptr;  // whose fields are cached
  QMap<QString, QStringList> cache_;                // by table name, in lower case
};
