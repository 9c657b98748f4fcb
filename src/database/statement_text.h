#pragma once
// What the engine layer checks in a statement's text before it reaches a
// database engine.
#include <QString>
#include <QStringView>

// Whether the text holds at most one statement: nothing but blanks, comments
// and semicolons after the first semicolon that stands outside quoted text
// and comments. Engines read quoted text differently (backslash escapes,
// dollar quotes): a second statement found under any of those readings counts.
bool HoldsOneStatement(QStringView sql);

// The message for a text that holds more than one statement.
QString MultipleStatementsMessage();

// How long a SQLite file locked by another writer is waited for, on the
// built-in path and through the SQLite ODBC driver alike.
constexpr int kSqliteBusyMilliseconds = 5000;
// The engine's "database is locked", said so that the user knows what to do.
QString DatabaseLockedMessage(const QString& engineText);
