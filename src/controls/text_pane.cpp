#include "controls/text_pane.h"

#include "controls/text_pane_accessible.h"
#include "text/line_scan.h"
#include "ui/clipboard.h"

#include <QAccessible>
#include <QApplication>
#include <QGuiApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

TTextPane::TTextPane(QWidget* parent) : QAbstractScrollArea(parent) {
  static const bool accessible = [] {
    QAccessible::installFactory(&TextPaneAccessibleFactory);
    return true;
  }();
  (void)accessible;
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

int TTextPane::LineHeight() const { return fontMetrics().lineSpacing(); }

QString TTextPane::line(qsizetype index) const {
  return text_.Mid(LineStart(index), LineEnd(index) - LineStart(index));
}

QString TTextPane::textPiece(qsizetype& from, qsizetype chars) const {
  from = std::clamp<qsizetype>(from, 0, text_.Size());
  qsizetype end = std::min(text_.Size(), from + chars);
  if (end < text_.Size()) end = std::min(text_.Size(), LineEnd(LineOf(end)) + 1);
  const QString piece = text_.Mid(from, end - from);
  from = end;
  return piece;
}

void TTextPane::MeasureLines(QStringView lines, qsizetype first) {
  WidestLine widest{longestLine_, longestLineIndex_};
  FindWidestLine(lines, first, widest);
  longestLine_ = widest.cells;
  longestLineIndex_ = widest.line;
}


void TTextPane::setPlainText(const QString& text) {
  ForgetLongLineLayout();
  longestLineIndex_ = 0;
  edits_.clear();  // a new text has no history
  done_ = 0;
  QString normal = text;
  normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text_.Clear();
  text_.Append(normal);
  longestLine_ = 0;
  MeasureLines(normal, 0);
  caret_ = anchor_ = 0;
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  UpdateScrollBars();
  viewport()->update();
  emit textChanged();
}

void TTextPane::appendPlainText(const QString& text, bool undoable) {
  if (undoable) {
    QString added = !text_.IsEmpty() ? QStringLiteral("\n") + text : text;
    added.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    Edit(text_.Size(), text_.Size(), added);
    return;
  }
  if (checkpointLine_ == lineCount() - 1) ForgetLongLineLayout();  // the last line may grow
  if (!text_.IsEmpty()) text_.Append(u"\n");
  const qsizetype first = lineCount() - 1;
  if (text.contains(QLatin1Char('\r'))) {
    QString copy = text;
    copy.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text_.Append(copy);
    MeasureLines(copy, first);
  } else {
    text_.Append(text);
    MeasureLines(text, first);
  }
  UpdateScrollBars();
  viewport()->update();
  emit textChanged();
}

void TTextPane::insertText(const QString& input) {
  if (readOnly_) return;
  QString text = input;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  Edit(selectionStart(), selectionEnd(), text);
}

void TTextPane::Edit(qsizetype from, qsizetype to, const QString& text) {
  // A new edit ends what could be redone.
  edits_.resize(done_);
  edits_.push_back({from, text_.Mid(from, to - from), text});
  ++done_;
  Replace(from, to, text);
}

void TTextPane::undo() {
  if (done_ == 0) return;
  const EditStep& step = edits_[--done_];
  Replace(step.at, step.at + step.inserted.size(), step.removed);
}

void TTextPane::redo() {
  if (done_ >= edits_.size()) return;
  const EditStep& step = edits_[done_++];
  Replace(step.at, step.at + step.removed.size(), step.inserted);
}

void TTextPane::Replace(qsizetype from, qsizetype to, const QString& text) {
  ForgetLongLineLayout();
  text_.Replace(from, to, text);
  const qsizetype first = LineOf(from), last = LineOf(from + text.size());
  MeasureLines(text_.Mid(LineStart(first), LineEnd(last) - LineStart(first)), first);
  caret_ = anchor_ = from + text.size();
  UpdateScrollBars();
  EnsureCaretVisible();
  viewport()->update();
  emit textChanged();
}

void TTextPane::selectAll() {
  anchor_ = 0;
  caret_ = text_.Size();
  viewport()->update();
}

QString TTextPane::selectedText() const {
  const qsizetype from = std::min(caret_, anchor_);
  return text_.Mid(from, std::max(caret_, anchor_) - from);
}

void TTextPane::copy() const {
  if (caret_ != anchor_) QApplication::clipboard()->setText(selectedText());
}

void TTextPane::paste() { insertText(ClipboardText()); }

void TTextPane::setCaretPosition(qsizetype position, bool keepAnchor) {
  caret_ = std::clamp<qsizetype>(position, 0, text_.Size());
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
  // The widest line by its cells (wide characters two), measured in pixels.
  const qsizetype line = std::min(longestLineIndex_, lineCount() - 1);
  const qsizetype width = XOf(line, LineEnd(line) - LineStart(line)) + 8;
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
  const int x = XOf(line, caret_ - LineStart(line));
  QScrollBar* h = horizontalScrollBar();
  if (x > h->maximum() + viewport()->width()) h->setMaximum(x);
  if (x < h->value()) h->setValue(x);
  else if (x > h->value() + viewport()->width() - 4) h->setValue(x - viewport()->width() + 4);
}

qsizetype TTextPane::PositionAt(const QPoint& p) const {
  const qsizetype line = std::clamp<qsizetype>(verticalScrollBar()->value() + p.y() / LineHeight(), 0,
                                               lineCount() - 1);
  return LineStart(line) + ColumnAt(line, p.x() + horizontalScrollBar()->value() - 2);
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
  const int left = horizontalScrollBar()->value() - 2;
  for (qsizetype line = first, y = 0; line < lineCount() && y < viewport()->height(); ++line, y += height) {
    const qsizetype start = LineStart(line), end = LineEnd(line);
    // The columns that show; a short line shows whole.
    qsizetype from = 0, to = end - start;
    if (to > kLongLine) {
      from = std::max<qsizetype>(0, ColumnAt(line, left) - 2);
      if (from > 0 && from < to && text_.Mid(start + from, 1).at(0).isLowSurrogate()) --from;
      to = std::min(to, ColumnAt(line, left + viewport()->width()) + 2);
    }
    if (selTo > start && selFrom <= end && selFrom != selTo) {
      const int x0 = XOf(line, std::max<qsizetype>(0, selFrom - start));
      const int x1 = selTo > end ? XOf(line, end - start) + fm.horizontalAdvance(QLatin1Char(' '))
                                 : XOf(line, selTo - start);
      painter.fillRect(QRect(dx + x0, static_cast<int>(y), x1 - x0, height), pal.color(QPalette::Highlight));
    }
    painter.drawText(dx + XOf(line, from), static_cast<int>(y) + fm.ascent() + (height - fm.height()) / 2,
                     text_.Mid(start + from, to - from));
    if (hasFocus() && caret_ >= start && caret_ <= end) {
      const int x = dx + XOf(line, caret_ - start);
      painter.fillRect(QRect(x, static_cast<int>(y), 1, height), pal.color(QPalette::Text));
    }
  }
}

void TTextPane::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
  PlaceFindBar();
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
  if (event->matches(QKeySequence::Undo)) return readOnly_ ? void() : undo();
  if (event->matches(QKeySequence::Redo) ||
      (event->key() == Qt::Key_Y && event->modifiers() == Qt::ControlModifier) ||
      (event->key() == Qt::Key_Z && event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier)))
    return readOnly_ ? void() : redo();
  if (event->matches(QKeySequence::Find)) return showFindBar();
  if (event->key() == Qt::Key_Escape && findBar_ && findBar_->isVisible()) return HideFindBar();
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
      return setCaretPosition(event->modifiers() & Qt::ControlModifier ? text_.Size() : LineEnd(line), shift);
    case Qt::Key_Backspace:
      if (readOnly_) return;
      if (caret_ == anchor_) anchor_ = std::max<qsizetype>(0, caret_ - 1);
      return insertText(QString());
    case Qt::Key_Delete:
      if (readOnly_) return;
      if (caret_ == anchor_) anchor_ = std::min(text_.Size(), caret_ + 1);
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
    advances_.clear();
    ForgetLongLineLayout();
    UpdateScrollBars();
    viewport()->update();
  }
}

