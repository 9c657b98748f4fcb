// The packed text against a plain QString given the same appends and edits:
// every position, line and search must agree, across block boundaries.
#include "text/packed_text.h"

#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>
#include "text/line_scan.h"

#include <random>

namespace {

// What the packed text must answer, worked out on the plain string.
qsizetype LineOfIn(const QString& text, qsizetype position) { return text.first(position).count(u'\n'); }

qsizetype LineStartIn(const QString& text, qsizetype line) {
  qsizetype at = 0;
  for (qsizetype i = 0; i < line; ++i) at = text.indexOf(u'\n', at) + 1;
  return at;
}

void ExpectSame(const PackedText& packed, const QString& plain) {
  ASSERT_EQ(packed.Size(), plain.size());
  ASSERT_EQ(packed.ToString(), plain);
  ASSERT_EQ(packed.LineCount(), plain.count(u'\n') + 1);
  for (qsizetype line = 0; line < packed.LineCount(); line += 1 + line / 7) {
    const qsizetype start = LineStartIn(plain, line);
    ASSERT_EQ(packed.LineStart(line), start) << "line " << line;
    const qsizetype end = plain.indexOf(u'\n', start);
    ASSERT_EQ(packed.LineEnd(line), end < 0 ? plain.size() : end) << "line " << line;
  }
  for (qsizetype position = 0; position <= plain.size(); position += 1 + position / 5)
    ASSERT_EQ(packed.LineOf(position), LineOfIn(plain, position)) << "position " << position;
  ASSERT_EQ(packed.LineOf(plain.size()), plain.count(u'\n'));
}

// Lines like a result's: numbers, ASCII and Chinese, now and then a long one.
QString SomeLines(std::mt19937& random, int lines) {
  QString text;
  for (int i = 0; i < lines; ++i) {
    if (i) text += u'\n';
    text += QStringLiteral("%1,name%2,中文備註第%3號").arg(random() % 100000).arg(i).arg(random() % 1000);
    if (random() % 50 == 0) text += QString(static_cast<qsizetype>(random() % 70000), QChar(u'長'));
  }
  return text;
}

}  // namespace

TEST(PackedText, AppendsAndEditsAgreeWithAPlainString) {
  std::mt19937 random(7);
  PackedText packed;
  QString plain;
  ExpectSame(packed, plain);
  for (int round = 0; round < 40; ++round) {
    if (round % 3 != 2) {
      const QString more = SomeLines(random, static_cast<int>(random() % 3000));
      packed.Append(more);
      plain += more;
    } else {
      // An edit anywhere: inside a block, across several, at the ends.
      const qsizetype from = plain.isEmpty() ? 0 : static_cast<qsizetype>(random() % plain.size());
      const qsizetype to = std::min(plain.size(), from + static_cast<qsizetype>(random() % 90000));
      const QString text = SomeLines(random, static_cast<int>(random() % 4));
      packed.Replace(from, to, text);
      plain.replace(from, to - from, text);
    }
    ExpectSame(packed, plain);
  }
  // Cut to nothing, then used again.
  packed.Replace(0, packed.Size(), u"");
  ExpectSame(packed, QString());
  packed.Append(u"a\nb");
  ExpectSame(packed, QStringLiteral("a\nb"));
}

TEST(PackedText, EditsAtTheBlockBoundariesAndTheEnd) {
  const QString block(PackedText::kBlockChars, QChar(u'x'));
  for (qsizetype at : {qsizetype{0}, PackedText::kBlockChars - 1, PackedText::kBlockChars,
                       PackedText::kBlockChars + 1, 2 * PackedText::kBlockChars, 3 * PackedText::kBlockChars}) {
    PackedText packed;
    QString plain = block + block + block;
    packed.Append(plain);
    packed.Replace(at, at, u"\n");
    plain.insert(at, u'\n');
    ExpectSame(packed, plain);
    packed.Replace(at, std::min(plain.size(), at + 2), u"");
    plain.remove(at, 2);
    ExpectSame(packed, plain);
  }
}

