#pragma once
// How result rows become text: the short type names of the field browser.
#include "database/field_type.h"

#include <QString>

// "char", "integer", "memo", ... ("Unknown" for the types without a name).
QString FieldTypeName(TFieldType type);
