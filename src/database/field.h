#pragma once
// One column of an open query, read at the query's current record.
#include "database/cell_value.h"
#include "database/field_type.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

class TQuery;

class TField {
public:
  TField(TQuery* dataSet, int storeColumn, QString name, TFieldType type, int size);

  const QString& FieldName() const { return name_; }
  TFieldType DataType() const { return type_; }
  // Bytes the field takes in a row buffer (declared length + 1 for strings).
  int DataSize() const { return FieldDataSize(type_, size_); }
  // Declared length of a character field, 0 for fixed-size types.
  int Size() const { return size_; }
  QString DisplayLabel() const { return label_.isEmpty() ? name_ : label_; }
  void SetDisplayLabel(const QString& label) { label_ = label; }
  int DisplayWidth() const;
  void SetDisplayWidth(int width) { width_ = width; }
  bool Visible() const { return visible_; }
  void SetVisible(bool visible) { visible_ = visible; }
  // Position in the query's field order.
  int Index() const;
  TQuery* DataSet() const { return dataSet_; }
  // The column of the stored rows this field reads (its place in the
  // result, whatever the field order).
  int StoreColumn() const { return storeColumn_; }

  // Values at the current record.
  CellValue Value() const;
  bool IsNull() const { return Value().isNull(); }
  QString AsString() const;
  std::int64_t AsInteger() const;
  double AsFloat() const;
  QDateTime AsDateTime() const;
  bool AsBoolean() const;
  QByteArray AsBytes() const;
  // The ordinary text of any value of this column (the grid shows other rows).
  QString TextOf(const CellValue& value) const;

private:
  friend class TQuery;
  TQuery* dataSet_;
  int storeColumn_;
  QString name_;
  TFieldType type_;
  int size_;
  QString label_;
  int width_ = -1;
  bool visible_ = true;
};
