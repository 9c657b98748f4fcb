#include "controls/statement/statement_assist.h"

#include "controls/statement/sql_highlighter.h"

#include <QAbstractItemView>
#include <algorithm>
#include <QCompleter>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStringListModel>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// Letters typed before the list offers itself without being asked.
constexpr int kAutoCompleteLetters = 3;
// How far around the cursor the statement is read for its FROM part, and
// how many of its tables lend their fields: enough for any statement a
// person writes, and a key stays quick in a pane of megabytes.
constexpr int kStatementReach = 16384;
constexpr int kMostTables = 16;

bool IsNameChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$'); }

QString Unquoted(QString name) {
  name = name.trimmed();
  if (name.size() >= 2) {
    const QChar first = name.front(), last = name.back();
    if ((first == QLatin1Char('"') && last == QLatin1Char('"')) || (first == QLatin1Char('`') && last == QLatin1Char('`')) ||
        (first == QLatin1Char('[') && last == QLatin1Char(']')))
      name = name.mid(1, name.size() - 2);
  }
  return name;
}

}  // namespace

QStringList TablesOfStatement(const QString& statement) {
  // A name, plain or quoted, after "from" or "join", and more after commas.
  static const QRegularExpression part(
      QStringLiteral("\\b(?:from|join)\\s+((?:\"[^\"]*\"|`[^`]*`|\\[[^\\]]*\\]|[\\w$.]+)"
                     "(?:\\s+(?:as\\s+)?\\w+)?(?:\\s*,\\s*(?:\"[^\"]*\"|`[^`]*`|\\[[^\\]]*\\]|[\\w$.]+)"
                     "(?:\\s+(?:as\\s+)?\\w+)?)*)"),
      QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression name(QStringLiteral("^\\s*(\"[^\"]*\"|`[^`]*`|\\[[^\\]]*\\]|[\\w$.]+)"));
  QStringList tables;
  for (auto m = part.globalMatch(statement); m.hasNext();) {
    for (const QString& item : m.next().captured(1).split(QLatin1Char(','))) {
      const auto n = name.match(item);
      if (!n.hasMatch()) continue;
      const QString table = Unquoted(n.captured(1));
      if (!table.isEmpty() && !tables.contains(table, Qt::CaseInsensitive)) tables << table;
    }
  }
  return tables;
}

StatementAssist::StatementAssist(QPlainTextEdit* editor, StatementCatalog catalog)
    : QObject(editor),
      editor_(editor),
      catalog_(std::move(catalog)),
      highlighter_(new SqlHighlighter(editor->document())),
      completer_(new QCompleter(this)),
      model_(new QStringListModel(this)) {
  completer_->setModel(model_);
  // No widget for the completer: with one, it takes over the pane's keys
  // and focus (and under X the pane then gets no typing at all); the list is
  // shown and placed here.
  completer_->setCompletionMode(QCompleter::PopupCompletion);
  completer_->setCaseSensitivity(Qt::CaseInsensitive);
  completer_->setModelSorting(QCompleter::CaseInsensitivelySortedModel);
  completer_->setMaxVisibleItems(12);
  editor_->installEventFilter(this);
  // An edit of the user's own (an undo too) ends a walk through the history.
  connect(editor_->document(), &QTextDocument::contentsChanged, this, [this] {
    if (!recalling_) recalled_ = -1;
  });
  // The list shows beside the text without taking the keyboard or the
  // window's activation: typing, and the window's keys, stay with the pane.
  QAbstractItemView* list = completer_->popup();
  list->setWindowFlags(Qt::ToolTip);
  list->setFocusPolicy(Qt::NoFocus);
  list->installEventFilter(this);
  connect(list, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
    Insert(index.data().toString());
  });
}

void StatementAssist::Remember(const QString& statement) {
  QString text = statement;
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  if (history_.isEmpty() || history_.last() != text) history_ << text;
  recalled_ = -1;
}

