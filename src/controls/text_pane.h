#pragma once
// A plain-text pane for very large texts: the output pane receives a line per
// result row, millions of them. The text is kept packed (PackedText) and only
// the visible lines are unpacked and laid out, so appending a million lines
// costs little more than copying them. No word wrap; both
// scroll bars; selection, copy, paste, editing with undo and redo, a find
// bar (Ctrl+F), input methods and a text interface for screen readers.
#include "text/packed_text.h"

#include <QAbstractScrollArea>
#include <vector>

class QCheckBox;
class QLineEdit;

class TTextPane : public QAbstractScrollArea {
  Q_OBJECT
public:
  explicit TTextPane(QWidget* parent = nullptr);

  // The whole text, unpacked: for a copy or a save, not to look at a part.
  QString toPlainText() const { return text_.ToString(); }
  qsizetype textSize() const { return text_.Size(); }
  QString textRange(qsizetype from, qsizetype to) const { return text_.Mid(from, to - from); }
  // The text from `from` on, about `chars` long and ending with a whole
  // line (its break included); `from` moves past it.
  QString textPiece(qsizetype& from, qsizetype chars) const;
  void setPlainText(const QString& text);
  void clear() { setPlainText(QString()); }
  // Appends the text as a new paragraph (a line break goes in front unless
  // the pane is empty). The program's own appends are not undoable; a
  // user's (a paste at the end) is, with `undoable`.
  void appendPlainText(const QString& text, bool undoable = false);
  qsizetype lineCount() const { return text_.LineCount(); }
  QString line(qsizetype index) const;

  bool isReadOnly() const { return readOnly_; }
  void setReadOnly(bool readOnly) { readOnly_ = readOnly; }
  void selectAll();
  QString selectedText() const;
  void copy() const;
  void paste();
  void insertText(const QString& text);  // replaces the selection; undoable
  void undo();
  void redo();
  bool isUndoAvailable() const { return done_ > 0; }
  bool isRedoAvailable() const { return done_ < edits_.size(); }
  // Selects the next (or previous) occurrence from the caret on, wrapping
  // around; false when there is none.
  bool find(const QString& text, bool backward = false, Qt::CaseSensitivity cs = Qt::CaseInsensitive);
  void showFindBar();
  QLineEdit* findEdit() const { return findEdit_; }
  // The selection's bounds.
  qsizetype selectionStart() const { return std::min(caret_, anchor_); }
  qsizetype selectionEnd() const { return std::max(caret_, anchor_); }
  void setSelection(qsizetype anchor, qsizetype caret);
  // Where a character shows, in viewport coordinates, and the character at a point.
  QRect characterRect(qsizetype position) const;
  qsizetype positionAt(const QPoint& viewportPoint) const { return PositionAt(viewportPoint); }
  // What an input method asks: the caret's place, the line around it.
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  // The caret's absolute position in the text.
  qsizetype caretPosition() const { return caret_; }
  void setCaretPosition(qsizetype position, bool keepAnchor = false);

signals:
  void textChanged();

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  // Lines up to this length are laid out whole, as a text layout would;
  // longer ones (a 50 MB value, say) only in the part that shows.
  static constexpr qsizetype kLongLine = 4096;
  qsizetype LineStart(qsizetype line) const { return text_.LineStart(line); }
  qsizetype LineEnd(qsizetype line) const { return text_.LineEnd(line); }
  qsizetype LineOf(qsizetype position) const { return text_.LineOf(position); }
  qsizetype PositionAt(const QPoint& viewportPoint) const;
  // Pixel offset of a column in a line, and the column nearest to an offset.
  // Long lines are measured character by character from cached advances and
  // checkpoints, so that only what is visible is ever laid out.
  int XOf(qsizetype line, qsizetype column) const;
  qsizetype ColumnAt(qsizetype line, int x) const;
  int Advance(const QChar* at, qsizetype remaining) const;
  // The advances of `count` characters from `position`, `remaining` of the line's characters being left there.
  int AdvanceOf(qsizetype position, qsizetype count, qsizetype remaining) const;
  void ForgetLongLineLayout();
  // Notes the widest of the lines [first, first + lines.count) whose text
  // is `lines` (in cells: see WidestLine).
  void MeasureLines(QStringView lines, qsizetype first);
  void UpdateScrollBars();
  void EnsureCaretVisible();
  int LineHeight() const;
  // Replaces [from, to) by `text` and records it for undo.
  void Edit(qsizetype from, qsizetype to, const QString& text);
  // The same without recording; the caret ends after the new text.
  void Replace(qsizetype from, qsizetype to, const QString& text);
  void HideFindBar();
  void FindFromBar(bool backward);
  void PlaceFindBar();

  struct EditStep {
    qsizetype at;
    QString removed;
    QString inserted;
  };
  std::vector<EditStep> edits_;
  std::size_t done_ = 0;  // edits_[0, done_) are applied
  QWidget* findBar_ = nullptr;
  QLineEdit* findEdit_ = nullptr;
  QCheckBox* findCase_ = nullptr;

  // Advances of the characters met so far (0: not measured yet), and the
  // pixel offsets of every kCheckpoint-th column of one long line.
  mutable std::vector<quint16> advances_;
  mutable qsizetype checkpointLine_ = -1;
  mutable std::vector<int> checkpoints_;

  PackedText text_;
  qsizetype longestLine_ = 0;  // in cells (roughly: wide characters two), for the horizontal range
  qsizetype longestLineIndex_ = 0;
  qsizetype caret_ = 0;
  qsizetype anchor_ = 0;
  bool readOnly_ = false;
};
