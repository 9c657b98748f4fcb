#pragma once
// How the engine layer turns a stored value into the text, number or date a
// field reports. One place, so the grid, the fields and the dumps agree.
#include "database/cell_value.h"
#include "database/number_text.h"
#include "database/field_type.h"
#include "database/utf16_buffer.h"

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>

// The locale's long time format as Qt can write it: without the time zone
// (stored times carry none) and its brackets, the day period of CLDR ("B")
// as AP.
QString LongTimeFormatOf(const QLocale& locale);
// A stored text as it is (a leading U+FEFF kept).
QString StoredText(const CellValue& value);
std::int64_t CellToInteger(const CellValue& value);
double CellToFloat(const CellValue& value);
bool CellToBoolean(const CellValue& value);
// 1 or 0 for a value that is a Boolean (1, 0, true, false, t, f, yes, no,
// on, off), -1 for any other.
int BooleanBit(const CellValue& value);
struct DateTimeParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, msec = 0;
};
// The parts of a stored date or time (see CellToDateTime); false when the
// value is no date.
bool CellToDateTimeParts(const CellValue& value, DateTimeParts& parts);
// Dates and times as the engine stored them (ISO text, Unix seconds or a
// Julian day number). A time of day alone falls on 1899-12-30. Invalid when
// the value is no date.
QDateTime CellToDateTime(const CellValue& value);
QByteArray CellToBytes(const CellValue& value);
// The field's ordinary text form of a value of the given type.
QString CellText(TFieldType type, const CellValue& value);
// What a grid cell shows: the ordinary text, the first line of a memo, a
// marker for blobs and pictures.
QString GridCellText(TFieldType type, const CellValue& value);
// The export form (FieldToText): null as "null", Booleans as 1 and 0, dates
// year first on the 24-hour clock, blobs as "0x" and hexadecimal. False when
// the value's text held bytes that are no UTF-8 (shown as U+FFFD).
bool AppendValueText(QString& out, TFieldType type, const CellValue& value);
// The same into a line being built (the row loop's form).
bool AppendValueText(Utf16Buffer& out, TFieldType type, const CellValue& value);
// The export form of a date or time that is one (yyyy/mm/dd, hh:mm:ss or
// both: digits and separators only); false, with nothing written, for a
// value that is no date the program can hold.
bool AppendDateTimeText(Utf16Buffer& out, TFieldType type, const CellValue& value);
// Two upper-case hexadecimal digits per byte.
void AppendHexText(QString& out, QByteArrayView bytes);
// Whether the export form of the value is exactly its stored bytes (plain
// ASCII text), so that a writer may take them as they are.
bool ValueTextIsStoredBytes(TFieldType type, const CellValue& value);
