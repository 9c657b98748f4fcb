#pragma once
// How an alias or a driver becomes a connection: a built-in SQLite alias
// opens its file, every other alias is an ODBC data source (with the login
// dialog when the database asks for it), and a driver name connects with the
// login-managed parameter lines. PostgreSQL, by data source or by driver, is
// reached through its own client library instead of the ODBC driver. Throws EDatabaseError with the engine's text.
#include "database/backend.h"

class TDatabase;

std::unique_ptr<BackendConnection> OpenAliasConnection(const QString& alias, TDatabase& database);
std::unique_ptr<BackendConnection> OpenDriverConnection(const QString& driver, TDatabase& database);
