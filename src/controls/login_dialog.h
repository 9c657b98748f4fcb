#pragma once
// The engine's "Database Login" dialog: the database name, the user name
// (filled in) and an empty password. True on OK, with what was typed.
#include <QString>

bool ShowDatabaseLogin(const QString& databaseName, QString& user, QString& password);