TEST(PackedText, FindsMatchesAcrossBlocksBothWays) {
  PackedText packed;
  QString plain;
  // The needle lies across the first two block boundaries, and once inside.
  plain = QString(PackedText::kBlockChars - 3, QChar(u'.')) + QStringLiteral("Needle") +
          QString(PackedText::kBlockChars - 5, QChar(u'.')) + QStringLiteral("nEEDLE") + QStringLiteral("..needle..");
  packed.Append(plain);
  const QString needle = QStringLiteral("needle");
  for (Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
    for (qsizetype from = 0; from < plain.size(); from += 997)
      ASSERT_EQ(packed.IndexOf(needle, from, cs), plain.indexOf(needle, from, cs)) << from;
    for (qsizetype from = 0; from < plain.size(); from += 997)
      ASSERT_EQ(packed.LastIndexOf(needle, from, cs), plain.lastIndexOf(needle, from, cs)) << from;
    ASSERT_EQ(packed.LastIndexOf(needle, -1, cs), plain.lastIndexOf(needle, -1, cs));
  }
  EXPECT_EQ(packed.IndexOf(u"missing", 0, Qt::CaseInsensitive), -1);
  EXPECT_EQ(packed.LastIndexOf(u"missing", -1, Qt::CaseInsensitive), -1);
}

TEST(PackedText, ARunsTextTakesAFractionOfItsUtf16Size) {
  // A result's lines repeat their shape; packed they take far less room.
  PackedText packed;
  QString line;
  for (int i = 0; i < 200000; ++i) {
    line = QStringLiteral("insert into big (id, name, note) values (%1, 'name%1', '中文備註第%1號')").arg(i);
    if (i) packed.Append(u"\n");
    packed.Append(line);
  }
  EXPECT_EQ(packed.Mid(packed.LineStart(199999), line.size()), line);
  // Blocks are packed on a thread of their own: once it has caught up, the
  // plain text of every full block is gone.
  const std::size_t utf16 = static_cast<std::size_t>(packed.Size()) * 2;
  QElapsedTimer waited;
  waited.start();
  while (packed.StoredBytes() >= utf16 / 3 && waited.elapsed() < 20000) QThread::msleep(20);
  EXPECT_LT(packed.StoredBytes(), utf16 / 3) << packed.StoredBytes() << " of " << utf16;
}

TEST(PackedText, BlocksReadTheSameWhilePackedAndAfter) {
  // Text appended faster than it is packed is read from its plain blocks
  // at once, edited in the middle, and reads the same once packed.
  PackedText packed;
  QString plain;
  std::mt19937 random(7);
  for (int i = 0; i < 3000; ++i) {
    QString piece = QStringLiteral("%1,第%2行,'x'").arg(random()).arg(i);
    if (i % 97 == 0) piece += QString(PackedText::kBlockChars + 11, QChar(u'長'));  // a whole block at once
    piece += u'\n';
    packed.Append(piece);
    plain += piece;
  }
  ExpectSame(packed, plain);
  const qsizetype middle = plain.size() / 2;
  packed.Replace(middle, middle + 100000, u"替換\n");
  plain.replace(middle, 100000, QStringLiteral("替換\n"));
  ExpectSame(packed, plain);
  QThread::msleep(500);
  packed.Append(u"end");
  plain += QStringLiteral("end");
  ExpectSame(packed, plain);
}

// The pane's scans of a block agree with the plain definitions: line feeds
// counted one by one, a line's cells as its characters with those from
// U+1100 on counting two, the first of the widest lines, at every place a
// line break or a wide character may fall.
TEST(LineScan, AgreesWithThePlainDefinitions) {
  std::mt19937 random(7);
  const char16_t pool[] = {u'a', u'\n', u'\n', u' ', u'\r', 0x10FF, 0x1100, 0x4E2D, 0xD83D, 0xDE00, 0xFFFF, u'x'};
  for (int round = 0; round < 3000; ++round) {
    QString text;
    const int size = static_cast<int>(random() % 70);
    for (int i = 0; i < size; ++i) text += QChar(pool[random() % std::size(pool)]);
    qsizetype feeds = 0;
    WidestLine expected{static_cast<qsizetype>(random() % 6), 99};
    WidestLine found = expected;
    qsizetype line = 5, cells = 0;
    for (const QChar c : text) {
      if (c == u'\n') {
        ++feeds;
        if (cells > expected.cells) expected = {cells, line};
        ++line;
        cells = 0;
      } else {
        cells += c.unicode() >= 0x1100 ? 2 : 1;
      }
    }
    if (cells > expected.cells) expected = {cells, line};
    ASSERT_EQ(CountLineBreaks(text), feeds) << text.toStdString();
    FindWidestLine(text, 5, found);
    ASSERT_EQ(found.cells, expected.cells) << round;
    ASSERT_EQ(found.line, expected.line) << round;
  }
}
