#pragma once
// The data type of a result column. The order of the members is fixed: other
// code (and stored column settings) may rely on it.
enum TFieldType {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
  ftParadoxOle,
  ftDBaseOle,
  ftTypedBinary,
  ftCursor,
};

constexpr int kFieldTypeCount = ftCursor + 1;

// Bytes a field of this type takes in a row buffer; `size` is the declared
// length of character and byte fields.
int FieldDataSize(TFieldType type, int size);
