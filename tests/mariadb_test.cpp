// A real MariaDB server (started by ./dev test) through the window: its
// values as the server writes them, on the native path and through the
// MariaDB ODBC driver alike; read-only runs that cannot write; the connected
// database's own tables; a connection the server ended.
#include "controls/text_pane.h"
#include "database/database.h"
#include "database/field.h"
#include "database/mariadb/mariadb_settings.h"
#include "database/query.h"
#include "xls/query_xls.h"
#include "support/connected.h"
#include "support/files.h"
#include "support/modal.h"
#include "support/services.h"
#include "support/window_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

class MdbWindow : public WindowTest {
protected:
  void SetUp() override {
    if (!MariaDbRunning()) GTEST_SKIP() << "needs the MariaDB server of ./dev test";
    WindowTest::SetUp();
    W().Database1->SetLoginPrompt(false);
    W().chbShowMemo->setChecked(false);
    W().Delimiter->setText(QStringLiteral("|"));
  }
  void Use(const char* alias) {
    ModalAnswerer answerer;
    UseDatabase(QLatin1String(alias));
  }
  // The lines of a delimited run without field names; the messages shown
  // in `said`.
  QStringList Lines(const QString& statement, QStringList& said) {
    W().ChBColName->setChecked(false);
    W().ButtonClearResult->click();
    said = RunShowing(statement);
    return OutputLines();
  }
  // The same for a run that shows no message.
  QStringList Lines(const QString& statement) {
    QStringList said;
    const QStringList lines = Lines(statement, said);
    EXPECT_TRUE(said.isEmpty()) << said.join(QLatin1Char('\n')).toStdString();
    return lines;
  }
  // A run that gets nowhere, with one message that says `why`.
  void ExpectRefused(const QString& statement, const char* why) {
    W().ButtonClearResult->click();
    const QStringList said = RunShowing(statement);
    EXPECT_TRUE(said.size() == 1 && said.first().contains(QString::fromUtf8(why)))
        << statement.toStdString() << ": " << said.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(OutputLines().isEmpty()) << statement.toStdString();
  }
};

const QString kTypes = QStringLiteral("select * from mdb_types order by id");

void CreateTypeTable() {
  MdbExec({QStringLiteral("drop table if exists mdb_types"),
           QStringLiteral("create table mdb_types (id int primary key, biu bigint unsigned, bi bigint,"
                          " iu int unsigned, tiu tinyint unsigned, f float, d double, de decimal(30,10), b1 bit(1),"
                          " b9 bit(9), tm time(1), dt date, dtt datetime, y year, vc varchar(20), vb varbinary(4))"),
           QStringLiteral("insert into mdb_types values"
                          " (1, 18446744073709551615, -9223372036854775808, 4294967295, 255, 3.14,"
                          "  1.7976931348623157e308, 12345678901234567890.0123456789, b'1', b'100000001', '838:59:59',"
                          "  '2024-02-29', '2024-01-31 23:59:59', 2024, 'abc', x'00ff'),"
                          " (2, 9223372036854775808, 9223372036854775807, 0, 0, -0.5, 5e-324, -0.0000000001, b'0',"
                          "  b'0', '-12:34:56', '0000-00-00', '0000-00-00 00:00:00', 0, '', x''),"
                          " (3, null, null, null, null, null, null, null, null, null, null, null, null, null, null, null),"
                          " (4, 1, -1, 1, 1, 1e-30, 0.1, 0, b'1', b'1', '24:00:00', '2024-00-00', '2024-00-00 10:00:00',"
                          "  1901, 'x''y\\\\z', x'41')")});
}

std::string Joined(const QStringList& lines) { return lines.join(QLatin1Char('\n')).toStdString(); }

// What the program writes where it keeps the server's text, from the
// server's own client: the unsigned and float columns, the times (quoted,
// as every time is) and the years.
void ExpectServerText(const QStringList& window, const QStringList& client) {
  ASSERT_EQ(window.size(), client.size());
  for (qsizetype row = 0; row < window.size(); ++row) {
    const QStringList ours = window[row].split(QLatin1Char('|'));
    const QStringList theirs = client[row].split(QLatin1Char('\t'));
    ASSERT_EQ(ours.size(), 16) << window[row].toStdString();
    for (int column : {1, 2, 3, 4, 5, 6, 10, 13}) {
      QString expected = theirs[column] == QLatin1String("NULL") ? QStringLiteral("null") : theirs[column];
      if (column == 10 && expected != QLatin1String("null")) expected = QLatin1Char('\'') + expected + QLatin1Char('\'');
      EXPECT_EQ(ours[column].toStdString(), expected.toStdString()) << "row " << row + 1 << " column " << column;
    }
  }
}

}  // namespace

