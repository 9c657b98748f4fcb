// The output pane's search: find() and the find bar under the text (Ctrl+F).
#include "controls/text_pane.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

bool TTextPane::find(const QString& text, bool backward, Qt::CaseSensitivity cs) {
  if (text.isEmpty() || text_.IsEmpty()) return false;
  qsizetype at;
  if (backward) {
    const qsizetype from = selectionStart() - 1;
    at = from < 0 ? -1 : text_.LastIndexOf(text, from, cs);
    if (at < 0) at = text_.LastIndexOf(text, -1, cs);  // wraps to the end
  } else {
    at = text_.IndexOf(text, selectionEnd(), cs);
    if (at < 0) at = text_.IndexOf(text, 0, cs);  // wraps to the start
  }
  if (at < 0) return false;
  setSelection(at, at + text.size());
  return true;
}

void TTextPane::showFindBar() {
  if (!findBar_) {
    findBar_ = new QWidget(this);
    findBar_->setObjectName(QStringLiteral("FindBar"));
    findBar_->setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(findBar_);
    layout->setContentsMargins(4, 2, 4, 2);
    auto* label = new QLabel(QStringLiteral("尋找:"), findBar_);
    findEdit_ = new QLineEdit(findBar_);
    findEdit_->setObjectName(QStringLiteral("FindText"));
    findEdit_->setAccessibleName(QStringLiteral("尋找的文字"));
    auto* next = new QToolButton(findBar_);
    next->setText(QStringLiteral("下一個"));
    next->setObjectName(QStringLiteral("FindNext"));
    auto* previous = new QToolButton(findBar_);
    previous->setText(QStringLiteral("上一個"));
    previous->setObjectName(QStringLiteral("FindPrevious"));
    findCase_ = new QCheckBox(QStringLiteral("大小寫須相符"), findBar_);
    findCase_->setObjectName(QStringLiteral("FindMatchCase"));
    auto* close = new QToolButton(findBar_);
    close->setText(QStringLiteral("✕"));
    close->setObjectName(QStringLiteral("FindClose"));
    close->setToolTip(QStringLiteral("關閉 (Esc)"));
    close->setAccessibleName(QStringLiteral("關閉尋找"));
    findEdit_->setMinimumWidth(findEdit_->fontMetrics().horizontalAdvance(QStringLiteral("尋找的文字尋找")));
    layout->addWidget(label);
    layout->addWidget(findEdit_, 1);
    for (QWidget* w : {static_cast<QWidget*>(next), static_cast<QWidget*>(previous), static_cast<QWidget*>(findCase_),
                       static_cast<QWidget*>(close)}) {
      w->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
      layout->addWidget(w);
    }
    connect(next, &QToolButton::clicked, this, [this] { FindFromBar(false); });
    connect(previous, &QToolButton::clicked, this, [this] { FindFromBar(true); });
    connect(close, &QToolButton::clicked, this, &TTextPane::HideFindBar);
    findEdit_->installEventFilter(this);
  }
  if (caret_ != anchor_ && !selectedText().contains(QLatin1Char('\n'))) findEdit_->setText(selectedText());
  findBar_->show();
  PlaceFindBar();
  findBar_->raise();
  EnsureCaretVisible();
  findEdit_->setFocus();
  findEdit_->selectAll();
}

void TTextPane::HideFindBar() {
  if (!findBar_) return;
  findBar_->hide();
  setViewportMargins(0, 0, 0, 0);
  setFocus();
}

void TTextPane::PlaceFindBar() {
  if (!findBar_ || findBar_->isHidden()) return;
  // Below the text, not over it: the line found stays in view.
  const int height = findBar_->sizeHint().height();
  setViewportMargins(0, 0, 0, height);
  const QRect area = viewport()->geometry();
  findBar_->setGeometry(area.left(), area.bottom() + 1, area.width(), height);
}

void TTextPane::FindFromBar(bool backward) {
  const bool found =
      find(findEdit_->text(), backward, findCase_->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive);
  // A text that is nowhere shows in red.
  findEdit_->setStyleSheet(found || findEdit_->text().isEmpty() ? QString() : QStringLiteral("color: red"));
}

bool TTextPane::eventFilter(QObject* watched, QEvent* event) {
  if (watched == findEdit_ && event->type() == QEvent::KeyPress) {
    // The find bar's keys stay there: Enter must not reach the text.
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape) {
      HideFindBar();
      return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      FindFromBar(key->modifiers() & Qt::ShiftModifier);
      return true;
    }
  }
  return QAbstractScrollArea::eventFilter(watched, event);
}