void TTextPane::setSelection(qsizetype anchor, qsizetype caret) {
  anchor_ = std::clamp<qsizetype>(anchor, 0, text_.Size());
  setCaretPosition(caret, true);
}

QRect TTextPane::characterRect(qsizetype position) const {
  position = std::clamp<qsizetype>(position, 0, text_.Size());
  const qsizetype line = LineOf(position);
  const int x = 2 - horizontalScrollBar()->value() + XOf(line, position - LineStart(line));
  const int y = static_cast<int>((line - verticalScrollBar()->value()) * LineHeight());
  const int width = position < LineEnd(line) ? XOf(line, position - LineStart(line) + 1) - XOf(line, position - LineStart(line))
                                             : fontMetrics().horizontalAdvance(QLatin1Char(' '));
  return QRect(x, y, std::max(1, width), LineHeight());
}

QVariant TTextPane::inputMethodQuery(Qt::InputMethodQuery query) const {
  // What an input method needs to place its candidate window at the caret.
  const qsizetype line = LineOf(caret_);
  switch (query) {
    case Qt::ImEnabled: return !readOnly_;
    case Qt::ImCursorRectangle: {
      QRect caret = characterRect(caret_);
      caret.setWidth(1);
      return caret.translated(viewport()->pos());
    }
    case Qt::ImFont: return font();
    case Qt::ImCursorPosition: return static_cast<int>(caret_ - LineStart(line));
    case Qt::ImAnchorPosition: return static_cast<int>(std::clamp(anchor_ - LineStart(line), qsizetype(0), LineEnd(line) - LineStart(line)));
    case Qt::ImSurroundingText: return this->line(line);
    case Qt::ImCurrentSelection: return selectedText();
    case Qt::ImMaximumTextLength: return QVariant();
    default: return QAbstractScrollArea::inputMethodQuery(query);
  }
}
