#pragma once
// What the statement pane offers someone who writes SQL all day, beside the
// plain text: completion of table and field names from the connected
// database (Ctrl+Space, or after three letters of a word), and the
// statements run in this session (Alt+Up, Alt+Down). The catalog comes
// from the window through injected functions; nothing is written to disk.
#include <QObject>
#include <QStringList>
#include <functional>

class QCompleter;
class QPlainTextEdit;
class QStringListModel;
class SqlHighlighter;

struct StatementCatalog {
  // The connected database's tables.
  std::function<QStringList()> tables;
  // A table's fields (read once per connection and table by the provider).
  std::function<QStringList(const QString& table)> fields;
  // A name as the statement must spell it (quoted when it is no plain name).
  std::function<QString(const QString& name)> spelled;
};

class StatementAssist : public QObject {
  Q_OBJECT
public:
  StatementAssist(QPlainTextEdit* editor, StatementCatalog catalog);
  // A statement that ran: kept for Alt+Up (a repeat of the last one once).
  void Remember(const QString& statement);
  const QStringList& History() const { return history_; }
  // Offers the names that complete the word before the cursor; with one
  // candidate and `insertSingle`, takes it at once. False when none fits.
  bool Complete(bool insertSingle);
  QCompleter* Completer() const { return completer_; }
  SqlHighlighter* Highlighter() const { return highlighter_; }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  // The word before the cursor, and the table it is a field of when it
  // follows "table." (empty otherwise).
  struct Word {
    QString prefix;
    QString table;
    int start = 0;
  };
  Word WordAtCursor() const;
  bool ListKey(class QKeyEvent* key);
  // After a key typed: the list for the word the cursor is in now.
  void FollowTyping(bool listWasShown);
  QStringList Candidates(const Word& word) const;
  QString StatementAtCursor() const;
  void Insert(const QString& completion);
  void Recall(int step);

  QPlainTextEdit* editor_;
  StatementCatalog catalog_;
  SqlHighlighter* highlighter_;
  QCompleter* completer_;
  QStringListModel* model_;
  Word completing_;
  QStringList history_;
  int recalled_ = -1;    // the history entry shown, -1 when none
  QString draft_;        // the text before recalling began
  bool recalling_ = false;
};

// The tables the FROM part of a statement names (after "from", "join" and
// between commas), as written, quotes removed.
QStringList TablesOfStatement(const QString& statement);
