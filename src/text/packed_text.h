#pragma once
// A long text kept in blocks packed with LZ4. The output pane holds a line per
// result row, millions of them; packed, a result's text takes about a quarter
// of its UTF-16 size. Every block but the last is packed; the last stays plain
// so that appending costs little more than copying. A few unpacked blocks are
// kept at hand, since reading goes on around one place (the lines in view,
// a search moving forward). Blocks filled by Append are packed on a thread
// of their own, so that a long run of lines costs the window only the
// copying; until then a block is read from its plain text.
// Positions are in UTF-16 code units, as in QString; a line ends at '\n'.
#include <QString>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

class PackedText {
public:
  PackedText();
  PackedText(const PackedText&) = delete;
  PackedText& operator=(const PackedText&) = delete;

  qsizetype Size() const { return size_; }
  bool IsEmpty() const { return size_ == 0; }
  qsizetype LineCount() const { return newlines_ + 1; }
  // Where line `line` (0 ≤ line < LineCount) starts and ends (at its '\n',
  // or at the end of the text for the last line).
  qsizetype LineStart(qsizetype line) const;
  qsizetype LineEnd(qsizetype line) const;
  // The line that holds `position` (0 ≤ position ≤ Size).
  qsizetype LineOf(qsizetype position) const;

  // `length` code units from `from`, cut at the end of the text.
  QString Mid(qsizetype from, qsizetype length) const;
  QString ToString() const { return Mid(0, size_); }

  void Append(QStringView text);
  // Replaces [from, to) by `text`.
  void Replace(qsizetype from, qsizetype to, QStringView text);
  void Clear();

  // As QString::indexOf and lastIndexOf (lastIndexOf: a match starting at
  // or before `from`; -1 is the end), over the whole text.
  qsizetype IndexOf(QStringView needle, qsizetype from, Qt::CaseSensitivity cs) const;
  qsizetype LastIndexOf(QStringView needle, qsizetype from, Qt::CaseSensitivity cs) const;

  // The bytes the text's blocks take, packed and plain.
  std::size_t StoredBytes() const;

  // Code units in a full block: 64 kB, large enough for LZ4 to find the
  // repeats between lines, small enough to unpack in a few microseconds.
  static constexpr qsizetype kBlockChars = 32768;

private:
  // A block's packing under way on another thread: its plain text until
  // the packed bytes are there (then the text goes).
  struct PackJob {
    std::mutex mutex;
    QString text;
    std::unique_ptr<char[]> packed;
    int packedSize = 0;
    bool done = false;
  };
  struct Block {
    std::unique_ptr<char[]> packed;  // empty for the last block and while packing
    int packedSize = 0;
    qsizetype chars = 0;
    qsizetype newlines = 0;
    std::shared_ptr<PackJob> packing;  // set until the packed bytes are taken in
  };
  // An unpacked block with the offsets of its line breaks.
  struct Unpacked {
    qsizetype block = -1;
    QString text;
    std::vector<qint32> newlines;
  };

  qsizetype BlockAt(qsizetype position) const;
  // A block's text with the first needleSize - 1 characters of the next, so
  // that a match across the boundary is found in the block it starts in.
  QString SearchWindow(qsizetype block, qsizetype needleSize) const;
  const Unpacked& Open(qsizetype block) const;
  static Block Pack(QStringView text);
  // A full block of `text` (with `newlines` line breaks), packed on the
  // packing thread; on the spot when that thread is far behind.
  Block PackLater(QString text, qsizetype newlines);
  // Takes in the packed bytes of the blocks whose packing has ended, oldest
  // first, so that their plain text goes.
  void TakeInPacked();
  // Puts `packed` in place of the tail and starts a new, empty one.
  void SealTail(Block packed);
  void Reindex();
  // Adds to the plain tail (and to the text's totals).
  void AppendToTail(QStringView text);

  std::vector<Block> blocks_;              // at least one: the plain tail last
  std::vector<qsizetype> charsBefore_;     // per block, code units before it
  std::vector<qsizetype> newlinesBefore_;  // per block, line breaks before it
  Unpacked tail_;                          // the last block's text
  std::deque<std::size_t> packing_;        // blocks whose packing has not been taken in, in order
  mutable Unpacked cache_[4];
  mutable unsigned nextCacheSlot_ = 0;
  qsizetype size_ = 0;
  qsizetype newlines_ = 0;
};
