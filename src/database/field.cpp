#include "database/field.h"

#include "database/query.h"
#include "database/value_text.h"

TField::TField(TQuery* dataSet, int storeColumn, QString name, TFieldType type, int size)
    : dataSet_(dataSet), storeColumn_(storeColumn), name_(std::move(name)), type_(type), size_(size) {}

int TField::DisplayWidth() const {
  if (width_ >= 0) return width_;
  return type_ == ftString ? size_ : 10;
}

int TField::Index() const { return dataSet_->IndexOfField(this); }

CellValue TField::Value() const { return dataSet_->CurrentValue(storeColumn_); }
QString TField::AsString() const { return CellText(type_, Value()); }
std::int64_t TField::AsInteger() const { return CellToInteger(Value()); }
double TField::AsFloat() const { return CellToFloat(Value()); }
QDateTime TField::AsDateTime() const { return CellToDateTime(Value()); }
bool TField::AsBoolean() const { return CellToBoolean(Value()); }
QByteArray TField::AsBytes() const { return CellToBytes(Value()); }
QString TField::TextOf(const CellValue& value) const { return CellText(type_, value); }
