#pragma once
// The query dump on the clipboard (and in a message box).
#include <QString>

class TQuery;

// Builds the dump, puts it on the clipboard, shows it when `show`; failures
// go on to the caller.
QString QuerySQLText(const TQuery& query, bool show);
// Puts the dump on the clipboard and always shows it; true only when the
// clipboard then holds exactly the dump. Never throws.
bool ShowQuerySQL(const TQuery& query);
