#include "database/mariadb/mariadb_statement_text.h"

#include "database/statement_text.h"

#include <QStringList>

namespace {

bool IsWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$'); }

// "-- " starts a comment only with a blank or a control character after it.
bool DashDashComment(QStringView s, qsizetype i) {
  if (s.mid(i, 2) != QLatin1String("--")) return false;
  return i + 2 >= s.size() || s[i + 2].isSpace() || s[i + 2].unicode() < 0x20;
}

struct Scan {
  bool oneStatement = true;
  QStringList words;  // the code's keywords and names, upper case; a quoted name as ""
};

// Reads the text as the server does; `backslashEscapes`: whether a
// backslash escapes the next character in quoted text (the server's default;
// off with the NO_BACKSLASH_ESCAPES mode).
Scan Read(QStringView s, bool backslashEscapes) {
  Scan scan;
  bool ended = false;         // a semicolon closed the first statement
  bool inCodeComment = false;  // inside "/*! ... */": its "*/" is no code
  const qsizetype n = s.size();
  auto code = [&] {
    if (ended) scan.oneStatement = false;
  };
  for (qsizetype i = 0; i < n;) {
    const QChar c = s[i];
    if (c == QLatin1Char('#') || DashDashComment(s, i)) {
      while (i < n && s[i] != QLatin1Char('\n')) ++i;
      continue;
    }
    if (inCodeComment && s.mid(i, 2) == QLatin1String("*/")) {
      inCodeComment = false;
      i += 2;
      continue;
    }
    if (s.mid(i, 2) == QLatin1String("/*")) {
      const bool mariaOnly = s.mid(i + 2, 2) == QLatin1String("M!");
      if (!inCodeComment && (mariaOnly || s.mid(i + 2, 1) == QLatin1String("!"))) {
        i += mariaOnly ? 4 : 3;
        while (i < n && s[i].isDigit()) ++i;  // the server version it needs
        inCodeComment = true;
        continue;
      }
      const qsizetype close = s.indexOf(QLatin1String("*/"), i + 2);
      i = close < 0 ? n : close + 2;
      continue;
    }
    if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
      code();
      const bool escapes = backslashEscapes && c != QLatin1Char('`');
      for (++i; i < n; ++i) {
        if (escapes && s[i] == QLatin1Char('\\')) {
          ++i;
        } else if (s[i] == c) {
          if (i + 1 < n && s[i + 1] == c) ++i;  // a doubled mark stands for itself
          else break;
        }
      }
      ++i;
      scan.words << QString();
      continue;
    }
    if (c == QLatin1Char(';')) {
      ended = true;
      ++i;
      continue;
    }
    if (c.isSpace()) {
      ++i;
      continue;
    }
    code();
    if (IsWordChar(c)) {
      const qsizetype start = i;
      while (i < n && IsWordChar(s[i])) ++i;
      scan.words << s.mid(start, i - start).toString().toUpper();
      continue;
    }
    scan.words << QString();
    ++i;
  }
  return scan;
}

bool HasSequence(const QStringList& words, std::initializer_list<const char*> sequence) {
  const qsizetype length = static_cast<qsizetype>(sequence.size());
  for (qsizetype i = 0; i + length <= words.size(); ++i) {
    qsizetype k = 0;
    for (const char* word : sequence) {
      if (words[i + k] != QLatin1String(word)) break;
      ++k;
    }
    if (k == length) return true;
  }
  return false;
}

}  // namespace

QString MariaDbStatementRefusal(QStringView sql, bool readOnly) {
  // Whichever way the server reads backslashes, it must find one statement
  // and none of the clauses below.
  for (const bool escapes : {true, false}) {
    const Scan scan = Read(sql, escapes);
    if (!scan.oneStatement) return MultipleStatementsMessage();
    if (!readOnly) continue;
    if (HasSequence(scan.words, {"INTO", "OUTFILE"}) || HasSequence(scan.words, {"INTO", "DUMPFILE"}))
      return QStringLiteral("唯讀的查詢不能把結果寫成伺服器上的檔案 (INTO OUTFILE, INTO DUMPFILE), 沒有執行任何指令");
    if (HasSequence(scan.words, {"FOR", "UPDATE"}) || HasSequence(scan.words, {"LOCK", "IN", "SHARE", "MODE"}) ||
        HasSequence(scan.words, {"FOR", "SHARE"}))
      return QStringLiteral("唯讀的查詢不能鎖住資料列 (FOR UPDATE, LOCK IN SHARE MODE), 沒有執行任何指令");
  }
  return {};
}
