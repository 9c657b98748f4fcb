#pragma once
// The XLS save: the open query written to an XLS file by the program's own
// writer. It reports; the caller (the window) tells the user.
#include <QString>
#include <functional>

class TQuery;

// Records an XLS sheet can hold: 65535 rows less the two heading rows.
constexpr qint64 kMaxXlsRecords = 65533;

struct XlsSaveResult {
  bool written = false;             // false when the user kept an existing file or stopped
  bool stopped = false;             // `keepGoing` said stop: nothing was written
  qsizetype replacedCharacters = 0; // characters Big5 cannot hold, written as "?"
  qsizetype cutValues = 0;          // values longer than a label's 255 bytes, cut
  qsizetype numbersAsText = 0;      // numbers a double cannot hold exactly, written as text
};

// Writes the open query to an XLS file: `queryDump` of the query in row 0,
// the field names in row 1, one row per record from row 2. Asks before
// overwriting (AskToConfirm); refuses, before touching the file, a result
// larger than a sheet. `keepGoing` is asked now and then; when it says stop
// nothing is written. Throws on failure; the old file then stays.
XlsSaveResult WriteQueryXls(TQuery& query, const QString& fileName,
                            const std::function<QString(const TQuery&)>& queryDump,
                            const std::function<bool()>& keepGoing = [] { return true; });
