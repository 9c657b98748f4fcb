#pragma once
// The table a statement reads from and the insert texts derived from it.
#include <QString>

struct InsertIntoTexts {
  QString tableName;
  QString insertInto;
  QString values;
  bool setBraces = false;  // tick both bracket boxes
};

// TableName: at most 20 characters from the second character after the
// statement's first "from" (from the fifth character when it has none),
// trimmed and cut at its first blank; a name written quoted there is taken
// whole (blanks, length and a dotted part included). In insert mode with both texts empty
// they get their defaults ("insert into " + table, "values") and the brackets
// are ticked; an insert-into text that does not hold the table name is
// rebuilt up to its "into" + " " + table.
InsertIntoTexts DeriveInsertInto(const QString& statement, const QString& insertInto, const QString& values,
                                 bool insertMode);
