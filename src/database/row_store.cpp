#include "database/row_store.h"

#include <algorithm>
#include <cstring>

namespace {

int VarintSize(std::uint64_t v) {
  int size = 1;
  for (; v >= 0x80; v >>= 7) ++size;
  return size;
}

char* PutVarint(char* out, std::uint64_t v) {
  while (v >= 0x80) {
    *out++ = static_cast<char>((v & 0x7F) | 0x80);
    v >>= 7;
  }
  *out++ = static_cast<char>(v);
  return out;
}

std::uint64_t GetVarint(const char*& p) {
  std::uint64_t v = 0;
  int shift = 0;
  for (;;) {
    auto byte = static_cast<unsigned char>(*p++);
    v |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
    if (!(byte & 0x80)) return v;
    shift += 7;
  }
}
}  // namespace

// A value starts with a tag byte: the kind in its low three bits, and in the
// high five a small number (a text's length, an integer's zigzag form) when
// it is under 31; otherwise 31, and the number follows as a varint. Most
// integers and short texts thus cost one byte less than their data, not nine.
void RowStore::PutTagged(CellKind kind, std::uint64_t number) {
  if (number < kInlineLimit) {
    *Extend(1) = static_cast<char>(static_cast<unsigned>(kind) | (number << 3));
  } else {
    char* at = Extend(1 + static_cast<std::size_t>(VarintSize(number)));
    *at = static_cast<char>(static_cast<unsigned>(kind) | (kInlineLimit << 3));
    PutVarint(at + 1, number);
  }
}

void RowStore::AddNull() { *Extend(1) = static_cast<char>(CellKind::Null); }

void RowStore::AddInteger(std::int64_t v) {
  const auto zigzag = (static_cast<std::uint64_t>(v) << 1) ^ static_cast<std::uint64_t>(v >> 63);
  PutTagged(CellKind::Integer, zigzag);
}

void RowStore::AddFloat(double v) {
  char* at = Extend(1 + sizeof v);
  *at = static_cast<char>(CellKind::Float);
  std::memcpy(at + 1, &v, sizeof v);
}

void RowStore::AddText(const char* data, std::size_t size) { AddSized(CellKind::Text, data, size); }
void RowStore::AddBlob(const void* data, std::size_t size) { AddSized(CellKind::Blob, data, size); }

void RowStore::AddSized(CellKind kind, const void* data, std::size_t size) {
  PutTagged(kind, size);
  if (size) std::memcpy(Extend(size), data, size);
}

void RowStore::EndRow() {
  if (chunks_.empty()) MoveRowToNewChunk(0);  // a row of no values
  rows_.push_back(chunks_.back().get() + chunkUsed_);
  chunkUsed_ += rowLength_;
  bytes_ += rowLength_;
  rowLength_ = 0;
}

void RowStore::MoveRowToNewChunk(std::size_t need) {
  // A row longer than a chunk gets a chunk of its own.
  const std::size_t size = std::max(need, chunkBytes_);
  auto chunk = std::make_unique_for_overwrite<char[]>(size);  // no zeroing: written before read
  if (rowLength_) std::memcpy(chunk.get(), chunks_.back().get() + chunkUsed_, rowLength_);
  // A chunk that holds no row yet is given up rather than left empty.
  if (!chunks_.empty() && chunkUsed_ == 0)
    chunks_.back() = std::move(chunk);
  else
    chunks_.push_back(std::move(chunk));
  chunkSize_ = size;
  chunkUsed_ = 0;
}

void RowStore::Append(RowStore&& rows) {
  if (rows.rows_.empty()) return;
  for (auto& chunk : rows.chunks_) chunks_.push_back(std::move(chunk));
  rows_.insert(rows_.end(), rows.rows_.begin(), rows.rows_.end());
  bytes_ += rows.bytes_;
  // Rows added from now on go on in the last chunk taken over.
  chunkUsed_ = rows.chunkUsed_;
  chunkSize_ = rows.chunkSize_;
  rows.Clear();
}

void RowStore::AddRowOf(const RowStore& from, std::int64_t row, std::size_t columns) {
  const char* p = from.rows_[static_cast<std::size_t>(row)];
  for (std::size_t i = 0; i < columns; ++i) {
    const CellValue v = Decode(p);
    switch (v.kind) {
      case CellKind::Null: AddNull(); break;
      case CellKind::Integer: AddInteger(v.integer); break;
      case CellKind::Float: AddFloat(v.real); break;
      case CellKind::Text: AddText(v.data, v.size); break;
      case CellKind::Blob: AddBlob(v.data, v.size); break;
    }
  }
  EndRow();
}

CellValue RowStore::Decode(const char*& p) {
  CellValue v;
  const auto tag = static_cast<unsigned char>(*p++);
  v.kind = static_cast<CellKind>(tag & 7);
  auto number = [&]() -> std::uint64_t { return (tag >> 3) < kInlineLimit ? tag >> 3 : GetVarint(p); };
  switch (v.kind) {
    case CellKind::Null: break;
    case CellKind::Integer: {
      const std::uint64_t zigzag = number();
      v.integer = static_cast<std::int64_t>((zigzag >> 1) ^ (~(zigzag & 1) + 1));
      break;
    }
    case CellKind::Float:
      std::memcpy(&v.real, p, sizeof v.real);
      p += sizeof v.real;
      break;
    case CellKind::Text:
    case CellKind::Blob:
      v.size = number();
      v.data = p;
      p += v.size;
      break;
  }
  return v;
}

CellValue RowStore::Value(std::int64_t row, int column) const {
  const char* p = rows_[static_cast<std::size_t>(row)];
  CellValue v = Decode(p);
  for (int i = 0; i < column; ++i) v = Decode(p);
  return v;
}

void RowStore::DecodeRow(std::int64_t row, std::vector<CellValue>& out) const { Row(row).Decode(out); }

void StoredRow::Decode(std::vector<CellValue>& out) const {
  const char* p = at_;
  for (auto& v : out) v = RowStore::Decode(p);
}

void RowStore::Clear() {
  rowLength_ = 0;
  chunks_.clear();
  rows_.clear();
  chunkUsed_ = chunkSize_ = 0;
  bytes_ = 0;
}
