#pragma once
#include <QString>

class QProgressBar;
class TQuery;

// Records per worksheet.
constexpr qint64 kRecordsPerSheet = 60000;

// Hands the open result to the spreadsheet application ("Excel.Application"),
// hidden, and has it save the workbook: a title row per sheet, at most
// 60000 records per sheet, sheets named after `serverName` (or "Rcd#" and
// record numbers for larger results); an existing workbook gets a new front
// sheet. When the export fails midway the workbook is still saved with what
// was written and a message says that the export stopped and why; the
// application is ended on every path. Throws only when the application
// cannot be created.
void ExportToSpreadsheet(TQuery& dataSet, const QString& fileName, const QString& serverName,
                         QProgressBar* progressBar);
