#include "text/packed_text.h"

#include "text/line_scan.h"

#include <QRunnable>
#include <QThreadPool>
#include <lz4.h>

#include <algorithm>
#include <cstring>

namespace {

// Where the line breaks are (indexOf runs on the vector unit).
void FindNewlines(QStringView text, qsizetype offset, std::vector<qint32>& out) {
  for (qsizetype at = text.indexOf(u'\n'); at >= 0; at = text.indexOf(u'\n', at + 1))
    out.push_back(static_cast<qint32>(offset + at));
}

// Blocks waiting to be packed before Append packs on the spot: a few
// megabytes of plain text at most.
constexpr std::size_t kMostPacking = 64;

// LZ4 of `text` into `packed`; the packed size.
int PackInto(QStringView text, std::unique_ptr<char[]>& packed) {
  const int bytes = static_cast<int>(text.size() * 2);
  static thread_local std::vector<char> buffer;
  buffer.resize(std::max(buffer.size(), static_cast<std::size_t>(LZ4_compressBound(bytes))));
  const int size = LZ4_compress_default(reinterpret_cast<const char*>(text.data()), buffer.data(), bytes,
                                        static_cast<int>(buffer.size()));
  packed = std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(size));
  std::memcpy(packed.get(), buffer.data(), static_cast<std::size_t>(size));
  return size;
}

// The thread that packs: one, so that the blocks are packed in order and
// the reading threads of the engines keep the other processor.
QThreadPool& Packer() {
  static QThreadPool* pool = [] {
    auto* p = new QThreadPool;
    p->setMaxThreadCount(1);
    p->setExpiryTimeout(2000);
    return p;
  }();
  return *pool;
}

}  // namespace

PackedText::PackedText() { Clear(); }

void PackedText::Clear() {
  blocks_.clear();
  packing_.clear();
  blocks_.emplace_back();
  charsBefore_.assign(1, 0);
  newlinesBefore_.assign(1, 0);
  tail_ = Unpacked{};
  for (auto& slot : cache_) slot = Unpacked{};
  size_ = newlines_ = 0;
}

PackedText::Block PackedText::Pack(QStringView text) {
  Block block;
  block.chars = text.size();
  block.newlines = CountLineBreaks(text);
  block.packedSize = PackInto(text, block.packed);
  return block;
}

PackedText::Block PackedText::PackLater(QString text, qsizetype newlines) {
  TakeInPacked();
  if (packing_.size() >= kMostPacking) return Pack(text);
  Block block;
  block.chars = text.size();
  block.newlines = newlines;
  block.packing = std::make_shared<PackJob>();
  block.packing->text = std::move(text);
  Packer().start(QRunnable::create([job = block.packing, plain = block.packing->text] {
    std::unique_ptr<char[]> packed;
    const int size = PackInto(plain, packed);
    std::lock_guard lock(job->mutex);
    job->packed = std::move(packed);
    job->packedSize = size;
    job->done = true;
    job->text = QString();  // the plain text goes with the last reference to it
  }));
  packing_.push_back(blocks_.size() - 1);  // it takes the tail's place
  return block;
}

void PackedText::TakeInPacked() {
  while (!packing_.empty()) {
    Block& block = blocks_[packing_.front()];
    {
      std::lock_guard lock(block.packing->mutex);
      if (!block.packing->done) return;
      block.packed = std::move(block.packing->packed);
      block.packedSize = block.packing->packedSize;
    }
    block.packing.reset();
    packing_.pop_front();
  }
}

void PackedText::AppendToTail(QStringView text) {
  const std::size_t newlinesBefore = tail_.newlines.size();
  FindNewlines(text, tail_.text.size(), tail_.newlines);
  tail_.text.append(text);
  Block& tail = blocks_.back();
  tail.chars = tail_.text.size();
  tail.newlines = static_cast<qsizetype>(tail_.newlines.size());
  size_ += text.size();
  newlines_ += static_cast<qsizetype>(tail_.newlines.size() - newlinesBefore);
}

void PackedText::SealTail(Block packed) {
  // The packed block is the tail's text, or (from Append) text the empty tail never held.
  size_ += packed.chars - blocks_.back().chars;
  newlines_ += packed.newlines - blocks_.back().newlines;
  blocks_.back() = std::move(packed);
  charsBefore_.push_back(size_);
  newlinesBefore_.push_back(newlines_);
  blocks_.push_back(Block{});
  tail_ = Unpacked{};
}

