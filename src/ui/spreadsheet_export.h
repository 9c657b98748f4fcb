#pragma once
// The spreadsheet export as the window runs it: progress on its bar, the
// stop message in a box.
#include "export/export_spreadsheet.h"

class LongRun;
class QProgressBar;

// ExportResultToSpreadsheet with `progressBar` (may be null) showing the
// records; a stopped export is told in an error box. With `run`, the window
// stays alive and Esc stops the export.
void ExportToSpreadsheet(TQuery& dataSet, const QString& fileName, const QString& serverName,
                         QProgressBar* progressBar, LongRun* run = nullptr);
