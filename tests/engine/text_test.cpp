// The text routines and the Big5 code page.
#include "text/codepage.h"
#include "text/literals.h"
#include "text/row_text.h"
#include "text/text_utils.h"

#include <gtest/gtest.h>

namespace {
QDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}
}  // namespace

TEST(ReplaceAll, RescansAndCollapsesRuns) {
  EXPECT_EQ(ReplaceAll(QStringLiteral("banana"), QStringLiteral("a"), QString()), QStringLiteral("bnn"));
  EXPECT_EQ(ReplaceAll(QStringLiteral("a\r\n\r\n\r\n\r\nb"), QStringLiteral("\r\n\r\n"), QStringLiteral("\r\n")),
            QStringLiteral("a\r\nb"));
  EXPECT_EQ(ReplaceAll(QStringLiteral("x     y  z"), QStringLiteral("  "), QStringLiteral(" ")),
            QStringLiteral("x y z"));
  // A replacement that forms a new occurrence with what precedes it.
  EXPECT_EQ(ReplaceAll(QStringLiteral("aaab"), QStringLiteral("ab"), QStringLiteral("b")), QStringLiteral("b"));
  EXPECT_EQ(ReplaceAll(QStringLiteral("abc"), QString(), QStringLiteral("x")), QStringLiteral("abc"));
}

TEST(ReplaceAll, NewTextHoldingTheOldOneLeavesTheTextAlone) {
  // Would never end if the search restarted over the inserted text.
  EXPECT_EQ(ReplaceAll(QStringLiteral("a-b"), QStringLiteral("-"), QStringLiteral("--")), QStringLiteral("a-b"));
  EXPECT_EQ(ReplaceAll(QStringLiteral("abc"), QStringLiteral("b"), QStringLiteral("b")), QStringLiteral("abc"));
}

TEST(DateTimeText, DateAndTimeParts) {
  EXPECT_EQ(DateTimeText(At(2026, 12, 7, 14, 5, 9)), QStringLiteral("2026/12/07 14:05:09"));
  EXPECT_EQ(DateTimeText(At(2026, 12, 7)), QStringLiteral("2026/12/07"));
  EXPECT_EQ(DateTimeText(At(2026, 12, 7, 0, 0, 0, 1)), QStringLiteral("2026/12/07 00:00:00"));
  EXPECT_EQ(DateTimeText(At(1899, 12, 30, 12)), QStringLiteral("12:00:00"));
  EXPECT_EQ(DateTimeText(At(1899, 12, 30)), QStringLiteral("1899/12/30"));
  EXPECT_EQ(DateTimeText(At(1900, 1, 1, 8, 30)), QStringLiteral("08:30:00"));
  EXPECT_EQ(DateTimeText(At(1900, 1, 2, 8, 30)), QStringLiteral("1900/01/02 08:30:00"));
  EXPECT_EQ(DateText(At(987, 3, 4)), QStringLiteral("0987/03/04"));
  EXPECT_EQ(TimeText(At(2000, 1, 1, 23, 59, 59, 999)), QStringLiteral("23:59:59"));
}

TEST(CleanSheetName, RemovesForbiddenCharactersAndCutsBetweenCharacters) {
  QString plain(40, QLatin1Char('x'));
  CleanSheetName(plain);
  EXPECT_EQ(plain, QString(31, QLatin1Char('x')));
  QString forbidden = QStringLiteral(":/\\?*[]");
  CleanSheetName(forbidden);
  EXPECT_TRUE(forbidden.isEmpty());
  QString stamp = QStringLiteral("2026/12/07 14:05:09");
  CleanSheetName(stamp);
  EXPECT_EQ(stamp, QStringLiteral("20261207 140509"));
  // Sixteen two-byte characters are 32 bytes: 15 fit, half a character never.
  QString chinese = QStringLiteral("臺灣水族貿易有限公司業務部門報表");
  CleanSheetName(chinese);
  EXPECT_EQ(chinese, QStringLiteral("臺灣水族貿易有限公司業務部門報"));
  QString mixed = QStringLiteral("a") + QStringLiteral("臺灣水族貿易有限公司業務部門報表");
  CleanSheetName(mixed);
  EXPECT_EQ(Big5Length(mixed), 31);
}

