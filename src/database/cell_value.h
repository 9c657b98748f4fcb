#pragma once
// One stored value of a result row, as the engine delivered it. Text is UTF-8.
#include <QByteArrayView>
#include <cstdint>

enum class CellKind : std::uint8_t { Null, Integer, Float, Text, Blob };

struct CellValue {
  CellKind kind = CellKind::Null;
  std::int64_t integer = 0;
  double real = 0;
  const char* data = nullptr;  // Text and Blob: points into the row store
  std::size_t size = 0;

  bool isNull() const { return kind == CellKind::Null; }
  QByteArrayView bytes() const { return QByteArrayView(data, static_cast<qsizetype>(size)); }
};
