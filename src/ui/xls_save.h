#pragma once
// The XLS save as the window runs it: the engine writes, this tells the user.
#include <QString>

class TQuery;

// Writes the open query to an XLS file (WriteQueryXls) with the query dump
// of the clipboard in row 0; says how many characters had to become "?".
void QueryToXLS(TQuery& query, const QString& fileName);
