// The one text form of a value, through real SQLite columns.
#include "text/field_text.h"
#include "text/row_text.h"
#include "database/database.h"
#include "database/query.h"
#include "database/value_text.h"
#include "support/connected.h"
#include "support/temp_database.h"

#include <QStringDecoder>
#include <cmath>
#include <cstdio>
#include <random>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>

namespace {

class FieldTextTest : public ::testing::Test {
protected:
  void SetUp() override {
    db_ = std::make_unique<TempDatabase>(QStringLiteral(
        "create table v (n integer, b boolean, dt datetime, da date, ti time, bl blob, g graphic, m text,"
        " f float, s varchar(10), d decimal(18,6));"
        "insert into v values (42, 1, '2001-05-04 13:05:09', '2001-05-04', '13:05:09', x'001FA0', x'4142',"
        " 'line1\nline2', 2.5, 'it''s', '12.340000');"
        "insert into v values (-7, 0, '2001-05-04 00:00:00', '0987-01-02', '00:00:00', x'', 'raw', '', 1e-7, '', 0);"
        "insert into v values (null, null, '2001-05-04 00:00:00.001', null, null, null, null, null, null, null, null);"
        "insert into v values (0, 'true', 'not a date', null, null, 'text', null, null, null, null, null);"),
        QStringLiteral("FIELDTEXT"));
    database_.SetAliasName(db_->Alias());
    database_.SetDatabaseName(db_->Alias());
    query_.SetDatabaseName(db_->Alias());
    query_.SQL().SetText(QStringLiteral("select * from v"));
    query_.Open();
  }
  QStringList Row() {
    QStringList texts;
    for (int i = 0; i < query_.FieldCount(); ++i) texts << FieldToText(query_.Fields(i));
    return texts;
  }
  std::unique_ptr<TempDatabase> db_;
  TDatabase database_;
  TQuery query_;
};

}  // namespace

TEST_F(FieldTextTest, EachTypeHasOneFixedTextForm) {
  EXPECT_EQ(Row(), QStringList({"42", "1", "2001/05/04 13:05:09", "2001/05/04", "13:05:09", "0x001FA0", "AB",
                                "line1\nline2", query_.Fields(8)->AsString(), "it's", query_.Fields(10)->AsString()}));
  query_.Next();
  // Midnight gives the date alone; a time column gives 00:00:00; an empty blob "0x".
  EXPECT_EQ(Row(), QStringList({"-7", "0", "2001/05/04", "0987/01/02", "00:00:00", "0x", "raw", "", "1E-07", "",
                                "0"}));
  query_.Next();
  const QStringList nulls = Row();
  EXPECT_EQ(nulls.at(0), QStringLiteral("null"));
  EXPECT_EQ(nulls.mid(3), QStringList(8, QStringLiteral("null")));
  EXPECT_EQ(nulls.at(2), QStringLiteral("2001/05/04 00:00:00"));  // one millisecond after midnight
  query_.Next();
  const QStringList odd = Row();
  EXPECT_EQ(odd.at(1), QStringLiteral("1"));            // a Boolean stored as text
  EXPECT_EQ(odd.at(2), QStringLiteral("not a date"));   // no date: the text as stored
  EXPECT_EQ(odd.at(5), QStringLiteral("0x74657874"));   // a blob column holding text still goes hex
}

TEST(FieldText, HexAndBits) {
  EXPECT_EQ(BytesToHex(QByteArrayView("\x00\x1F\xA0\xFF", 4)), QStringLiteral("001FA0FF"));
  EXPECT_EQ(BytesToHex(QByteArrayView()), QString());
  EXPECT_EQ(BoolToBit(true), 1);
  EXPECT_EQ(BoolToBit(false), 0);
}

TEST(RowText, QuoteMarksAndCountStatement) {
  for (TFieldType bare : {ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBlob})
    EXPECT_EQ(QuoteMark(bare), QString()) << bare;
  for (TFieldType quoted : {ftString, ftBCD, ftDate, ftTime, ftDateTime, ftAutoInc, ftMemo, ftGraphic, ftTypedBinary,
                            ftUnknown})
    EXPECT_EQ(QuoteMark(quoted), QStringLiteral("'")) << quoted;
  EXPECT_EQ(CountStatement(QStringLiteral("select a, b from T where x = 1")),
            QStringLiteral("select cnt=count(*) from T where x = 1"));
  EXPECT_EQ(CountStatement(QStringLiteral("SELECT a FROM T")), QStringLiteral("select cnt=count(*) FROM T"));
  EXPECT_EQ(CountStatement(QStringLiteral("select 1")), QStringLiteral("select cnt=count(*) select 1"));
}

