// Where the output pane's characters stand in a line: short lines measured
// whole, long ones (a 50 MB value) from cached advances and checkpoints, so
// that only what shows is ever laid out.
#include "controls/text_pane.h"

#include <algorithm>

namespace {
// A long line's offsets are kept for every this many columns.
constexpr qsizetype kCheckpoint = 1024;
}  // namespace

int TTextPane::Advance(const QChar* at, qsizetype remaining) const {
  if (at->isHighSurrogate() && remaining > 1) return fontMetrics().horizontalAdvance(QString(at, 2));
  if (at->isLowSurrogate()) return 0;  // measured with its high half
  if (advances_.empty()) advances_.assign(65536, 0);
  quint16& cached = advances_[at->unicode()];
  // Stored plus one, so that a zero-width character is measured once too.
  if (cached == 0) cached = static_cast<quint16>(std::clamp(fontMetrics().horizontalAdvance(*at), 0, 65534) + 1);
  return cached - 1;
}

void TTextPane::ForgetLongLineLayout() {
  checkpointLine_ = -1;
  checkpoints_.clear();
}

int TTextPane::XOf(qsizetype line, qsizetype column) const {
  const qsizetype start = LineStart(line), length = LineEnd(line) - start;
  column = std::clamp<qsizetype>(column, 0, length);
  if (length <= kLongLine) return fontMetrics().horizontalAdvance(text_.Mid(start, column));
  if (checkpointLine_ != line) {
    checkpointLine_ = line;
    checkpoints_.assign(1, 0);
  }
  // Checkpoints are measured as far as they are needed, once.
  while (static_cast<qsizetype>(checkpoints_.size() - 1) * kCheckpoint + kCheckpoint <= column) {
    const qsizetype from = static_cast<qsizetype>(checkpoints_.size() - 1) * kCheckpoint;
    checkpoints_.push_back(checkpoints_.back() + AdvanceOf(start + from, kCheckpoint, length - from));
  }
  const qsizetype base = column / kCheckpoint * kCheckpoint;
  return checkpoints_[static_cast<std::size_t>(base / kCheckpoint)] + AdvanceOf(start + base, column - base, length - base);
}

int TTextPane::AdvanceOf(qsizetype position, qsizetype count, qsizetype remaining) const {
  // One character more, for a surrogate pair cut at the end.
  const QString chars = text_.Mid(position, std::min(count + 1, remaining));
  int x = 0;
  for (qsizetype i = 0; i < count; ++i) x += Advance(chars.constData() + i, chars.size() - i);
  return x;
}

qsizetype TTextPane::ColumnAt(qsizetype line, int x) const {
  // The column whose left edge is nearest to x.
  qsizetype lo = 0, hi = LineEnd(line) - LineStart(line);
  while (lo < hi) {
    const qsizetype mid = (lo + hi + 1) / 2;
    if ((XOf(line, mid - 1) + XOf(line, mid)) / 2 <= x) lo = mid;
    else hi = mid - 1;
  }
  return lo;
}