TEST_F(MdbWindow, TheTypeTableIsTheServersOwnOnBothPaths) {
  CreateTypeTable();
  const QStringList client = MdbClientLines(kTypes);
  const QStringList expected = {
      QStringLiteral("1|18446744073709551615|-9223372036854775808|4294967295|255|3.14|1.7976931348623157e308|"
                     "'12345678901234567890.0123456789'|1|0x0101|'838:59:59.0'|'2024/02/29'|'2024/01/31 23:59:59'|2024|"
                     "'abc'|0x00FF"),
      QStringLiteral("2|9223372036854775808|9223372036854775807|0|0|-0.5|5e-324|'-0.0000000001'|0|0x0000|'-12:34:56.0'|"
                     "'0000-00-00'|'0000-00-00 00:00:00'|0000|''|0x"),
      QStringLiteral("3|null|null|null|null|null|null|null|null|null|null|null|null|null|null|null"),
      QStringLiteral("4|1|-1|1|1|1e-30|0.1|'0'|1|0x0001|'24:00:00.0'|'2024-00-00'|'2024-00-00 10:00:00'|1901|"
                     "\"x'y\\z\"|0x41")};

  // Seven of the values are no date or time of the program: kept as the
  // server's text, and counted in one message.
  const QString counted = QStringLiteral("有 7 個日期或時間不是程式能表示的日期或時間");
  QStringList said;
  Use("Q2T_MDB");
  const QStringList native = Lines(kTypes, said);
  EXPECT_EQ(Joined(native), Joined(expected));
  EXPECT_TRUE(said.size() == 1 && said.first().contains(counted)) << said.join(QLatin1Char('\n')).toStdString();
  ExpectServerText(native, client);
  std::vector<TFieldType> nativeTypes;
  for (int i = 0; i < W().Query1->FieldCount(); ++i) nativeTypes.push_back(W().Query1->Fields(i)->DataType());
  EXPECT_EQ(nativeTypes, (std::vector<TFieldType>{ftInteger, ftInteger, ftInteger, ftInteger, ftWord, ftFloat, ftFloat,
                                                  ftBCD, ftBoolean, ftBlob, ftTime, ftDate, ftDateTime, ftWord,
                                                  ftString, ftBlob}));

  // The field browser shows the same fields either way.
  MdbExec({QStringLiteral("create or replace view mdb_types_view as select * from mdb_types")});
  auto browsed = [this] {
    ModalAnswerer answerer;
    W().FormShow(&W());
    W().CmbTables->setEditText(QStringLiteral("mdb_types_view"));
    W().CmbTablesEnter(W().CmbTables);
    EXPECT_TRUE(answerer.Texts().isEmpty()) << Joined(answerer.Texts());
    return W().MemoFields->toPlainText();
  };
  const QString nativeFields = browsed();
  EXPECT_EQ(W().LabelRecCnt->text(), QStringLiteral("4"));

  // The driver's data source: the same values, the same field types.
  Use("Q2T_MDB_ODBC");
  EXPECT_EQ(browsed().toStdString(), nativeFields.toStdString());
  const QStringList odbc = Lines(kTypes, said);
  EXPECT_EQ(Joined(odbc), Joined(expected));
  EXPECT_TRUE(said.size() == 1 && said.first().contains(counted)) << said.join(QLatin1Char('\n')).toStdString();
  for (int i = 0; i < W().Query1->FieldCount(); ++i)
    EXPECT_EQ(W().Query1->Fields(i)->DataType(), nativeTypes[static_cast<std::size_t>(i)]) << "column " << i;
}