void PackedText::Append(QStringView text) {
  while (!text.isEmpty()) {
    if (tail_.text.isEmpty() && text.size() >= kBlockChars) {
      // A whole block goes packed straight from the text.
      const QStringView whole = text.first(kBlockChars);
      SealTail(PackLater(whole.toString(), CountLineBreaks(whole)));
      text = text.sliced(kBlockChars);
      continue;
    }
    const qsizetype take = std::min(text.size(), kBlockChars - tail_.text.size());
    AppendToTail(text.first(take));
    text = text.sliced(take);
    if (tail_.text.size() >= kBlockChars)
      SealTail(PackLater(std::move(tail_.text), static_cast<qsizetype>(tail_.newlines.size())));
  }
}

qsizetype PackedText::BlockAt(qsizetype position) const {
  // The block that holds `position`; the end of the text is in the last one.
  const auto it = std::upper_bound(charsBefore_.begin(), charsBefore_.end(), position);
  // Only the tail can be empty, so no two blocks start at the same position.
  return static_cast<qsizetype>(it - charsBefore_.begin()) - 1;
}

const PackedText::Unpacked& PackedText::Open(qsizetype block) const {
  if (block == static_cast<qsizetype>(blocks_.size()) - 1) return tail_;
  for (const auto& slot : cache_)
    if (slot.block == block) return slot;
  Unpacked& slot = cache_[nextCacheSlot_++ % std::size(cache_)];
  const Block& packed = blocks_[static_cast<std::size_t>(block)];
  slot.block = block;
  std::unique_lock<std::mutex> packing;
  if (packed.packing) {
    packing = std::unique_lock(packed.packing->mutex);
    if (!packed.packing->done) {
      slot.text = packed.packing->text;  // shared, not copied
      slot.newlines.clear();
      FindNewlines(slot.text, 0, slot.newlines);
      return slot;
    }
  }
  const char* bytesPacked = packed.packing ? packed.packing->packed.get() : packed.packed.get();
  const int packedSize = packed.packing ? packed.packing->packedSize : packed.packedSize;
  slot.text.resize(packed.chars);
  const int bytes = static_cast<int>(packed.chars * 2);
  const int unpacked = LZ4_decompress_safe(bytesPacked, reinterpret_cast<char*>(slot.text.data()), packedSize, bytes);
  // Only memory gone bad elsewhere could fail here; show blanks, not garbage.
  if (unpacked != bytes) slot.text.fill(QChar(u' '));
  slot.newlines.clear();
  FindNewlines(slot.text, 0, slot.newlines);
  return slot;
}

qsizetype PackedText::LineStart(qsizetype line) const {
  if (line <= 0) return 0;
  if (line >= LineCount()) return size_;
  // The block holding the line's preceding break, the `line`-th one.
  const auto it = std::lower_bound(newlinesBefore_.begin(), newlinesBefore_.end(), line);
  const qsizetype block = static_cast<qsizetype>(it - newlinesBefore_.begin()) - 1;
  const Unpacked& open = Open(block);
  const qsizetype k = line - newlinesBefore_[static_cast<std::size_t>(block)] - 1;
  return charsBefore_[static_cast<std::size_t>(block)] + open.newlines[static_cast<std::size_t>(k)] + 1;
}

qsizetype PackedText::LineEnd(qsizetype line) const {
  return line + 1 < LineCount() ? LineStart(line + 1) - 1 : size_;
}

qsizetype PackedText::LineOf(qsizetype position) const {
  position = std::clamp<qsizetype>(position, 0, size_);
  const qsizetype block = BlockAt(position);
  const Unpacked& open = Open(block);
  const qsizetype offset = position - charsBefore_[static_cast<std::size_t>(block)];
  const auto before = std::lower_bound(open.newlines.begin(), open.newlines.end(), offset) - open.newlines.begin();
  return newlinesBefore_[static_cast<std::size_t>(block)] + before;
}

QString PackedText::Mid(qsizetype from, qsizetype length) const {
  from = std::clamp<qsizetype>(from, 0, size_);
  length = std::clamp<qsizetype>(length, 0, size_ - from);
  QString out;
  out.reserve(length);
  for (qsizetype block = BlockAt(from); length > 0; ++block) {
    const qsizetype offset = from - charsBefore_[static_cast<std::size_t>(block)];
    const QStringView piece = QStringView(Open(block).text).sliced(offset);
    const qsizetype take = std::min(length, piece.size());
    out.append(piece.first(take));
    from += take;
    length -= take;
  }
  return out;
}

