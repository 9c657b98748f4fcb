#pragma once
// The export through the spreadsheet application's automation objects. It
// reports progress and how it ended; the caller shows them.
#include <QString>

class TQuery;

// Records per worksheet.
constexpr qint64 kRecordsPerSheet = 60000;

// What the export tells while it runs: the number of records, then one step
// per record (false stops the export), then the end.
class ExportProgress {
public:
  virtual ~ExportProgress() = default;
  virtual void Start(qint64 maximum) = 0;
  virtual bool Step() = 0;
  virtual void Finish() = 0;
};

// Hands the open result to the spreadsheet application ("Excel.Application"),
// hidden, and has it save the workbook: a title row per sheet, at most
// 60000 records per sheet, sheets named after `serverName` (or "Rcd#" and
// record numbers for larger results); an existing workbook gets a new front
// sheet. Gives an empty text when the export ended well; when it failed
// midway the workbook is still saved with what was written, and the text
// says that the export stopped and why; when the user stopped it nothing is
// saved, and the text says so. The application is ended on every path.
// Throws only when the application cannot be created. `cutValues` gets the
// number of values longer than a cell holds (kCellTextLimit).
QString ExportResultToSpreadsheet(TQuery& dataSet, const QString& fileName, const QString& serverName,
                                  ExportProgress& progress, qint64* cutValues = nullptr);