TEST_F(MdbWindow, ReadOnlyRunsCannotWriteAnything) {
  MdbExec({QStringLiteral("drop table if exists mdb_log"), QStringLiteral("create table mdb_log (n int)"),
           QStringLiteral("drop function if exists mdb_write")});
  // A body of statements is the server's client's to send: the program
  // runs one statement at a time.
  MdbClientLines(QStringLiteral("delimiter //\ncreate function mdb_write() returns int modifies sql data"
                                " begin insert into mdb_log values (1); return 1; end//"));
  const QString outfile = QDir(qEnvironmentVariable("Q2T_MDB_FILES")).filePath(QStringLiteral("out.txt"));
  for (const char* alias : {"Q2T_MDB", "Q2T_MDB_ODBC"}) {
    SCOPED_TRACE(alias);
    Use(alias);
    EXPECT_EQ(Lines(QStringLiteral("select @@tx_read_only")), QStringList{QStringLiteral("1")});
    // The server refuses what writes.
    ExpectRefused(QStringLiteral("select mdb_write()"), "READ ONLY");
    ExpectRefused(QStringLiteral("select 1 from dual where mdb_write() = 1"), "READ ONLY");
    // What a read-only transaction would let through is refused before
    // anything runs.
    ExpectRefused(QStringLiteral("select 1 into outfile '%1'").arg(outfile), "OUTFILE");
    ExpectRefused(QStringLiteral("select 1 /*!INTO*/ dumpfile '%1'").arg(outfile), "DUMPFILE");
    ExpectRefused(QStringLiteral("select * from mdb_log for update"), "FOR UPDATE");
    ExpectRefused(QStringLiteral("select * from mdb_log lock in share mode"), "FOR UPDATE");
    // The server's own comment rules: code in /*! */, "--1" no comment.
    ExpectRefused(QStringLiteral("select 1 /*! ; delete from mdb_log */"), "一次只能執行一個");
    ExpectRefused(QStringLiteral("select 1 --1;\ndelete from mdb_log"), "一次只能執行一個");
    EXPECT_EQ(Lines(QStringLiteral("select 2 # ; delete from mdb_log")), QStringList{QStringLiteral("2")});
    EXPECT_EQ(Joined(Lines(QStringLiteral("select 'for update', `into` from (select 1 as `into`) t"))),
              "'for update'|1");
  }
  EXPECT_FALSE(QFile::exists(outfile));
  EXPECT_EQ(MdbClientLines(QStringLiteral("select count(*) from mdb_log")), QStringList{QStringLiteral("0")});
}

TEST_F(MdbWindow, TheTablesAreTheDatabasesOwnAndOddNamesAreQuoted) {
  MdbExec({QStringLiteral("drop table if exists `order items ``q' 中文`"),
           QStringLiteral("create table `order items ``q' 中文` (id int, `the name` varchar(10))"),
           QStringLiteral("insert into `order items ``q' 中文` values (1, 'one'), (2, 'two')"),
           QStringLiteral("create or replace view mdb_view as select 1 as v")});
  Use("Q2T_MDB");
  QStringList tables;
  for (int i = 0; i < W().CmbTables->count(); ++i) tables << W().CmbTables->itemText(i);
  EXPECT_TRUE(tables.contains(QStringLiteral("mdb_view"))) << tables.join(QLatin1Char(',')).toStdString();
  EXPECT_TRUE(tables.filter(QStringLiteral("order items")).size() == 1) << tables.join(QLatin1Char(',')).toStdString();
  auto ownOnly = [](const QStringList& names) {
    for (const QString& name : names) {
      EXPECT_FALSE(name.contains(QLatin1String("global_status"))) << "another database's table: " << name.toStdString();
      EXPECT_FALSE(name == QLatin1String("user")) << "the mysql database's table";
    }
  };
  ownOnly(tables);
  {
    // Through the driver too (which lists every database's tables unless
    // asked for one).
    ModalAnswerer answerer;
    UseDatabase(QStringLiteral("Q2T_MDB_ODBC"));
    QStringList viaDriver;
    for (int i = 0; i < W().CmbTables->count(); ++i) viaDriver << W().CmbTables->itemText(i);
    ownOnly(viaDriver);
    EXPECT_TRUE(viaDriver.filter(QStringLiteral("order items")).size() == 1) << Joined(viaDriver);
    EXPECT_TRUE(answerer.Texts().isEmpty()) << Joined(answerer.Texts());
    UseDatabase(QStringLiteral("Q2T_MDB"));
  }
  // Browsing the odd table: its fields and its count, without a message.
  const int at = static_cast<int>(tables.indexOf(tables.filter(QStringLiteral("order items")).first()));
  {
    ModalAnswerer answerer;
    W().CmbTables->setCurrentIndex(at);
    W().CmbTablesEnter(W().CmbTables);
    QApplication::processEvents();
    EXPECT_TRUE(answerer.Texts().isEmpty()) << answerer.Texts().join(QLatin1Char('\n')).toStdString();
  }
  EXPECT_EQ(W().LabelFieldCnt->text(), QStringLiteral("2"));
  EXPECT_EQ(W().LabelRecCnt->text(), QStringLiteral("2"));
  // An insert script names it as the server reads it.
  W().Delimiter->setText(QStringLiteral(","));
  W().ChBEachRow->setChecked(true);
  W().ChBColName->setChecked(true);
  W().ButtonClearResult->click();
  const QStringList said = RunShowing(QStringLiteral("select * from `order items ``q' 中文` order by id"));
  EXPECT_TRUE(said.isEmpty()) << said.join(QLatin1Char('\n')).toStdString();
  const QString script = W().MemoOutput->toPlainText();
  EXPECT_TRUE(script.contains(QStringLiteral("`order items ``q' 中文`"))) << script.toStdString();
  EXPECT_TRUE(script.contains(QStringLiteral("`the name`"))) << script.toStdString();
}

