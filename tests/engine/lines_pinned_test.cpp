// The lines of values at the edges of what SQLite stores, in every form a
// run writes them, pinned to the bytes the program has always written: the
// row loop may get faster, never different.
#include "database/query.h"
#include "support/collect_lines.h"
#include "support/connected.h"
#include "support/temp_database.h"
#include "text/result_lines.h"
#include "text/row_run.h"

#include <gtest/gtest.h>

namespace {

const char* const kEdgeTable =
    "create table e (i integer, r real, t text, n numeric, b blob, d date, dt datetime, f float, bo boolean,"
    " v varchar(10));"
    "insert into e values (-9223372036854775808, 1e-300, 'a''b\"c', 12.50, x'00FF', '2024-02-29',"
    " '2024-02-29 13:05:09', 1e300, 1, 'x');"
    "insert into e values (9223372036854775807, -0.0, 'line1' || char(10) || 'line2', 1e300, x'',"
    " '0000-00-00', 'not a date', 9e999, 0, '');"
    "insert into e values (0, 2, 'x' || char(10) || 'go' || char(10) || 'y', 'abc', null, '2024-13-01',"
    " '1999-12-31 23:59:59.999', -9e999, 'maybe', null);"
    "insert into e values (null, 3, char(65279) || 'bom', -0.0, x'27', '12:30', '2020-01-01T08:00:00', 0.1, 2,"
    " '中文');"
    "insert into e values (1.5, 123456789012345678, 'null', 0.30000000000000004, 'text', 20240229, 2460000.5,"
    " '12abc', 't', 'cr' || char(13) || 'lf' || char(13) || char(10) || 'end');";

// What the program wrote for them, in the order of the test below (UTF-8,
// as base64: the values hold CR, U+FEFF and quote marks of every kind).
const char* const kPinned =
    "aSxyLHQsbixiLGQsZHQsZixibyx2Ci05MjIzMzcyMDM2ODU0Nzc1ODA4LDFFLTMwMCwiYSdiIiJjIiwnMTIuNScsMHgwMEZGLCcy"
    "MDI0LzAyLzI5JywnMjAyNC8wMi8yOSAxMzowNTowOScsMUUrMzAwLDEsJ3gnCjkyMjMzNzIwMzY4NTQ3NzU4MDcsMCwnbGluZTEK"
    "bGluZTInLCcxMDAwMDAwMDAwMDAwMDAwMDUyNTA0NzYwMjU1MjA0NDIwMjQ4NzA0NDY4NTgxMTA4MTU5MTU0OTE1ODU0MTE1NTEx"
    "ODAyNDU3OTg4OTA4MTk1Nzg2MzcxMzc1MDgwNDQ3ODY0MDQzNzA0NDQzODMyODgzODc4MTc2OTQyNTIzMjM1MzYwNDMwNTc1NjQ0"
    "NzkyMTg0Nzg2NzA2OTgyODQ4Mzg3MjAwOTI2NTc1ODAzNzM3ODMwMjMzNzk0Nzg4MDkwMDU5MzY4OTUzMjM0OTcwNzk5OTQ1MDgx"
    "MTE5MDM4OTY3NjQwODgwMDc0NjUyNzQyNzgwMTQyNDk0NTc5MjU4Nzg4ODIwMDU2ODQyODM4MTE1NjY5NDcyMTk2Mzg2ODY1NDU5"
    "NDAwNTQwMTYwJywweCwnMDAwMC0wMC0wMCcsJ25vdCBhIGRhdGUnLCdJTkYnLDAsJycKMCwyLCd4CmdvCnknLCdhYmMnLG51bGws"
    "JzIwMjQtMTMtMDEnLCcxOTk5LzEyLzMxIDIzOjU5OjU5JywnLUlORicsJ21heWJlJyxudWxsCm51bGwsMywn77u/Ym9tJywnMCcs"
    "MHgyNywnMTg5OS8xMi8zMCcsJzIwMjAvMDEvMDEgMDg6MDA6MDAnLDAuMSwyLCfkuK3mlocnCjEuNSwxLjIzNDU2Nzg5MDEyMzQ2"
    "RSsxNywnbnVsbCcsJzAuMzAwMDAwMDAwMDAwMDAwMDQnLDB4NzQ2NTc4NzQsJzE5NzAvMDgvMjMnLCcyMDIzLzAyLzI1JywnMTJh"
    "YmMnLDEsJ2NyDWxmDQplbmQnCi0tCmkscix0LG4sYixkLGR0LGYsYm8sdgotOTIyMzM3MjAzNjg1NDc3NTgwOCwxRS0zMDAsImEn"
    "YiIiYyIsMTIuNSwweDAwRkYsMjAyNC8wMi8yOSwyMDI0LzAyLzI5IDEzOjA1OjA5LDFFKzMwMCwxLHgKOTIyMzM3MjAzNjg1NDc3"
    "NTgwNywwLCJsaW5lMQpsaW5lMiIsMTAwMDAwMDAwMDAwMDAwMDA1MjUwNDc2MDI1NTIwNDQyMDI0ODcwNDQ2ODU4MTEwODE1OTE1"
    "NDkxNTg1NDExNTUxMTgwMjQ1Nzk4ODkwODE5NTc4NjM3MTM3NTA4MDQ0Nzg2NDA0MzcwNDQ0MzgzMjg4Mzg3ODE3Njk0MjUyMzIz"
    "NTM2MDQzMDU3NTY0NDc5MjE4NDc4NjcwNjk4Mjg0ODM4NzIwMDkyNjU3NTgwMzczNzgzMDIzMzc5NDc4ODA5MDA1OTM2ODk1MzIz"
    "NDk3MDc5OTk0NTA4MTExOTAzODk2NzY0MDg4MDA3NDY1Mjc0Mjc4MDE0MjQ5NDU3OTI1ODc4ODgyMDA1Njg0MjgzODExNTY2OTQ3"
    "MjE5NjM4Njg2NTQ1OTQwMDU0MDE2MCwweCwwMDAwLTAwLTAwLG5vdCBhIGRhdGUsSU5GLDAsCjAsMiwieApnbwp5IixhYmMsbnVs"
    "bCwyMDI0LTEzLTAxLDE5OTkvMTIvMzEgMjM6NTk6NTksLUlORixtYXliZSxudWxsCm51bGwsMyzvu79ib20sMCwweDI3LDE4OTkv"
    "MTIvMzAsMjAyMC8wMS8wMSAwODowMDowMCwwLjEsMizkuK3mlocKMS41LDEuMjM0NTY3ODkwMTIzNDZFKzE3LG51bGwsMC4zMDAw"
    "MDAwMDAwMDAwMDAwNCwweDc0NjU3ODc0LDE5NzAvMDgvMjMsMjAyMy8wMi8yNSwxMmFiYywxLCJjcg1sZg0KZW5kIgotLQppbnNl"
    "cnQgaW50byBlIGkscix0LG4sYixkLGR0LGYsYm8sdiB2YWx1ZXMgLTkyMjMzNzIwMzY4NTQ3NzU4MDgsMUUtMzAwLCJhJ2IiImMi"
    "LCcxMi41JywweDAwRkYsJzIwMjQvMDIvMjknLCcyMDI0LzAyLzI5IDEzOjA1OjA5JywxRSszMDAsMSwneCcKaW5zZXJ0IGludG8g"
    "ZSBpLHIsdCxuLGIsZCxkdCxmLGJvLHYgdmFsdWVzIDkyMjMzNzIwMzY4NTQ3NzU4MDcsMCwnbGluZTEnICsgY2hhcigxMCkgKyAn"
    "bGluZTInLCcxMDAwMDAwMDAwMDAwMDAwMDUyNTA0NzYwMjU1MjA0NDIwMjQ4NzA0NDY4NTgxMTA4MTU5MTU0OTE1ODU0MTE1NTEx"
    "ODAyNDU3OTg4OTA4MTk1Nzg2MzcxMzc1MDgwNDQ3ODY0MDQzNzA0NDQzODMyODgzODc4MTc2OTQyNTIzMjM1MzYwNDMwNTc1NjQ0"
    "NzkyMTg0Nzg2NzA2OTgyODQ4Mzg3MjAwOTI2NTc1ODAzNzM3ODMwMjMzNzk0Nzg4MDkwMDU5MzY4OTUzMjM0OTcwNzk5OTQ1MDgx"
    "MTE5MDM4OTY3NjQwODgwMDc0NjUyNzQyNzgwMTQyNDk0NTc5MjU4Nzg4ODIwMDU2ODQyODM4MTE1NjY5NDcyMTk2Mzg2ODY1NDU5"
    "NDAwNTQwMTYwJywweCwnMDAwMC0wMC0wMCcsJ25vdCBhIGRhdGUnLCdJTkYnLDAsJycKaW5zZXJ0IGludG8gZSBpLHIsdCxuLGIs"
    "ZCxkdCxmLGJvLHYgdmFsdWVzIDAsMiwneCcgKyBjaGFyKDEwKSArICdnbycgKyBjaGFyKDEwKSArICd5JywnYWJjJyxudWxsLCcy"
    "MDI0LTEzLTAxJywnMTk5OS8xMi8zMSAyMzo1OTo1OScsJy1JTkYnLCdtYXliZScsbnVsbAppbnNlcnQgaW50byBlIGkscix0LG4s"
    "YixkLGR0LGYsYm8sdiB2YWx1ZXMgbnVsbCwzLCfvu79ib20nLCcwJywweDI3LCcxODk5LzEyLzMwJywnMjAyMC8wMS8wMSAwODow"
    "MDowMCcsMC4xLDIsJ+S4reaWhycKaW5zZXJ0IGludG8gZSBpLHIsdCxuLGIsZCxkdCxmLGJvLHYgdmFsdWVzIDEuNSwxLjIzNDU2"
    "Nzg5MDEyMzQ2RSsxNywnbnVsbCcsJzAuMzAwMDAwMDAwMDAwMDAwMDQnLDB4NzQ2NTc4NzQsJzE5NzAvMDgvMjMnLCcyMDIzLzAy"
    "LzI1JywnMTJhYmMnLDEsJ2NyDWxmDQplbmQnCi0tCmluc2VydCBpbnRvIGUgaSxyLHQsbixiLGQsZHQsZixibyx2IHZhbHVlcyAt"
    "OTIyMzM3MjAzNjg1NDc3NTgwOCwxRS0zMDAsJ2EnJ2IiYycsJzEyLjUnLFgnMDBGRicsJzIwMjQtMDItMjknLCcyMDI0LTAyLTI5"
    "IDEzOjA1OjA5JywxRSszMDAsVFJVRSwneCc7Cmluc2VydCBpbnRvIGUgaSxyLHQsbixiLGQsZHQsZixibyx2IHZhbHVlcyA5MjIz"
    "MzcyMDM2ODU0Nzc1ODA3LDAsJ2xpbmUxJyB8fCBjaGFyKDEwKSB8fCAnbGluZTInLCcxMDAwMDAwMDAwMDAwMDAwMDUyNTA0NzYw"
    "MjU1MjA0NDIwMjQ4NzA0NDY4NTgxMTA4MTU5MTU0OTE1ODU0MTE1NTExODAyNDU3OTg4OTA4MTk1Nzg2MzcxMzc1MDgwNDQ3ODY0"
    "MDQzNzA0NDQzODMyODgzODc4MTc2OTQyNTIzMjM1MzYwNDMwNTc1NjQ0NzkyMTg0Nzg2NzA2OTgyODQ4Mzg3MjAwOTI2NTc1ODAz"
    "NzM3ODMwMjMzNzk0Nzg4MDkwMDU5MzY4OTUzMjM0OTcwNzk5OTQ1MDgxMTE5MDM4OTY3NjQwODgwMDc0NjUyNzQyNzgwMTQyNDk0"
    "NTc5MjU4Nzg4ODIwMDU2ODQyODM4MTE1NjY5NDcyMTk2Mzg2ODY1NDU5NDAwNTQwMTYwJyxYJycsJzAwMDAtMDAtMDAnLCdub3Qg"
    "YSBkYXRlJywnSU5GJyxGQUxTRSwnJzsKaW5zZXJ0IGludG8gZSBpLHIsdCxuLGIsZCxkdCxmLGJvLHYgdmFsdWVzIDAsMiwneCcg"
    "fHwgY2hhcigxMCkgfHwgJ2dvJyB8fCBjaGFyKDEwKSB8fCAneScsJ2FiYycsbnVsbCwnMjAyNC0xMy0wMScsJzE5OTktMTItMzEg"
    "MjM6NTk6NTknLCctSU5GJywnbWF5YmUnLG51bGw7Cmluc2VydCBpbnRvIGUgaSxyLHQsbixiLGQsZHQsZixibyx2IHZhbHVlcyBu"
    "dWxsLDMsJ++7v2JvbScsJzAnLFgnMjcnLCcxODk5LTEyLTMwJywnMjAyMC0wMS0wMSAwODowMDowMCcsMC4xLDIsJ+S4reaWhyc7"
    "Cmluc2VydCBpbnRvIGUgaSxyLHQsbixiLGQsZHQsZixibyx2IHZhbHVlcyAxLjUsMS4yMzQ1Njc4OTAxMjM0NkUrMTcsJ251bGwn"
    "LCcwLjMwMDAwMDAwMDAwMDAwMDA0JyxYJzc0NjU3ODc0JywnMTk3MC0wOC0yMycsJzIwMjMtMDItMjUnLCcxMmFiYycsVFJVRSwn"
    "Y3InIHx8IGNoYXIoMTMpIHx8ICdsZicgfHwgY2hhcigxMykgfHwgJycgfHwgY2hhcigxMCkgfHwgJ2VuZCc7Ci0tCmluc2VydCBp"
    "bnRvIGUgaSxyLHQsbixiLGQsZHQsZixibyx2IHZhbHVlcyAtOTIyMzM3MjAzNjg1NDc3NTgwOCwxRS0zMDAsJ2EnJ2IiYycsJzEy"
    "LjUnLFgnMDBGRicsJzIwMjQtMDItMjknLCcyMDI0LTAyLTI5IDEzOjA1OjA5JywxRSszMDAsVFJVRSwneCc7Cmluc2VydCBpbnRv"
    "IGUgaSxyLHQsbixiLGQsZHQsZixibyx2IHZhbHVlcyA5MjIzMzcyMDM2ODU0Nzc1ODA3LDAsJ2xpbmUxXG5saW5lMicsJzEwMDAw"
    "MDAwMDAwMDAwMDAwNTI1MDQ3NjAyNTUyMDQ0MjAyNDg3MDQ0Njg1ODExMDgxNTkxNTQ5MTU4NTQxMTU1MTE4MDI0NTc5ODg5MDgx"
    "OTU3ODYzNzEzNzUwODA0NDc4NjQwNDM3MDQ0NDM4MzI4ODM4NzgxNzY5NDI1MjMyMzUzNjA0MzA1NzU2NDQ3OTIxODQ3ODY3MDY5"
    "ODI4NDgzODcyMDA5MjY1NzU4MDM3Mzc4MzAyMzM3OTQ3ODgwOTAwNTkzNjg5NTMyMzQ5NzA3OTk5NDUwODExMTkwMzg5Njc2NDA4"
    "ODAwNzQ2NTI3NDI3ODAxNDI0OTQ1NzkyNTg3ODg4MjAwNTY4NDI4MzgxMTU2Njk0NzIxOTYzODY4NjU0NTk0MDA1NDAxNjAnLFgn"
    "JywnMDAwMC0wMC0wMCcsJ25vdCBhIGRhdGUnLCdJTkYnLEZBTFNFLCcnOwppbnNlcnQgaW50byBlIGkscix0LG4sYixkLGR0LGYs"
    "Ym8sdiB2YWx1ZXMgMCwyLCd4XG5nb1xueScsJ2FiYycsbnVsbCwnMjAyNC0xMy0wMScsJzE5OTktMTItMzEgMjM6NTk6NTknLCct"
    "SU5GJywnbWF5YmUnLG51bGw7Cmluc2VydCBpbnRvIGUgaSxyLHQsbixiLGQsZHQsZixibyx2IHZhbHVlcyBudWxsLDMsJ++7v2Jv"
    "bScsJzAnLFgnMjcnLCcxODk5LTEyLTMwJywnMjAyMC0wMS0wMSAwODowMDowMCcsMC4xLDIsJ+S4reaWhyc7Cmluc2VydCBpbnRv"
    "IGUgaSxyLHQsbixiLGQsZHQsZixibyx2IHZhbHVlcyAxLjUsMS4yMzQ1Njc4OTAxMjM0NkUrMTcsJ251bGwnLCcwLjMwMDAwMDAw"
    "MDAwMDAwMDA0JyxYJzc0NjU3ODc0JywnMTk3MC0wOC0yMycsJzIwMjMtMDItMjUnLCcxMmFiYycsVFJVRSwnY3JccmxmXHJcbmVu"
    "ZCc7Ci0tCmluc2VydCBpbnRvIGUgaSxyLHQsbixiLGQsZHQsZixibyx2IHZhbHVlcyAtOTIyMzM3MjAzNjg1NDc3NTgwOCwxRS0z"
    "MDAsJ2EnJ2IiYycsJzEyLjUnLCdceDAwRkYnLCcyMDI0LTAyLTI5JywnMjAyNC0wMi0yOSAxMzowNTowOScsMUUrMzAwLFRSVUUs"
    "J3gnOwppbnNlcnQgaW50byBlIGkscix0LG4sYixkLGR0LGYsYm8sdiB2YWx1ZXMgOTIyMzM3MjAzNjg1NDc3NTgwNywwLCdsaW5l"
    "MScgfHwgY2hyKDEwKSB8fCAnbGluZTInLCcxMDAwMDAwMDAwMDAwMDAwMDUyNTA0NzYwMjU1MjA0NDIwMjQ4NzA0NDY4NTgxMTA4"
    "MTU5MTU0OTE1ODU0MTE1NTExODAyNDU3OTg4OTA4MTk1Nzg2MzcxMzc1MDgwNDQ3ODY0MDQzNzA0NDQzODMyODgzODc4MTc2OTQy"
    "NTIzMjM1MzYwNDMwNTc1NjQ0NzkyMTg0Nzg2NzA2OTgyODQ4Mzg3MjAwOTI2NTc1ODAzNzM3ODMwMjMzNzk0Nzg4MDkwMDU5MzY4"
    "OTUzMjM0OTcwNzk5OTQ1MDgxMTE5MDM4OTY3NjQwODgwMDc0NjUyNzQyNzgwMTQyNDk0NTc5MjU4Nzg4ODIwMDU2ODQyODM4MTE1"
    "NjY5NDcyMTk2Mzg2ODY1NDU5NDAwNTQwMTYwJywnXHgnLCcwMDAwLTAwLTAwJywnbm90IGEgZGF0ZScsJ0lORicsRkFMU0UsJyc7"
    "Cmluc2VydCBpbnRvIGUgaSxyLHQsbixiLGQsZHQsZixibyx2IHZhbHVlcyAwLDIsJ3gnIHx8IGNocigxMCkgfHwgJ2dvJyB8fCBj"
    "aHIoMTApIHx8ICd5JywnYWJjJyxudWxsLCcyMDI0LTEzLTAxJywnMTk5OS0xMi0zMSAyMzo1OTo1OScsJy1JTkYnLCdtYXliZScs"
    "bnVsbDsKaW5zZXJ0IGludG8gZSBpLHIsdCxuLGIsZCxkdCxmLGJvLHYgdmFsdWVzIG51bGwsMywn77u/Ym9tJywnMCcsJ1x4Mjcn"
    "LCcxODk5LTEyLTMwJywnMjAyMC0wMS0wMSAwODowMDowMCcsMC4xLDIsJ+S4reaWhyc7Cmluc2VydCBpbnRvIGUgaSxyLHQsbixi"
    "LGQsZHQsZixibyx2IHZhbHVlcyAxLjUsMS4yMzQ1Njc4OTAxMjM0NkUrMTcsJ251bGwnLCcwLjMwMDAwMDAwMDAwMDAwMDA0Jywn"
    "XHg3NDY1Nzg3NCcsJzE5NzAtMDgtMjMnLCcyMDIzLTAyLTI1JywnMTJhYmMnLFRSVUUsJ2NyJyB8fCBjaHIoMTMpIHx8ICdsZicg"
    "fHwgY2hyKDEzKSB8fCAnJyB8fCBjaHIoMTApIHx8ICdlbmQnOw==";

QString Lines(TQuery& query, bool insertMode, LineFormat format, LiteralTarget target, bool onAThread) {
  RowRunOptions options;
  options.columnNames = true;
  options.insertMode = insertMode;
  options.insertInto = QStringLiteral("insert into e");
  options.values = QStringLiteral("values");
  options.row.lineFormat = format;
  options.row.target = target;
  CollectLines lines;
  query.First();
  const auto always = [](qint64) { return true; };
  if (onAThread) {
    ResultLines run(query, options, lines);
    query.RecordCount();
    run.Finish(always);
  } else {
    RenderRows(query, options, lines, always);
  }
  return lines.lines.join(QLatin1Char('\n'));
}

}  // namespace

