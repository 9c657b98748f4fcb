#pragma once
// Whether a spreadsheet's number (a double) holds a value exactly: the
// workbooks write a number column's value as a number only then, and as
// its text otherwise, so that no value becomes another.
#include "database/cell_value.h"
#include "database/field_type.h"

#include <QString>

// `text` is the value's export form (a numeric literal). A float column's
// value is a double, whatever form the engine gave it in (a server's
// shortest text of a double has up to 17 digits).
bool DoubleHoldsExactly(TFieldType type, const CellValue& value, const QString& text);
