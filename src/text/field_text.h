#pragma once
// The one text form of a column value that every export uses: null as "null",
// Booleans as 1 and 0, dates year first on the 24-hour clock, binary large
// objects as "0x" and hexadecimal.
#include <QByteArrayView>
#include <QString>

class TField;

QString FieldToText(const TField* field);
// Appends FieldToText of the field to `out` (the row loop's allocation-free
// form). False when the value's text held bytes that are no UTF-8: they are
// shown as U+FFFD, and the caller may say so.
bool AppendFieldText(QString& out, const TField* field);
// Two upper-case hexadecimal digits per byte.
QString BytesToHex(QByteArrayView bytes);
int BoolToBit(bool value);
