#include "database/field_type.h"

int FieldDataSize(TFieldType type, int size) {
  switch (type) {
    case ftString: return size + 1;
    case ftSmallint:
    case ftWord:
    case ftBoolean: return 2;
    case ftInteger:
    case ftAutoInc:
    case ftDate:
    case ftTime: return 4;
    case ftFloat:
    case ftCurrency:
    case ftDateTime: return 8;
    case ftBCD: return 34;
    case ftBytes: return size;
    case ftVarBytes: return size + 2;
    default: return 0;  // large objects, unknown, cursor
  }
}