TEST(Big5, WindowsTableSubstitutesAndCounts) {
  EXPECT_EQ(ToBig5(QStringLiteral("ˇ")), QByteArray("\xA3\xBE"));
  EXPECT_EQ(FromBig5(ToBig5(QStringLiteral("€"))), QStringLiteral("€"));
  EXPECT_EQ(FromBig5(ToBig5(QStringLiteral("欄位名稱 abc"))), QStringLiteral("欄位名稱 abc"));
  qsizetype bad = 0;
  EXPECT_EQ(ToBig5(QStringLiteral("a한b😀c"), &bad), QByteArray("a?b?c"));
  EXPECT_EQ(bad, 2);
  // Invisible characters are counted, not dropped without a word.
  EXPECT_EQ(ToBig5(QStringLiteral("a\u200Bb\u202Ec中"), &bad), QByteArray("a?b?c\xA4\xA4"));
  EXPECT_EQ(bad, 2);
  EXPECT_EQ(Big5Prefix(QStringLiteral("a\u200Bb"), 2), QStringLiteral("a\u200B"));
  EXPECT_EQ(Big5Length(QStringLiteral("中a")), 3);
  EXPECT_EQ(Big5Prefix(QStringLiteral("ab中文"), 3), QStringLiteral("ab"));
  EXPECT_EQ(Big5Prefix(QStringLiteral("ab中文"), 4), QStringLiteral("ab中"));
  // A long text converts whole (the buffer grows as needed).
  const QString big = QString(100000, QChar(0x4E2D));
  EXPECT_EQ(ToBig5(big).size(), 200000);
}

TEST(SmallTexts, BoolTextAndTypeNames) {
  EXPECT_EQ(BoolText(true), QStringLiteral("true"));
  EXPECT_EQ(BoolText(false), QStringLiteral("false"));
  EXPECT_EQ(FieldTypeName(ftString), QStringLiteral("char"));
  EXPECT_EQ(FieldTypeName(ftBlob), QStringLiteral("image"));
  EXPECT_EQ(FieldTypeName(ftTypedBinary), QStringLiteral("TypedBinary"));
  EXPECT_EQ(FieldTypeName(ftBCD), QStringLiteral("Unknown"));
  EXPECT_EQ(FieldTypeName(ftAutoInc), QStringLiteral("Unknown"));
}

// The file writer's one-pass Big5 agrees with the converter for every
// character of the Basic Multilingual Plane, pairs of surrogates and lone
// ones, and writes each line feed as CR LF but the one of a CR LF.
TEST(Big5Lines, AgreesWithTheConverterOnEveryCharacter) {
  QString every;
  for (int u = 1; u < 0x10000; ++u)
    if (u != '\n' && u != '\r') every += QChar(static_cast<char16_t>(u));
  every += QStringLiteral("😀x\U0002000B");  // outside the plane: one "?" each
  qsizetype expectedMissing = 0;
  const QByteArray expected = ToBig5(every, &expectedMissing);
  QByteArray out("head");
  EXPECT_EQ(AppendBig5Lines(out, every), expectedMissing);
  EXPECT_GT(expectedMissing, 1000);
  EXPECT_TRUE(out == "head" + expected);

  QByteArray breaks;
  EXPECT_EQ(AppendBig5Lines(breaks, u"a\nb\r\nc\rd\r\r\n中\n"), 0);
  EXPECT_EQ(breaks, QByteArray("a\r\nb\r\nc\rd\r\r\n") + ToBig5(QStringLiteral("中")) + "\r\n");
  QByteArray feeds;
  EXPECT_EQ(AppendBig5Lines(feeds, u"a\nb\r\nc\rd\r\r\n", false), 0);
  EXPECT_EQ(feeds, QByteArray("a\nb\nc\rd\r\n"));
}

// A target server's literals: nothing in a value can end its literal early
// or put a line break into the script.
TEST(TargetLiterals, QuotesBackslashesAndLineBreaks) {
  const QString attack = QStringLiteral("a\\");  // MySQL reads \' as an escaped quote
  QString mysql;
  AppendTargetText(mysql, attack, LiteralTarget::MySql);
  EXPECT_EQ(mysql, QStringLiteral("'a\\\\'"));
  QString lines;
  AppendTargetText(lines, u"x'\r\ny\\", LiteralTarget::MySql);
  EXPECT_EQ(lines, QStringLiteral("'x''\\r\\ny\\\\'"));
  QString standard;
  AppendTargetText(standard, u"x'\r\ny\\", LiteralTarget::StandardSql);
  EXPECT_EQ(standard, QStringLiteral("'x''' || char(13) || '' || char(10) || 'y\\'"));
  QString postgres;
  AppendTargetText(postgres, u"\n", LiteralTarget::PostgreSql);
  EXPECT_EQ(postgres, QStringLiteral("'' || chr(10) || ''"));
  QString blobs;
  AppendTargetBlob(blobs, u"00FF", LiteralTarget::PostgreSql);
  AppendTargetBlob(blobs, u"", LiteralTarget::MySql);
  EXPECT_EQ(blobs, QStringLiteral("'\\x00FF'X''"));
}

TEST(CsvFields, QuotedOnlyWhenAReaderNeedsIt) {
  QString out;
  for (const char16_t* value : {u"plain", u"a;b", u"say \"hi\"", u"two\r\nlines", u"", u"a,b"}) {
    AppendCsvField(out, value, QLatin1Char(';'));
    out += QLatin1Char('|');
  }
  EXPECT_EQ(out, QStringLiteral("plain|\"a;b\"|\"say \"\"hi\"\"\"|\"two\r\nlines\"||a,b|"));
}
