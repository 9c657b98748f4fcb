#pragma once
// Numbers as the program writes them: the general format of floats, exact
// decimals, and the system's decimal separator where a text shows one.
#include "database/cell_value.h"

#include <QString>

// The general format with 15 significant digits (as C's %.15G) and the
// system's decimal separator (GeneralFloatText: with a point).
QString FormatGeneralFloat(double value);
QString GeneralFloatText(double value);
// A decimal exactly as stored, no exponent, trailing fractional zeros
// dropped, with the system's decimal separator (ExactDecimalText: a point).
QString FormatExactDecimal(const CellValue& value);
QString ExactDecimalText(const CellValue& value);
// A text with a point as decimal separator, with the system's instead.
QString LocalizedPoint(QString text);
// GeneralFloatText into a buffer; the length, or -1 when it does not fit.
int GeneralFloatChars(char (&buffer)[64], double value);