StatementAssist::Word StatementAssist::WordAtCursor() const {
  const QTextCursor cursor = editor_->textCursor();
  const QString line = cursor.block().text();
  const int column = cursor.positionInBlock();
  int start = column;
  while (start > 0 && IsNameChar(line[start - 1])) --start;
  Word word;
  word.prefix = line.mid(start, column - start);
  word.start = cursor.block().position() + start;
  if (start > 0 && line[start - 1] == QLatin1Char('.')) {
    int tableStart = start - 1;
    const bool quoted = tableStart > 0 && (line[tableStart - 1] == QLatin1Char('"') || line[tableStart - 1] == QLatin1Char('`'));
    if (quoted) {
      const QChar mark = line[tableStart - 1];
      const int open = line.lastIndexOf(mark, tableStart - 2);
      if (open >= 0) word.table = line.mid(open + 1, tableStart - 2 - open);
    } else {
      while (tableStart > 0 && IsNameChar(line[tableStart - 1])) --tableStart;
      word.table = line.mid(tableStart, start - 1 - tableStart);
    }
  }
  return word;
}

QStringList StatementAssist::Candidates(const Word& word) const {
  QStringList names;
  if (!word.table.isEmpty()) {
    // After "table.": that table's fields (an alias of the FROM part names
    // no table, so nothing is offered for it).
    if (catalog_.fields) names = catalog_.fields(word.table);
  } else {
    if (catalog_.tables) names = catalog_.tables();
    if (catalog_.fields)
      for (const QString& table : TablesOfStatement(StatementAtCursor()).mid(0, kMostTables))
        names += catalog_.fields(table);
  }
  names.sort(Qt::CaseInsensitive);
  names.removeDuplicates();
  return names;
}

QString StatementAssist::StatementAtCursor() const {
  // The statement the cursor is in: between semicolons, within reach.
  QTextDocument* document = editor_->document();
  const int at = editor_->textCursor().position();
  const int from = std::max(0, at - kStatementReach);
  const int to = std::min(document->characterCount() - 1, at + kStatementReach);
  QTextCursor part(document);
  part.setPosition(from);
  part.setPosition(to, QTextCursor::KeepAnchor);
  const QString text = part.selectedText();
  const qsizetype cursor = at - from;
  const qsizetype start = text.lastIndexOf(QLatin1Char(';'), cursor - 1) + 1;
  const qsizetype end = text.indexOf(QLatin1Char(';'), cursor);
  return text.mid(start, end < 0 ? -1 : end - start);
}

bool StatementAssist::Complete(bool insertSingle) {
  completing_ = WordAtCursor();
  model_->setStringList(Candidates(completing_));
  completer_->setCompletionPrefix(completing_.prefix);
  if (completer_->completionCount() == 0) {
    completer_->popup()->hide();
    return false;
  }
  if (insertSingle && completer_->completionCount() == 1) {
    completer_->setCurrentRow(0);
    Insert(completer_->currentCompletion());
    return true;
  }
  QRect place = editor_->cursorRect();
  place.setWidth(completer_->popup()->sizeHintForColumn(0) + completer_->popup()->verticalScrollBar()->sizeHint().width());
  QAbstractItemView* list = completer_->popup();
  if (list->model() != completer_->completionModel()) list->setModel(completer_->completionModel());
  const QPoint below = editor_->viewport()->mapToGlobal(place.bottomLeft());
  const int rows = std::min(completer_->completionCount(), completer_->maxVisibleItems());
  list->setGeometry(below.x(), below.y(), std::max(place.width(), 120),
                    rows * list->sizeHintForRow(0) + 2 * list->frameWidth());
  list->show();
  list->setCurrentIndex(completer_->completionModel()->index(0, 0));
  return true;
}

void StatementAssist::Insert(const QString& completion) {
  QTextCursor cursor = editor_->textCursor();
  cursor.beginEditBlock();
  cursor.setPosition(completing_.start);
  cursor.setPosition(editor_->textCursor().position(), QTextCursor::KeepAnchor);
  // A field after a quoted table keeps the quoting the table had.
  cursor.insertText(catalog_.spelled ? catalog_.spelled(completion) : completion);
  cursor.endEditBlock();
  editor_->setTextCursor(cursor);
  completer_->popup()->hide();
}