void PackedText::Reindex() {
  packing_.clear();
  for (std::size_t i = 0; i < blocks_.size(); ++i)
    if (blocks_[i].packing) packing_.push_back(i);
  charsBefore_.resize(blocks_.size());
  newlinesBefore_.resize(blocks_.size());
  size_ = newlines_ = 0;
  for (std::size_t i = 0; i < blocks_.size(); ++i) {
    charsBefore_[i] = size_;
    newlinesBefore_[i] = newlines_;
    size_ += blocks_[i].chars;
    newlines_ += blocks_[i].newlines;
  }
}

void PackedText::Replace(qsizetype from, qsizetype to, QStringView text) {
  from = std::clamp<qsizetype>(from, 0, size_);
  to = std::clamp<qsizetype>(to, from, size_);
  // Blocks wholly inside the range go; the first and last are cut and
  // joined around the new text, which is cut into blocks again.
  const qsizetype first = BlockAt(from);
  const qsizetype last = BlockAt(to);
  const bool lastIsTail = last == static_cast<qsizetype>(blocks_.size()) - 1;
  QString joined = Open(first).text.left(from - charsBefore_[static_cast<std::size_t>(first)]);
  joined += text;
  joined += QStringView(Open(last).text).sliced(to - charsBefore_[static_cast<std::size_t>(last)]);

  std::vector<Block> rebuilt;
  QStringView rest = joined;
  // The tail stays plain: the last piece of a range that ends with it.
  while (rest.size() > (lastIsTail ? kBlockChars : 0)) {
    const qsizetype take = std::min(rest.size(), kBlockChars);
    rebuilt.push_back(Pack(rest.first(take)));
    rest = rest.sliced(take);
  }
  if (lastIsTail) rebuilt.push_back(Block{});
  blocks_.erase(blocks_.begin() + first, blocks_.begin() + last + 1);
  blocks_.insert(blocks_.begin() + first, std::make_move_iterator(rebuilt.begin()),
                 std::make_move_iterator(rebuilt.end()));
  for (auto& slot : cache_) slot = Unpacked{};
  if (lastIsTail) {
    tail_ = Unpacked{};
    AppendToTail(rest);
  }
  Reindex();
}

QString PackedText::SearchWindow(qsizetype block, qsizetype needleSize) const {
  const auto at = static_cast<std::size_t>(block);
  return Mid(charsBefore_[at], blocks_[at].chars + needleSize - 1);
}

qsizetype PackedText::IndexOf(QStringView needle, qsizetype from, Qt::CaseSensitivity cs) const {
  if (from < 0) from = std::max<qsizetype>(0, from + size_);
  if (needle.isEmpty() || from >= size_) return needle.isEmpty() && from <= size_ ? from : -1;
  for (qsizetype block = BlockAt(from); block < static_cast<qsizetype>(blocks_.size()); ++block) {
    const qsizetype start = charsBefore_[static_cast<std::size_t>(block)];
    const QString window = SearchWindow(block, needle.size());
    const qsizetype at = window.indexOf(needle, std::max<qsizetype>(0, from - start), cs);
    if (at >= 0) return start + at;
  }
  return -1;
}

qsizetype PackedText::LastIndexOf(QStringView needle, qsizetype from, Qt::CaseSensitivity cs) const {
  if (from < 0) from += size_ + 1;
  if (from < 0 || needle.isEmpty()) return -1;
  from = std::min(from, size_ - needle.size());
  if (from < 0) return -1;
  for (qsizetype block = BlockAt(from); block >= 0; --block) {
    const qsizetype start = charsBefore_[static_cast<std::size_t>(block)];
    const QString window = SearchWindow(block, needle.size());
    const qsizetype at = window.lastIndexOf(needle, std::min(from - start, window.size() - 1), cs);
    if (at >= 0) return start + at;
  }
  return -1;
}

std::size_t PackedText::StoredBytes() const {
  std::size_t bytes = static_cast<std::size_t>(tail_.text.capacity()) * 2;
  for (const auto& block : blocks_) {
    if (!block.packing) {
      bytes += static_cast<std::size_t>(block.packedSize);
      continue;
    }
    std::lock_guard lock(block.packing->mutex);
    bytes += block.packing->done ? static_cast<std::size_t>(block.packing->packedSize)
                                 : static_cast<std::size_t>(block.packing->text.capacity()) * 2;
  }
  return bytes;
}
