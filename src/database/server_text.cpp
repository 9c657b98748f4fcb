#include "database/server_text.h"

#include <QDate>
#include <QRegularExpression>

namespace {

bool AllDigits(const QByteArray& s, qsizetype from, qsizetype count) {
  if (from + count > s.size()) return false;
  for (qsizetype i = from; i < from + count; ++i)
    if (s[i] < '0' || s[i] > '9') return false;
  return true;
}

int Number(const QByteArray& s, qsizetype from, qsizetype count) { return s.mid(from, count).toInt(); }

// "HH:MM:SS[.fff][+HH[:MM[:SS]]]" from `at` to the end; drops the offset.
// False when the text is not that.
bool TakeTime(QByteArray& s, qsizetype at) {
  if (!AllDigits(s, at, 2) || s.size() < at + 8 || s[at + 2] != ':' || !AllDigits(s, at + 3, 2) ||
      s[at + 5] != ':' || !AllDigits(s, at + 6, 2))
    return false;
  qsizetype i = at + 8;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
  }
  if (i == s.size()) return true;
  if (s[i] != '+' && s[i] != '-') return false;
  qsizetype j = i + 1;
  while (j < s.size() && ((s[j] >= '0' && s[j] <= '9') || s[j] == ':')) ++j;
  if (j != s.size() || j == i + 1) return false;
  s.truncate(i);
  return true;
}

}  // namespace

ServerDate NormalizeServerDateText(QByteArray& s) {
  // psqlODBC's text for a timestamp of -infinity: PostgreSQL holds no year
  // before 4713 BC, so it cannot be a real value.
  if (s.startsWith("9999-01-01 00:00:00 BC")) {
    s = "-infinity";
    return ServerDate::EngineText;
  }
  if (TakeTime(s, 0)) return ServerDate::Representable;
  if (s.size() < 10 || !AllDigits(s, 0, 4) || s[4] != '-' || !AllDigits(s, 5, 2) || s[7] != '-' ||
      !AllDigits(s, 8, 2))
    return ServerDate::EngineText;
  if (s.size() > 10 && !(s[10] == ' ' && TakeTime(s, 11))) return ServerDate::EngineText;
  return QDate::isValid(Number(s, 0, 4), Number(s, 5, 2), Number(s, 8, 2)) ? ServerDate::Representable
                                                                           : ServerDate::Unrepresentable;
}

bool ParseMoneyText(const QString& text, double& value) {
  bool ok = false;
  value = text.trimmed().toDouble(&ok);
  if (ok) return true;
  static const QRegularExpression money(QStringLiteral("^\\s*(-|\\()?\\s*[^\\d\\s.,()-]*\\s*(-)?([\\d,]*\\.?\\d*)\\s*[^\\d\\s.,()-]*\\s*(\\))?\\s*$"));
  const auto m = money.match(text);
  if (!m.hasMatch() || m.captured(3).isEmpty()) return false;
  QString digits = m.captured(3);
  digits.remove(QLatin1Char(','));
  value = digits.toDouble(&ok);
  if (!ok) return false;
  const bool negative = m.captured(1) == QLatin1String("-") || !m.captured(2).isEmpty() ||
                        (m.captured(1) == QLatin1String("(") && !m.captured(4).isEmpty());
  if (negative) value = -value;
  return true;
}