void StatementAssist::Recall(int step) {
  if (history_.isEmpty()) return;
  if (recalled_ < 0) {
    if (step > 0) return;  // nothing newer than the text at hand
    draft_ = editor_->toPlainText();
    recalled_ = static_cast<int>(history_.size());
  }
  const int next = recalled_ + step;
  if (next < 0) return;
  QString text;
  if (next >= history_.size()) {
    recalled_ = -1;
    text = draft_;
  } else {
    recalled_ = next;
    text = history_[next];
  }
  // One undo step, like every edit the program makes in the pane.
  recalling_ = true;
  QTextCursor cursor(editor_->document());
  cursor.beginEditBlock();
  cursor.select(QTextCursor::Document);
  cursor.insertText(text);
  cursor.endEditBlock();
  recalling_ = false;
  editor_->setTextCursor(cursor);
}

// The list's own keys while it shows: moving in it, taking a choice,
// closing it. True when the key was one of them.
bool StatementAssist::ListKey(QKeyEvent* key) {
  QAbstractItemView* list = completer_->popup();
  if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
  const int rows = list->model() ? list->model()->rowCount() : 0;
  const int at = list->currentIndex().isValid() ? list->currentIndex().row() : -1;
  auto moveTo = [&](int row) {
    if (rows > 0) list->setCurrentIndex(list->model()->index(std::clamp(row, 0, rows - 1), 0));
  };
  switch (key->key()) {
    case Qt::Key_Enter:
    case Qt::Key_Return:
    case Qt::Key_Tab:
      // The choice is taken; the key itself types nothing.
      if (list->currentIndex().isValid()) Insert(list->currentIndex().data().toString());
      list->hide();
      return true;
    case Qt::Key_Escape:
    case Qt::Key_Backtab: list->hide(); return true;
    case Qt::Key_Up: moveTo(at - 1); return true;
    case Qt::Key_Down: moveTo(at + 1); return true;
    case Qt::Key_PageUp: moveTo(at - completer_->maxVisibleItems()); return true;
    case Qt::Key_PageDown: moveTo(at + completer_->maxVisibleItems()); return true;
    default: return false;
  }
}

bool StatementAssist::eventFilter(QObject* watched, QEvent* event) {
  if (watched == editor_ && event->type() == QEvent::FocusOut) completer_->popup()->hide();
  if (watched == editor_ && event->type() == QEvent::ShortcutOverride) {
    // A key that may be one of the window's (F5, Ctrl+Enter) closes the list first.
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->text().isEmpty() || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
      const bool listKey = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
                           (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down || key->key() == Qt::Key_PageUp ||
                            key->key() == Qt::Key_PageDown || key->key() == Qt::Key_Escape ||
                            key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Tab);
      if (!listKey) completer_->popup()->hide();
    }
    return QObject::eventFilter(watched, event);
  }
  if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  // The list never takes the keyboard (the pane keeps it, and with it the
  // window's keys such as F5); a key that reaches the list goes to the pane.
  if (watched == completer_->popup()) {
    QCoreApplication::sendEvent(editor_, event);
    return true;
  }
  if (watched != editor_) return QObject::eventFilter(watched, event);
  const bool popup = completer_->popup()->isVisible();
  if (popup && ListKey(key)) return true;
  if (key->key() == Qt::Key_Space && (key->modifiers() & Qt::ControlModifier)) {
    Complete(true);
    return true;
  }
  if ((key->modifiers() & Qt::AltModifier) && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
    completer_->popup()->hide();
    Recall(key->key() == Qt::Key_Up ? -1 : 1);
    return true;
  }
  // The key goes to the pane as it came; the list follows the word it
  // leaves, once the pane has taken it.
  const bool typed = !key->text().isEmpty() && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
  if (!typed) {
    completer_->popup()->hide();
    return false;
  }
  QMetaObject::invokeMethod(this, [this, popup] { FollowTyping(popup); }, Qt::QueuedConnection);
  return false;
}

void StatementAssist::FollowTyping(bool listWasShown) {
  const Word word = WordAtCursor();
  if (word.prefix.size() >= kAutoCompleteLetters || (listWasShown && !word.prefix.isEmpty()) || !word.table.isEmpty()) {
    if (!Complete(false)) completer_->popup()->hide();
  } else {
    completer_->popup()->hide();
  }
}