TEST_F(MdbWindow, AConnectionTheServerEndedIsMadeAgainAtTheNextRun) {
  for (const char* alias : {"Q2T_MDB", "Q2T_MDB_ODBC"}) {
    SCOPED_TRACE(alias);
    Use(alias);
    const QStringList first = Lines(QStringLiteral("select connection_id()"));
    ASSERT_EQ(first.size(), 1);
    // What a restart does to the window's connection: the server closes it.
    MdbExec({QStringLiteral("kill connection %1").arg(first.first())});
    QTest::qWait(100);
    const QStringList second = Lines(QStringLiteral("select connection_id()"));
    ASSERT_EQ(second.size(), 1);
    EXPECT_NE(second.first(), first.first());
    // And after the new connection, the session is read-only again.
    EXPECT_EQ(Lines(QStringLiteral("select @@tx_read_only")), QStringList{QStringLiteral("1")});
  }
}

// A value of megabytes (9 MB of UTF-8, a 4 MB blob) arrives whole.
TEST_F(MdbWindow, LongValuesArriveWhole) {
  Use("Q2T_MDB");
  const QStringList lines = Lines(QStringLiteral("select repeat('中', 3000000) as t, length(repeat(x'00ff', 2000000)) as n,"
                                                 " repeat(x'00ff', 2000000) as b"));
  ASSERT_EQ(lines.size(), 1);
  const QStringList values = lines.first().split(QLatin1Char('|'));
  ASSERT_EQ(values.size(), 3);
  EXPECT_EQ(values[0], QLatin1Char('\'') + QString(3000000, QChar(0x4E2D)) + QLatin1Char('\''));
  EXPECT_EQ(values[1], QStringLiteral("4000000"));
  EXPECT_EQ(values[2].size(), 2 + 8000000);
  EXPECT_TRUE(values[2].startsWith(QStringLiteral("0x00FF00FF")));
}

// A result shown in the grid only streams as the grid scrolls; browsing a
// table then ends it at the server at once, rather than reading the rest.
TEST_F(MdbWindow, ABrowseEndsAStreamingResultAtOnce) {
  MdbExec({QStringLiteral("create table if not exists mdb_small (n int)")});
  Use("Q2T_MDB");
  W().chbShowMemo->setChecked(true);
  QStringList said = RunShowing(QStringLiteral("select a.seq, b.seq from seq_1_to_100000 a, seq_1_to_1000 b"));
  EXPECT_TRUE(said.isEmpty()) << Joined(said);
  ASSERT_TRUE(W().Query1->Active());
  QElapsedTimer timer;
  timer.start();
  {
    ModalAnswerer answerer;
    W().CmbTables->setEditText(QStringLiteral("mdb_small"));
    W().CmbTablesEnter(W().CmbTables);
    said = answerer.Texts();
  }
  EXPECT_LT(timer.elapsed(), 3000) << "the rest of the result was read";
  EXPECT_TRUE(said.isEmpty()) << Joined(said);
  EXPECT_EQ(W().LabelFieldCnt->text(), QStringLiteral("1"));
  W().chbShowMemo->setChecked(false);
  EXPECT_EQ(Lines(QStringLiteral("select 5")), QStringList{QStringLiteral("5")});
}

