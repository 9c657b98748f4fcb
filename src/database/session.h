#pragma once
// The engine's session: which aliases exist and which databases are open
// under which name. Connections are opened in connection_opener.h.

#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class TDatabase;

// The built-in alias of the bundled demo database.
inline const QString kDemoAlias = QStringLiteral("DBDEMOS");

// Asks the user for a user name and a password before a connection is made
// ("Database Login"); false when the user cancels.
using LoginHandler = std::function<bool(const QString& databaseName, QString& user, QString& password)>;

class TSession {
public:
  // Every alias name: the built-in SQLite aliases ("DBDEMOS" first), then the
  // data sources of the other backends. The list is cleared first.
  void GetAliasNames(QStringList& list) const;
  // Tables of the database of that name, without system tables (connects it
  // when needed). The list is cleared first.
  void GetTableNames(const QString& databaseName, QStringList& list);

  // A SQLite file reachable under an alias name of its own.
  void AddSqliteAlias(const QString& alias, const QString& path);

  // The file of a built-in SQLite alias (the demo database for DBDEMOS);
  // false when `name` is no such alias.
  bool FindSqliteAlias(const QString& name, QString& path) const;

  // The dialog the engine shows when a connection asks for a login.
  void SetLoginHandler(LoginHandler handler) { loginHandler_ = std::move(handler); }
  // Asks through it; false when there is none or the user cancels.
  bool AskLogin(const QString& databaseName, QString& user, QString& password) const;

  void RegisterDatabase(TDatabase* database);
  void UnregisterDatabase(TDatabase* database);
  // The database whose DatabaseName is `name` (ignoring case), or nullptr.
  TDatabase* FindDatabase(const QString& name) const;

private:
  TSession();
  friend TSession& Session();
  struct SqliteAlias {
    QString name;
    QString path;
  };
  LoginHandler loginHandler_;
  std::vector<SqliteAlias> sqliteAliases_;
  std::vector<TDatabase*> databases_;
};

TSession& Session();

// The bundled demo database: beside the executable in the build tree, or in
// ../share/query2text when installed.
QString DemoDatabasePath();