TEST(PinnedLines, EdgeValuesAreWrittenAsEver) {
  TempDatabase db(QString::fromUtf8(kEdgeTable), QStringLiteral("PINNED"));
  Connected sqlite(db.Alias());
  const QStringList pinned = QString::fromUtf8(QByteArray::fromBase64(kPinned)).split(QLatin1Char('\n'));
  for (const bool onAThread : {false, true}) {
    TQuery& query = sqlite.Open(QStringLiteral("select * from e"));
    const auto lines = [&](bool insertMode, LineFormat format, LiteralTarget target) {
      return Lines(query, insertMode, format, target, onAThread);
    };
    const QString separator = QStringLiteral("\n--\n");
    const QString all = lines(false, LineFormat::AsIs, LiteralTarget::AsIs) + separator +
                        lines(false, LineFormat::Csv, LiteralTarget::AsIs) + separator +
                        lines(true, LineFormat::AsIs, LiteralTarget::AsIs) + separator +
                        lines(true, LineFormat::AsIs, LiteralTarget::StandardSql) + separator +
                        lines(true, LineFormat::AsIs, LiteralTarget::MySql) + separator +
                        lines(true, LineFormat::AsIs, LiteralTarget::PostgreSql);
    EXPECT_EQ(all.split(QLatin1Char('\n')), pinned) << (onAThread ? "on a thread" : "in place");
  }
}
