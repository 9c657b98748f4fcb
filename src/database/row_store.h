#pragma once
// The rows a query has fetched, packed one after another in large chunks so
// that a result of millions of rows costs little more than its data.
// Row layout: per value a tag byte (the kind, and a small length or integer
// inline), then what does not fit in it: a varint, a float's 8 bytes, the
// bytes of a text or blob.
#include "database/cell_value.h"

#include <memory>
#include <string>
#include <vector>

// Where one stored row lies: valid for as long as the store holds the row,
// whatever is added meanwhile (a chunk never moves, a row never changes), so
// that another thread may read rows while more arrive.
class StoredRow {
public:
  StoredRow() = default;
  // Every value of the row, in column order (`out` has one per column).
  void Decode(std::vector<CellValue>& out) const;

private:
  friend class RowStore;
  explicit StoredRow(const char* at) : at_(at) {}
  const char* at_ = nullptr;
};

class RowStore {
public:
  // `chunkBytes`: how much memory a chunk of rows takes (a row longer than
  // that gets a chunk of its own).
  explicit RowStore(std::size_t chunkBytes = 4 << 20) : chunkBytes_(chunkBytes) {}
  // Building one row: add every value in column order, then EndRow.
  void AddNull();
  void AddInteger(std::int64_t v);
  void AddFloat(double v);
  void AddText(const char* data, std::size_t size);
  void AddBlob(const void* data, std::size_t size);
  void EndRow();
  // Takes over every row of `rows` (built apart, say on another thread),
  // without copying them; `rows` is left empty. Between rows only: neither
  // store may be building one.
  void Append(RowStore&& rows);
  // Adds a copy of row `row` (of `columns` values) of another store.
  void AddRowOf(const RowStore& from, std::int64_t row, std::size_t columns);

  std::int64_t Count() const { return static_cast<std::int64_t>(rows_.size()); }
  // The bytes the stored rows take (without the row index).
  std::size_t Bytes() const { return bytes_; }
  // Value `column` of row `row`; both must exist.
  CellValue Value(std::int64_t row, int column) const;
  // Every value of one row, in column order.
  void DecodeRow(std::int64_t row, std::vector<CellValue>& out) const;
  StoredRow Row(std::int64_t row) const { return StoredRow(rows_[static_cast<std::size_t>(row)]); }
  void Clear();

private:
  friend class StoredRow;
  void AddSized(CellKind kind, const void* data, std::size_t size);
  void PutTagged(CellKind kind, std::uint64_t number);
  // `count` more bytes of the row being built, written in place: the row
  // lies in the last chunk past its used part, and moves to a new chunk
  // when it outgrows that one.
  char* Extend(std::size_t count) {
    if (chunkUsed_ + rowLength_ + count > chunkSize_) MoveRowToNewChunk(rowLength_ + count);
    char* at = chunks_.back().get() + chunkUsed_ + rowLength_;
    rowLength_ += count;
    return at;
  }
  void MoveRowToNewChunk(std::size_t need);
  static constexpr std::uint64_t kInlineLimit = 31;
  static CellValue Decode(const char*& p);

  std::size_t rowLength_ = 0;  // of the row being built
  std::vector<std::unique_ptr<char[]>> chunks_;
  std::size_t chunkUsed_ = 0;
  std::size_t chunkSize_ = 0;
  std::size_t chunkBytes_;
  std::size_t bytes_ = 0;
  std::vector<const char*> rows_;
};
