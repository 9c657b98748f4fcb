#pragma once
// The routines that fill a spreadsheet through the application's automation
// objects: each call keeps the order and meaning the export relies on.
#include "database/field_type.h"
#include "platform/automation.h"

#include <QString>

class TField;
class TQuery;

// Refused names are retried with a time prefix at most this often.
constexpr int kSheetNameAttempts = 10;

// Column number (from 1) to its letters: A..Z, AA..ZZ, AAA...
QString ColumnLetters(int n);
bool IsNumericField(const TField* field);
// Makes sure the current sheet is free for data: a sheet in use gets a new
// sheet in front of the first one, which becomes the current sheet.
void PrepareDataSheet(const AutomationValue::Object& workbook, AutomationValue::Object& sheet);
// Renames the sheet; a refused name is retried as time + name, cleaned, and
// after kSheetNameAttempts refusals the last refusal goes to the caller.
void SetSheetName(const AutomationValue::Object& sheet, QString name);
// The field names in one row, as text.
void PutTitleRow(const AutomationValue::Object& sheet, int row, const TQuery& dataSet);
// One value: nothing for null, text format and the text for non-numeric
// fields, the text alone for numbers. Failures stay inside.
// A spreadsheet cell holds at most this many characters of text.
constexpr qsizetype kCellTextLimit = 32767;
// False when the value's text is longer than a cell holds (the application
// keeps its start).
bool PutFieldCell(const AutomationValue::Object& sheet, int row, int col, const TField* field);
// Closes the current sheet's name with " - " + count and, unless last,
// starts the next sheet in front of the first one, named "Rcd#" + first record.
void StartNextSheet(bool last, qint64 count, qint64& firstRecord, const AutomationValue::Object& workbook,
                    AutomationValue::Object& sheet);
// Text wrapping off over the sheet's used area. Failures stay inside.
void SetUsedRangeWrap(const AutomationValue::Object& sheet);
