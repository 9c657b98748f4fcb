#include "text/text_utils.h"

#include "text/codepage.h"

QString ReplaceAll(const QString& text, const QString& oldText, const QString& newText) {
  if (oldText.isEmpty() || newText.contains(oldText)) return text;
  QString result = text;
  qsizetype at = result.indexOf(oldText);
  while (at >= 0) {
    result.replace(at, oldText.size(), newText);
    // A replacement can only create a new occurrence that starts before the
    // end of what was inserted; nothing earlier than that can have changed.
    const qsizetype from = qMax<qsizetype>(0, at - oldText.size() + 1);
    at = result.indexOf(oldText, from);
  }
  return result;
}

QString DateText(const QDateTime& value) {
  const QDate d = value.date();
  return QString::asprintf("%.4d/%.2d/%.2d", d.year(), d.month(), d.day());
}

QString TimeText(const QDateTime& value) {
  const QTime t = value.time();
  return QString::asprintf("%.2d:%.2d:%.2d", t.hour(), t.minute(), t.second());
}

QString DateTimeText(const QDateTime& value) {
  const int ms = value.time().msecsSinceStartOfDay();
  QString result;
  if (value.date() >= QDate(1900, 1, 2) || ms == 0) result = DateText(value);
  if (!result.isEmpty() && ms > 0) result += QLatin1Char(' ');
  if (ms > 0) result += TimeText(value);
  return result;
}

void CleanSheetName(QString& name) {
  for (const char* bad : {":", "/", "\\", "?", "*", "[", "]"})
    name = ReplaceAll(name, QLatin1String(bad), QString());
  if (Big5Length(name) > 31) name = Big5Prefix(name, 31);
}

QString BoolText(bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); }

QString LowerAscii(const QString& text) {
  QString result = text;
  for (QChar& c : result)
    if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) c = QChar(c.unicode() + 32);
  return result;
}

QString ShownPrefix(const QString& text, qsizetype limit) {
  if (text.size() <= limit) return text;
  qsizetype cut = limit;
  if (text[cut - 1].isHighSurrogate()) --cut;  // never half a character
  return text.left(cut) + QStringLiteral("…(共 %1 字元)").arg(text.size());
}
