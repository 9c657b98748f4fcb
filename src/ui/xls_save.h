#pragma once
// The XLS save as the window runs it: the engine writes, this tells the user.
#include <QString>

class LongRun;
class TQuery;

// Writes the open query to an XLS file (WriteQueryXls) with the query dump
// of the clipboard in row 0; says how many characters had to become "?".
// With `run`, the window stays alive and Esc stops the save (nothing is
// written, and the user is told).
void QueryToXLS(TQuery& query, const QString& fileName, LongRun* run = nullptr);

// What a workbook save says of the numbers it wrote as text (a double
// would have changed them).
QString NumbersAsTextNote(qint64 numbers);