// The row loop's allocation-free writer gives exactly the value's ordinary
// text, and says when bytes were no UTF-8.
TEST(FieldText, TheRowLoopsWriterMatchesTheOrdinaryText) {
  auto integer = [](std::int64_t v) { CellValue c; c.kind = CellKind::Integer; c.integer = v; return c; };
  auto real = [](double v) { CellValue c; c.kind = CellKind::Float; c.real = v; return c; };
  auto text = [](const char* v) { CellValue c; c.kind = CellKind::Text; c.data = v; c.size = std::strlen(v); return c; };
  const std::vector<std::pair<TFieldType, CellValue>> faithful = {
      {ftInteger, integer(0)}, {ftInteger, integer(-1)}, {ftAutoInc, integer(INT64_MIN)},
      {ftSmallint, integer(INT64_MAX)}, {ftFloat, real(0.1)}, {ftFloat, real(1e-7)}, {ftFloat, real(-0.0)},
      {ftFloat, real(1e300)}, {ftCurrency, real(1234.5)}, {ftFloat, real(123456789012345678.0)},
      {ftFloat, real(std::numeric_limits<double>::infinity())}, {ftFloat, real(std::nan(""))},
      {ftString, text("plain")}, {ftMemo, text("中文備註第12號")}, {ftString, text("\xEF\xBB\xBF" "bom")},
      {ftString, text("\xEF\xBF\xBD real replacement")}, {ftMemo, text("emoji \xF0\x9F\x98\x80")}};
  for (const auto& [type, value] : faithful) {
    QString out = QStringLiteral("prefix,");
    EXPECT_TRUE(AppendValueText(out, type, value)) << CellText(type, value).toStdString();
    EXPECT_EQ(out, QStringLiteral("prefix,") + CellText(type, value));
  }
  for (const char* broken : {"\xff\xfe", "cut \xe4\xb8", "\xed\xa0\x80 surrogate", "\xc0\xaf overlong"}) {
    QString out;
    EXPECT_FALSE(AppendValueText(out, ftString, text(broken))) << broken;
    EXPECT_EQ(out, CellText(ftString, text(broken))) << broken;
  }
}

// A float's text is printf's %.15G, whichever way it is laid out.
TEST(FieldText, FloatsReadAsPrintfWrites) {
  std::mt19937_64 random(20261208);
  std::vector<double> values = {0.0, -0.0, 0.1, 0.3, 1e-7, 1e-5, 1e-4, 0.0001234, 1e14, 1e15, 123456789012345.0,
                                1234567890123456.0, 0.30000000000000004, 5e-324, 2.2250738585072014e-308,
                                1.7976931348623157e308, -1234.5, 1.25, 100.0, 99999999999999.9};
  for (int i = 0; i < 20000; ++i) {
    std::uint64_t bits = random();
    double v = 0;
    std::memcpy(&v, &bits, sizeof v);
    if (std::isfinite(v)) values.push_back(v);
    values.push_back(static_cast<double>(random() % 100000000) / std::pow(10.0, static_cast<double>(random() % 12)));
  }
  for (double v : values) {
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.15G", v);
    ASSERT_EQ(FormatGeneralFloat(v).toStdString(), std::string(expected)) << v;
    QString appended;
    CellValue cell;
    cell.kind = CellKind::Float;
    cell.real = v;
    AppendValueText(appended, ftFloat, cell);
    ASSERT_EQ(appended.toStdString(), std::string(expected)) << v;
  }
}

// A leading U+FEFF is part of a value, not a byte order mark to drop: in the
// export form (lines, files, XLS labels) and in the ordinary text (the grid).
TEST(FieldText, ALeadingFeffIsKept) {
  TempDatabase db(QStringLiteral("create table b (s varchar(10), m text);"
                                 "insert into b values (char(65279) || 'x', char(65279));"),
                  QStringLiteral("BOMTEXT"));
  Connected sqlite(db.Alias());
  TQuery& query = sqlite.Open(QStringLiteral("select s, m from b"));
  const QString expected = QString(QChar(0xFEFF)) + QLatin1Char('x');
  EXPECT_EQ(FieldToText(query.Fields(0)), expected);
  EXPECT_EQ(query.Fields(0)->AsString(), expected);
  EXPECT_EQ(FieldToText(query.Fields(1)), QString(QChar(0xFEFF)));
}

// A text value's bytes become the line's characters as Qt's own UTF-8
// decoder gives them, well-formed or not, and only ill-formed bytes count
// as values not shown faithfully.
TEST(FieldText, TextBytesDecodeAsQtsDecoderDoes) {
  const auto qtDecoded = [](const QByteArray& bytes, bool& error) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString text = decoder.decode(bytes);
    error = decoder.hasError();
    return text;
  };
  const auto check = [&](const QByteArray& bytes) {
    CellValue value;
    value.kind = CellKind::Text;
    value.data = bytes.constData();
    value.size = static_cast<std::size_t>(bytes.size());
    QString line = QStringLiteral("x,");
    const bool faithful = AppendValueText(line, ftString, value);
    bool error = false;
    const QString expected = QStringLiteral("x,") + qtDecoded(bytes, error);
    EXPECT_EQ(line, expected) << bytes.toHex(' ').toStdString();
    EXPECT_EQ(faithful, !error) << bytes.toHex(' ').toStdString();
  };
  // Every code point, among ASCII and Chinese neighbours.
  for (char32_t point = 0x80; point <= 0x10FFFF; point += (point < 0x30000 ? 1 : 97)) {
    if (point >= 0xD800 && point <= 0xDFFF) continue;
    check("a" + QString::fromUcs4(&point, 1).toUtf8() + "\xE4\xB8\xAD");
  }
  // Ill-formed: overlong forms, encoded surrogates, past U+10FFFF, cut
  // sequences, lone continuation bytes, bytes never used; a leading BOM.
  for (const char* bytes : {"\xC0\xAF", "\xC1\xBF", "\xE0\x80\xAF", "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF", "\xED\xA0\x80",
                            "\xED\xBF\xBF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xE4\xB8", "\xF0\x9F\x98",
                            "\x80", "\xBFx", "\xFE\xFF", "\xFF", "\xEF\xBB\xBFx", "\xEF\xBF\xBD", "a\xC3"})
    check(QByteArray(bytes));
  // Random bytes, mostly ill-formed somewhere.
  std::mt19937 random(21);
  for (int i = 0; i < 20000; ++i) {
    QByteArray bytes(1 + static_cast<int>(random() % 9), Qt::Uninitialized);
    for (char& b : bytes) b = static_cast<char>(random() % 4 == 0 ? random() % 128 : 0x80 + random() % 128);
    check(bytes);
  }
}
