#pragma once
// A line of text being built, one value after another: UTF-16 as QString
// holds it, with appends that are a store and a size check. Built through
// QString, the appends' own bookkeeping took more of a run's time than the
// values' texts (measured: a seventh of the instructions of a run).
#include <QString>
#include <QStringView>
#include <cstring>
#include <memory>

class Utf16Buffer {
public:
  qsizetype Size() const { return size_; }
  bool IsEmpty() const { return size_ == 0; }
  const char16_t* Data() const { return data_.get(); }
  QStringView View() const { return QStringView(data_.get(), size_); }
  QStringView Mid(qsizetype from) const { return View().sliced(from); }
  void Clear() { size_ = 0; }
  void Truncate(qsizetype size) { size_ = size; }

  // Room for `count` more units, written through the pointer returned;
  // Commit then says where the writing ended.
  char16_t* Reserve(qsizetype count) {
    if (size_ + count > capacity_) Grow(size_ + count);
    return data_.get() + size_;
  }
  void Commit(const char16_t* end) { size_ = end - data_.get(); }

  void Append(char16_t c) {
    if (size_ == capacity_) Grow(size_ + 1);
    data_[size_++] = c;
  }
  void Append(QChar c) { Append(c.unicode()); }
  void Append(QStringView text) {
    if (text.isEmpty()) return;
    char16_t* to = Reserve(text.size());
    std::memcpy(to, text.utf16(), static_cast<std::size_t>(text.size()) * sizeof(char16_t));
    size_ += text.size();
  }
  // Bytes under 0x80 (numbers, dates, hexadecimal digits).
  void AppendAscii(const char* text, qsizetype count) {
    char16_t* to = Reserve(count);
    for (qsizetype i = 0; i < count; ++i) to[i] = static_cast<unsigned char>(text[i]);
    size_ += count;
  }

private:
  void Grow(qsizetype need) {
    qsizetype capacity = capacity_ ? capacity_ * 2 : 256;
    while (capacity < need) capacity *= 2;
    auto data = std::make_unique_for_overwrite<char16_t[]>(static_cast<std::size_t>(capacity));
    if (size_) std::memcpy(data.get(), data_.get(), static_cast<std::size_t>(size_) * sizeof(char16_t));
    data_ = std::move(data);
    capacity_ = capacity;
  }
  std::unique_ptr<char16_t[]> data_;
  qsizetype size_ = 0;
  qsizetype capacity_ = 0;
};
