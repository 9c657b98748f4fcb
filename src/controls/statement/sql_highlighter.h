#pragma once
// Colours of the statement pane: SQL keywords, quoted texts, quoted names,
// numbers and comments. A comment or a quoted text may span lines; a line
// longer than the pane can lay out quickly is left plain.
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

class SqlHighlighter : public QSyntaxHighlighter {
public:
  enum class Kind { Keyword, Text, Name, Number, Comment };
  explicit SqlHighlighter(QTextDocument* document);
  const QTextCharFormat& Format(Kind kind) const;

protected:
  void highlightBlock(const QString& text) override;

private:
  QTextCharFormat keyword_, text_, name_, number_, comment_;
};
