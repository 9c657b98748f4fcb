#include "comlib/row_text.h"

QString FieldTypeName(TFieldType type) {
  switch (type) {
    case ftString: return QStringLiteral("char");
    case ftSmallint: return QStringLiteral("smallint");
    case ftInteger: return QStringLiteral("integer");
    case ftWord: return QStringLiteral("word");
    case ftBoolean: return QStringLiteral("boolean");
    case ftFloat: return QStringLiteral("float");
    case ftCurrency: return QStringLiteral("currency");
    case ftDate: return QStringLiteral("date");
    case ftTime: return QStringLiteral("time");
    case ftDateTime: return QStringLiteral("datetime");
    case ftBlob: return QStringLiteral("image");
    case ftMemo: return QStringLiteral("memo");
    case ftTypedBinary: return QStringLiteral("TypedBinary");
    default: return QStringLiteral("Unknown");
  }
}
