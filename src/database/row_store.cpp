#include "database/row_store.h"

#include <cstring>

namespace {

void PutVarint(std::string& out, std::uint64_t v) {
  while (v >= 0x80) {
    out.push_back(static_cast<char>((v & 0x7F) | 0x80));
    v >>= 7;
  }
  out.push_back(static_cast<char>(v));
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
    pending_.push_back(static_cast<char>(static_cast<unsigned>(kind) | (number << 3)));
  } else {
    pending_.push_back(static_cast<char>(static_cast<unsigned>(kind) | (kInlineLimit << 3)));
    PutVarint(pending_, number);
  }
}

void RowStore::AddNull() { pending_.push_back(static_cast<char>(CellKind::Null)); }

void RowStore::AddInteger(std::int64_t v) {
  const auto zigzag = (static_cast<std::uint64_t>(v) << 1) ^ static_cast<std::uint64_t>(v >> 63);
  PutTagged(CellKind::Integer, zigzag);
}

void RowStore::AddFloat(double v) {
  pending_.push_back(static_cast<char>(CellKind::Float));
  pending_.append(reinterpret_cast<const char*>(&v), sizeof v);
}

void RowStore::AddText(const char* data, std::size_t size) { AddSized(CellKind::Text, data, size); }
void RowStore::AddBlob(const void* data, std::size_t size) { AddSized(CellKind::Blob, data, size); }

void RowStore::AddSized(CellKind kind, const void* data, std::size_t size) {
  PutTagged(kind, size);
  if (size) pending_.append(static_cast<const char*>(data), size);
}

void RowStore::EndRow() {
  const std::size_t need = pending_.size();
  if (chunks_.empty() || chunkUsed_ + need > chunkSize_) {
    chunkSize_ = need > chunkBytes_ ? need : chunkBytes_;
    chunks_.push_back(std::make_unique_for_overwrite<char[]>(chunkSize_));  // no zeroing: written before read
    chunkUsed_ = 0;
  }
  char* at = chunks_.back().get() + chunkUsed_;
  std::memcpy(at, pending_.data(), need);
  chunkUsed_ += need;
  bytes_ += need;
  rows_.push_back(at);
  pending_.clear();
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
  pending_.clear();
  chunks_.clear();
  rows_.clear();
  chunkUsed_ = chunkSize_ = 0;
  bytes_ = 0;
}
