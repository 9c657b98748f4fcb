#include "controls/text_pane.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

TTextPane::TTextPane(QWidget* parent) : QAbstractScrollArea(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

int TTextPane::LineHeight() const { return fontMetrics().lineSpacing(); }

qsizetype TTextPane::LineEnd(qsizetype line) const {
  return line + 1 < lineCount() ? LineStart(line + 1) - 1 : text_.size();
}

qsizetype TTextPane::LineOf(qsizetype position) const {
  auto it = std::upper_bound(starts_.begin(), starts_.end(), position);
  return static_cast<qsizetype>(it - starts_.begin()) - 1;
}

QString TTextPane::line(qsizetype index) const {
  return text_.mid(LineStart(index), LineEnd(index) - LineStart(index));
}

// Rebuilds the line index from the line that holds `from` on.
void TTextPane::IndexLines(qsizetype from) {
  const qsizetype firstLine = LineOf(from);
  starts_.resize(static_cast<std::size_t>(firstLine + 1));
  const QChar* data = text_.constData();
  qsizetype lineStart = LineStart(firstLine);
  for (qsizetype i = lineStart; i < text_.size(); ++i) {
    if (data[i] == QLatin1Char('\n')) {
      longestLine_ = std::max(longestLine_, i - lineStart);
      lineStart = i + 1;
      starts_.push_back(lineStart);
    }
  }
  longestLine_ = std::max(longestLine_, text_.size() - lineStart);
}

void TTextPane::setPlainText(const QString& text) {
  text_ = text;
  text_.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  starts_.assign(1, 0);
  longestLine_ = 0;
  IndexLines(0);
  caret_ = anchor_ = 0;
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  UpdateScrollBars();
  viewport()->update();
  emit textChanged();
}

void TTextPane::appendPlainText(const QString& text) {
  const qsizetype from = text_.size();
  if (!text_.isEmpty() || lineCount() > 1) text_ += QLatin1Char('\n');
  if (text.contains(QLatin1Char('\r'))) {
    QString copy = text;
    copy.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text_ += copy;
  } else {
    text_ += text;
  }
  IndexLines(from);
  UpdateScrollBars();
  viewport()->update();
  emit textChanged();
}

void TTextPane::RemoveRange(qsizetype from, qsizetype to) {
  if (to <= from) return;
  text_.remove(from, to - from);
  // Line starts after the range move back; those inside it disappear.
  const qsizetype removed = to - from;
  std::vector<qsizetype> kept;
  kept.reserve(starts_.size());
  for (qsizetype start : starts_) {
    if (start <= from) kept.push_back(start);
    else if (start > to) kept.push_back(start - removed);
  }
  starts_.swap(kept);
}

void TTextPane::insertText(const QString& input) {
  if (readOnly_) return;
  QString text = input;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  const qsizetype from = std::min(caret_, anchor_);
  RemoveRange(from, std::max(caret_, anchor_));
  text_.insert(from, text);
  for (auto& start : starts_)
    if (start > from) start += text.size();
  if (text.contains(QLatin1Char('\n'))) {
    // New line starts inside the inserted text.
    std::vector<qsizetype> added;
    for (qsizetype i = 0; i < text.size(); ++i)
      if (text.at(i) == QLatin1Char('\n')) added.push_back(from + i + 1);
    const qsizetype line = LineOf(from);
    starts_.insert(starts_.begin() + line + 1, added.begin(), added.end());
  }
  longestLine_ = std::max(longestLine_, LineEnd(LineOf(from)) - LineStart(LineOf(from)));
  caret_ = anchor_ = from + text.size();
  UpdateScrollBars();
  EnsureCaretVisible();
  viewport()->update();
  emit textChanged();
}

void TTextPane::selectAll() {
  anchor_ = 0;
  caret_ = text_.size();
  viewport()->update();
}

QString TTextPane::selectedText() const {
  const qsizetype from = std::min(caret_, anchor_);
  return text_.mid(from, std::max(caret_, anchor_) - from);
}

void TTextPane::copy() const {
  if (caret_ != anchor_) QApplication::clipboard()->setText(selectedText());
}

void TTextPane::paste() { insertText(QApplication::clipboard()->text()); }

void TTextPane::setCaretPosition(qsizetype position, bool keepAnchor) {
  caret_ = std::clamp<qsizetype>(position, 0, text_.size());
  if (!keepAnchor) anchor_ = caret_;
  EnsureCaretVisible();
  viewport()->update();
}

void TTextPane::UpdateScrollBars() {
  const int visibleLines = std::max(1, viewport()->height() / LineHeight());
  const qsizetype maxTop = std::max<qsizetype>(0, lineCount() - visibleLines);
  verticalScrollBar()->setRange(0, static_cast<int>(std::min<qsizetype>(maxTop, INT_MAX)));
  verticalScrollBar()->setPageStep(visibleLines);
  verticalScrollBar()->setSingleStep(1);
  const qsizetype width = longestLine_ * fontMetrics().horizontalAdvance(QLatin1Char('0')) + 8;
  horizontalScrollBar()->setRange(0, static_cast<int>(std::min<qsizetype>(
                                         std::max<qsizetype>(0, width - viewport()->width()), INT_MAX)));
  horizontalScrollBar()->setPageStep(viewport()->width());
  horizontalScrollBar()->setSingleStep(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 4);
}

void TTextPane::EnsureCaretVisible() {
  const qsizetype line = LineOf(caret_);
  const int visibleLines = std::max(1, viewport()->height() / LineHeight());
  QScrollBar* v = verticalScrollBar();
  if (line < v->value()) v->setValue(static_cast<int>(line));
  else if (line >= v->value() + visibleLines) v->setValue(static_cast<int>(line - visibleLines + 1));
  const int x = fontMetrics().horizontalAdvance(text_.mid(LineStart(line), caret_ - LineStart(line)));
  QScrollBar* h = horizontalScrollBar();
  if (x > h->maximum() + viewport()->width()) h->setMaximum(x);
  if (x < h->value()) h->setValue(x);
  else if (x > h->value() + viewport()->width() - 4) h->setValue(x - viewport()->width() + 4);
}

qsizetype TTextPane::PositionAt(const QPoint& p) const {
  const qsizetype line = std::clamp<qsizetype>(verticalScrollBar()->value() + p.y() / LineHeight(), 0,
                                               lineCount() - 1);
  const QString text = this->line(line);
  const int x = p.x() + horizontalScrollBar()->value() - 2;
  // The column whose left edge is nearest to x.
  qsizetype lo = 0, hi = text.size();
  const QFontMetrics fm = fontMetrics();
  while (lo < hi) {
    const qsizetype mid = (lo + hi + 1) / 2;
    const int left = fm.horizontalAdvance(text.left(mid - 1));
    const int right = fm.horizontalAdvance(text.left(mid));
    if ((left + right) / 2 <= x) lo = mid;
    else hi = mid - 1;
  }
  return LineStart(line) + lo;
}

void TTextPane::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  const QFontMetrics fm = fontMetrics();
  const int height = LineHeight();
  const int dx = 2 - horizontalScrollBar()->value();
  const qsizetype first = verticalScrollBar()->value();
  const qsizetype selFrom = std::min(caret_, anchor_), selTo = std::max(caret_, anchor_);
  const QPalette& pal = palette();
  painter.setPen(pal.color(QPalette::Text));
  for (qsizetype line = first, y = 0; line < lineCount() && y < viewport()->height(); ++line, y += height) {
    const qsizetype start = LineStart(line), end = LineEnd(line);
    const QString text = text_.mid(start, end - start);
    if (selTo > start && selFrom <= end && selFrom != selTo) {
      const int x0 = fm.horizontalAdvance(text.left(std::max<qsizetype>(0, selFrom - start)));
      const int x1 = selTo > end ? fm.horizontalAdvance(text) + fm.horizontalAdvance(QLatin1Char(' '))
                                 : fm.horizontalAdvance(text.left(selTo - start));
      painter.fillRect(QRect(dx + x0, static_cast<int>(y), x1 - x0, height), pal.color(QPalette::Highlight));
    }
    painter.drawText(dx, static_cast<int>(y) + fm.ascent() + (height - fm.height()) / 2, text);
    if (hasFocus() && caret_ >= start && caret_ <= end) {
      const int x = dx + fm.horizontalAdvance(text.left(caret_ - start));
      painter.fillRect(QRect(x, static_cast<int>(y), 1, height), pal.color(QPalette::Text));
    }
  }
}

