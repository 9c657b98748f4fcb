#include "text/field_text.h"

#include "database/field.h"
#include "database/value_text.h"

bool AppendFieldText(QString& out, const TField* field) {
  return AppendValueText(out, field->DataType(), field->Value());
}

QString FieldToText(const TField* field) {
  QString text;
  AppendFieldText(text, field);
  return text;
}

QString BytesToHex(QByteArrayView bytes) {
  QString text;
  AppendHexText(text, bytes);
  return text;
}

int BoolToBit(bool value) { return value ? 1 : 0; }