TEST_F(MdbWindow, AWrongPasswordSaysSoWithoutThePassword) {
  TDatabase database;
  database.SetDatabaseName(QStringLiteral("MDB_LOGIN"));
  database.SetDriverName(QStringLiteral("MariaDB Unicode"));
  database.SetLoginPrompt(false);
  database.Params().SetValue(kParamServerName,
                             QStringLiteral("127.0.0.1:%1/q2t_test").arg(qEnvironmentVariable("Q2T_MDB_PORT")));
  database.Params().SetValue(kParamUserName, QStringLiteral("q2t"));
  database.Params().SetValue(kParamPassword, QStringLiteral("wrong-secret-1234"));
  try {
    database.SetConnected(true);
    ADD_FAILURE() << "connected with a wrong password";
  } catch (const EDatabaseError& e) {
    EXPECT_TRUE(e.Message().contains(QLatin1String("Access denied"))) << e.Message().toStdString();
    EXPECT_FALSE(e.Message().contains(QLatin1String("wrong-secret-1234")));
  }
  database.Params().SetValue(kParamPassword, QStringLiteral("q2t-secret"));
  database.Params().SetValue(kParamServerName,
                             QStringLiteral("127.0.0.1:%1/no_such_db").arg(qEnvironmentVariable("Q2T_MDB_PORT")));
  try {
    database.SetConnected(true);
    ADD_FAILURE() << "connected to a database that does not exist";
  } catch (const EDatabaseError& e) {
    EXPECT_TRUE(e.Message().contains(QLatin1String("no_such_db"))) << e.Message().toStdString();
  }
}

// Which data sources go native: those of the MariaDB or MySQL driver that
// set nothing Connector/C would not honour the same way.
TEST_F(MdbWindow, OnlyDataSourcesReadTheSameWayGoNative) {
  const auto native = MariaDbSettingsOfDataSource(QStringLiteral("Q2T_MDB"), QString(), QString());
  ASSERT_TRUE(native.has_value());
  EXPECT_EQ(native->host + QLatin1Char('|') + native->port + QLatin1Char('|') + native->database + QLatin1Char('|') +
                native->user + QLatin1Char('|') + native->password,
            QStringLiteral("127.0.0.1|%1|q2t_test|q2t|q2t-secret").arg(qEnvironmentVariable("Q2T_MDB_PORT")));
  EXPECT_FALSE(MariaDbSettingsOfDataSource(QStringLiteral("Q2T_MDB_ODBC"), QString(), QString()))
      << "Query2TextNative = No keeps the driver";
  EXPECT_FALSE(MariaDbSettingsOfDataSource(QStringLiteral("Q2T_MDB_INIT"), QString(), QString()))
      << "a statement at connect is the driver's to run";
  EXPECT_FALSE(MariaDbSettingsOfDataSource(QStringLiteral("Q2T_PG"), QString(), QString()));
  // That one reads through the driver, which runs its statement.
  Use("Q2T_MDB_INIT");
  EXPECT_EQ(Lines(QStringLiteral("select @q2t_init")), QStringList{QStringLiteral("7")});
  QMap<QString, QString> params;
  params.insert(QStringLiteral("SERVER NAME"), QStringLiteral("db.example:3307/orders"));
  params.insert(QStringLiteral("USER NAME"), QStringLiteral("clerk"));
  const auto managed = MariaDbSettingsOfDriver(QStringLiteral("MariaDB Unicode"), params);
  ASSERT_TRUE(managed.has_value());
  EXPECT_EQ(managed->host + QLatin1Char('|') + managed->port + QLatin1Char('|') + managed->database,
            QStringLiteral("db.example|3307|orders"));
  EXPECT_FALSE(MariaDbSettingsOfDriver(QStringLiteral("PostgreSQL Unicode"), params));
}

// The XLS save keeps a server's numbers whole: those a double would change
// (2^64-1, a decimal of 30 digits, -2^63) are labels of their text, counted.
TEST_F(MdbWindow, TheXlsSaveKeepsTheServersNumbersWhole) {
  CreateTypeTable();
  Connected maria(QStringLiteral("Q2T_MDB"));
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("numbers.xls"));
  const XlsSaveResult result = WriteQueryXls(maria.Open(QStringLiteral("select biu, de, bi, iu, d from mdb_types where id = 1")),
                                             file, [](const TQuery&) { return QString(); });
  EXPECT_EQ(result.numbersAsText, 3);
  const QByteArray bytes = ReadAll(file);
  for (const char* text : {"18446744073709551615", "12345678901234567890.0123456789", "-9223372036854775808"})
    EXPECT_TRUE(bytes.contains(text)) << text;
}
