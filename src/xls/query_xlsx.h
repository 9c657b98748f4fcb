#pragma once
// The .xlsx save: the open query written to a workbook through libxlsxwriter
// in its constant-memory mode, row by row as the rows arrive, so that a
// result of any size costs little memory. It reports; the window tells the
// user.
#include <QString>
#include <functional>

class TQuery;

// Records a sheet holds: 1,048,576 rows less the statement's and the field
// names' rows, and one kept free as the legacy sheet keeps one.
constexpr qint64 kMaxXlsxRecordsPerSheet = 1048573;

struct XlsxSaveResult {
  bool stopped = false;      // `keepGoing` said stop: the file is incomplete
  qint64 records = 0;        // records written
  int sheets = 0;
  qint64 cutValues = 0;      // texts longer than a cell's 32,767 characters, cut
  qint64 numbersAsText = 0;  // numbers a cell's double cannot hold exactly, written as text
};

struct XlsxSaveOptions {
  QString statement;  // the first row of every sheet
  qint64 recordsPerSheet = kMaxXlsxRecordsPerSheet;
  // The directory for the writer's own temporary files (the target's).
  QString temporaryDirectory;
};

// Writes the open query from its first record to its end into `fileName`:
// on each sheet the statement in the first row, the field names in the
// second, the records from the third. Sheets are named "Rcd#1",
// "Rcd#1048574", ... by their first record. Numbers are numbers, dates and
// times dates with a year-first format, texts texts, null an empty cell,
// blobs their "0x" text; every other value its export text. Asks
// `keepGoing` now and then. Throws Failure when the workbook cannot be
// written.
XlsxSaveResult WriteQueryXlsx(TQuery& query, const QString& fileName, const XlsxSaveOptions& options,
                              const std::function<bool(qint64 records)>& keepGoing);
