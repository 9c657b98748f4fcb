#pragma once
// Small text routines shared by the window and the export paths.
#include <QDateTime>
#include <QString>

// Replaces every occurrence of `oldText`, searching again from the start after
// each replacement (so runs collapse). Gives the text back unchanged when
// `oldText` is empty or `newText` contains it (the search would never end).
QString ReplaceAll(const QString& text, const QString& oldText, const QString& newText);
// "yyyy/mm/dd" with fixed separators.
QString DateText(const QDateTime& value);
// "hh:mm:ss" on the 24-hour clock with fixed separators.
QString TimeText(const QDateTime& value);
// Date, blank and time; the time left out at midnight, the date left out for
// a time of day on a day up to 1900-01-01.
QString DateTimeText(const QDateTime& value);
// Removes : / \ ? * [ ] and cuts to 31 Big5 bytes between characters.
void CleanSheetName(QString& name);
QString BoolText(bool value);
// Lower-cases only the letters A to Z (keyword tests on statements).
QString LowerAscii(const QString& text);

// What a widget shows of a text that may be huge (a value of megabytes, a
// long message): laying it all out would freeze it. The text itself when
// short; otherwise its first `limit` characters and "…(共 N 字元)".
QString ShownPrefix(const QString& text, qsizetype limit);