void TTextPane::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void TTextPane::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  setCaretPosition(PositionAt(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
}

void TTextPane::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) setCaretPosition(PositionAt(event->position().toPoint()), true);
}

void TTextPane::keyPressEvent(QKeyEvent* event) {
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  const qsizetype line = LineOf(caret_);
  const qsizetype column = caret_ - LineStart(line);
  auto toLine = [&](qsizetype target) {
    target = std::clamp<qsizetype>(target, 0, lineCount() - 1);
    setCaretPosition(LineStart(target) + std::min(column, LineEnd(target) - LineStart(target)), shift);
  };
  const int page = std::max(1, viewport()->height() / LineHeight());
  if (event->matches(QKeySequence::SelectAll)) return selectAll();
  if (event->matches(QKeySequence::Copy)) return copy();
  if (event->matches(QKeySequence::Paste)) return paste();
  if (event->matches(QKeySequence::Cut)) {
    copy();
    return readOnly_ ? void() : insertText(QString());
  }
  switch (event->key()) {
    case Qt::Key_Left: return setCaretPosition(caret_ - 1, shift);
    case Qt::Key_Right: return setCaretPosition(caret_ + 1, shift);
    case Qt::Key_Up: return toLine(line - 1);
    case Qt::Key_Down: return toLine(line + 1);
    case Qt::Key_PageUp: return toLine(line - page);
    case Qt::Key_PageDown: return toLine(line + page);
    case Qt::Key_Home:
      return setCaretPosition(event->modifiers() & Qt::ControlModifier ? 0 : LineStart(line), shift);
    case Qt::Key_End:
      return setCaretPosition(event->modifiers() & Qt::ControlModifier ? text_.size() : LineEnd(line), shift);
    case Qt::Key_Backspace:
      if (readOnly_) return;
      if (caret_ == anchor_) anchor_ = std::max<qsizetype>(0, caret_ - 1);
      return insertText(QString());
    case Qt::Key_Delete:
      if (readOnly_) return;
      if (caret_ == anchor_) anchor_ = std::min(text_.size(), caret_ + 1);
      return insertText(QString());
    case Qt::Key_Return:
    case Qt::Key_Enter: return insertText(QStringLiteral("\n"));
    default: break;
  }
  const QString typed = event->text();
  if (!typed.isEmpty() && typed.at(0).isPrint() && !(event->modifiers() & Qt::ControlModifier)) {
    insertText(typed);
    return;
  }
  QAbstractScrollArea::keyPressEvent(event);
}

void TTextPane::inputMethodEvent(QInputMethodEvent* event) {
  if (!event->commitString().isEmpty()) insertText(event->commitString());
  event->accept();
}

void TTextPane::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  viewport()->update();
}

void TTextPane::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update();
}

void TTextPane::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    UpdateScrollBars();
    viewport()->update();
  }
}
