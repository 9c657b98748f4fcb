// An ODBC statement: its execution, its columns and the rows it reads ahead.
#include "database/odbc/odbc_backend.h"

#include "database/database.h"
#include "database/failure.h"
#include "database/mysql_values.h"
#include "database/odbc/iso_text.h"
#include "database/odbc/odbc_common.h"
#include "database/password_mask.h"
#include "database/server_text.h"
#include "database/statement_text.h"

#include <QRegularExpression>
#include <atomic>
#include <cstring>
#include <functional>
#include <optional>
#include <odbcinst.h>
#include <sql.h>
#include <sqlext.h>
#include <vector>

namespace {

// How a column's values are read from the driver.
enum class Fetch { Integer, Double, Money, Text, Binary, Date, Time, Timestamp, ServerDateText, MySqlText };

// psqlODBC turns dates it cannot put in the ODBC structures into other dates
// (-infinity becomes today, 5874897-12-31 a date in 5874, BC dates AD ones):
// from PostgreSQL dates and times are read as the server's text instead.
// The SQLite driver changes what a column of another declared type holds
// without a word when it converts ('0x1F' becomes 31, '-' null, a date
// '2024-13-45' null, a time 0.5 '05:00:00'): from SQLite numbers and dates
// are read as the text the file stores, which the program reads as the
// built-in path does.
Fetch FetchFor(TFieldType type, OdbcServer server) {
  if (server == OdbcServer::Postgres && (type == ftDate || type == ftTime || type == ftDateTime))
    return Fetch::ServerDateText;
  if (server == OdbcServer::Sqlite && type != ftBlob && type != ftFloat) return Fetch::Text;
  switch (type) {
    case ftSmallint:
    case ftWord:
    case ftInteger:
    case ftAutoInc: return Fetch::Integer;
    case ftFloat: return Fetch::Double;
    case ftCurrency: return Fetch::Money;
    case ftBlob: return Fetch::Binary;
    case ftDate: return Fetch::Date;
    case ftTime: return Fetch::Time;
    case ftDateTime: return Fetch::Timestamp;
    default: return Fetch::Text;
  }
}

// The MariaDB and MySQL drivers read unsigned integers as signed ones
// (2^64-1 becomes -1), a bit as a character, a time past a day as a failure
// of the whole run, a zero date as null, and floats through a double with
// 15 digits: those values are read as the server's text.
std::optional<MySqlRead> MySqlTextRead(int sqlType, const QString& typeName, bool isUnsigned) {
  if (typeName.compare(QLatin1String("year"), Qt::CaseInsensitive) == 0) return MySqlRead::ServerText;
  switch (sqlType) {
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
      if (isUnsigned) return MySqlRead::Unsigned;
      return std::nullopt;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE: return MySqlRead::ServerText;
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TYPE_TIMESTAMP: return MySqlRead::DateText;
    case SQL_BIT: return MySqlRead::Bit1;
    default: return std::nullopt;
  }
}

// Rows a reading thread stores at a time.
constexpr int kBlockRows = 2048;

class OdbcStatement : public BackendStatement {
public:
  OdbcStatement(SQLHSTMT stmt, QString secret, OdbcServer server, std::function<void()> beforeExecute,
                ConnectionReading& reading, OdbcCallsInFlight& calls)
      : stmt_(stmt),
        calls_(calls),
        secret_(std::move(secret)),
        server_(server),
        beforeExecute_(std::move(beforeExecute)),
        reading_(reading),
        rows_(reading, [this](RowStore& into, QString& failure) { return StoreNext(into, failure); }, kBlockRows,
              {.stop = [stmt] { SQLCancel(stmt); }, .sever = {}}) {}
  ~OdbcStatement() override {
    rows_.Restart();
    SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
  }

  QStringList ParameterNames() const override {
    SQLSMALLINT count = 0;
    if (!Ok(SQLNumParams(stmt_, &count))) return {};
    return QStringList(count, QString());
  }

  void Execute() override {
    reading_.Pause();
    rows_.Restart();
    SQLFreeStmt(stmt_, SQL_CLOSE);
    started_ = false;
    beforeExecute_();
    started_ = true;
    const InFlight inFlight(calls_, stmt_);
    if (inFlight.Cancelled()) throw EDatabaseError(QStringLiteral("查詢已停止"));
    const SQLRETURN rc = SQLExecute(stmt_);
    // A statement that affects no rows answers SQL_NO_DATA: no failure.
    if (!Ok(rc) && rc != SQL_NO_DATA) throw EDatabaseError(Diagnostics(SQL_HANDLE_STMT, stmt_, secret_));
    SQLSMALLINT count = 0;
    SQLNumResultCols(stmt_, &count);
    columns_.clear();
    fetch_.clear();
    mysqlRead_.clear();
    serverText_ = 0;
    for (SQLUSMALLINT i = 1; i <= count; ++i) Describe(i);
    rowsAffected_ = -1;
    if (count == 0) {
      SQLLEN n = -1;
      if (rc != SQL_NO_DATA && Ok(SQLRowCount(stmt_, &n))) rowsAffected_ = n;
      else if (rc == SQL_NO_DATA) rowsAffected_ = 0;
    }
  }

  const std::vector<ColumnDescription>& Columns() const override { return columns_; }

  bool FetchRow(RowStore& into) override { return rows_.FetchRow(into, columns_.size()); }
  // Many rows are read by a thread while the program works on those it has.
  qint64 FetchRows(RowStore& into, qint64 atMost) override { return rows_.FetchRows(into, atMost, columns_.size()); }

  qint64 RowsAffected() const override { return rowsAffected_; }
  qint64 UnrepresentableValues() const override { return unrepresentable_; }
  qint64 ServerTextValues() const override { return serverText_; }
  bool RowsReady() const override { return rows_.RowsReady(); }
  bool Started() const override { return started_; }
  void EndResult() override {
    rows_.Restart();
    SQLFreeStmt(stmt_, SQL_CLOSE);
  }

private:
  // The next row from the driver; on the reading thread or on the spot.
  RowsAhead::Stored StoreNext(RowStore& into, QString& failure) {
    try {
      const InFlight inFlight(calls_, stmt_);
      if (inFlight.Cancelled()) throw EDatabaseError(QStringLiteral("查詢已停止"));
      const SQLRETURN rc = SQLFetch(stmt_);
      if (rc == SQL_NO_DATA) return RowsAhead::Stored::End;
      if (!Ok(rc)) throw EDatabaseError(Diagnostics(SQL_HANDLE_STMT, stmt_, secret_));
      for (SQLUSMALLINT i = 1; i <= columns_.size(); ++i) ReadValue(i, into);
      into.EndRow();
      return RowsAhead::Stored::Row;
    } catch (const EDatabaseError& e) {
      failure = e.Message();
      return RowsAhead::Stored::Failed;
    }
  }

  void Describe(SQLUSMALLINT i) {
    SQLWCHAR name[512];
    SQLSMALLINT nameLength = 0, sqlType = 0, decimals = 0, nullable = 0;
    SQLULEN columnSize = 0;
    SQLDescribeColW(stmt_, i, name, 512, &nameLength, &sqlType, &columnSize, &decimals, &nullable);
    SQLWCHAR typeName[256] = {0};
    SQLSMALLINT typeNameLength = 0;
    SQLColAttributeW(stmt_, i, SQL_DESC_TYPE_NAME, typeName, sizeof typeName, &typeNameLength, nullptr);
    SQLLEN isUnsigned = SQL_FALSE, autoUnique = SQL_FALSE;
    SQLColAttributeW(stmt_, i, SQL_DESC_UNSIGNED, nullptr, 0, nullptr, &isUnsigned);
    SQLColAttributeW(stmt_, i, SQL_DESC_AUTO_UNIQUE_VALUE, nullptr, 0, nullptr, &autoUnique);
    ColumnDescription c;
    c.name = FromWide(name, std::min<SQLSMALLINT>(nameLength, 511));
    c.type = OdbcFieldType(sqlType, static_cast<qint64>(columnSize), FromWide(typeName), isUnsigned == SQL_TRUE,
                           autoUnique == SQL_TRUE, c.size);
    columns_.push_back(c);
    const auto mysql = server_ == OdbcServer::MySql
                           ? MySqlTextRead(sqlType, FromWide(typeName), isUnsigned == SQL_TRUE)
                           : std::nullopt;
    fetch_.push_back(mysql ? Fetch::MySqlText : FetchFor(c.type, server_));
    mysqlRead_.push_back(mysql.value_or(MySqlRead::Text));
  }

  // Reads a value in chunks of any length; false for NULL.
  bool ReadChunks(SQLUSMALLINT column, SQLSMALLINT cType, QByteArray& out) {
    out.clear();
    const int terminator = cType == SQL_C_WCHAR ? 2 : (cType == SQL_C_CHAR ? 1 : 0);
    char buffer[8192];
    for (;;) {
      SQLLEN indicator = 0;
      const SQLRETURN rc = SQLGetData(stmt_, column, cType, buffer, sizeof buffer, &indicator);
      if (rc == SQL_NO_DATA) return true;
      if (!Ok(rc)) throw EDatabaseError(Diagnostics(SQL_HANDLE_STMT, stmt_, secret_));
      if (indicator == SQL_NULL_DATA) return false;
      const qsizetype usable = static_cast<qsizetype>(sizeof buffer) - terminator;
      if (indicator == SQL_NO_TOTAL || indicator > usable) {
        out.append(buffer, usable);  // truncated: more follows
        if (rc == SQL_SUCCESS) return true;
      } else {
        out.append(buffer, indicator);
        return true;
      }
    }
  }

  void ReadValue(SQLUSMALLINT column, RowStore& into) {
    SQLLEN indicator = 0;
    switch (fetch_[column - 1]) {
      case Fetch::Integer: {
        SQLBIGINT v = 0;
        Check(SQLGetData(stmt_, column, SQL_C_SBIGINT, &v, 0, &indicator));
        if (indicator == SQL_NULL_DATA) return into.AddNull();
        return into.AddInteger(v);
      }
      case Fetch::Double: {
        double v = 0;
        Check(SQLGetData(stmt_, column, SQL_C_DOUBLE, &v, 0, &indicator));
        if (indicator == SQL_NULL_DATA) return into.AddNull();
        return into.AddFloat(v);
      }
      case Fetch::Date:
      case Fetch::Time:
      case Fetch::Timestamp: return ReadDateTime(column, into);
      case Fetch::ServerDateText: {
        // A date's text is short and plain ASCII: one read into a small
        // buffer, no conversion.
        QByteArray text;
        if (!ReadChunks(column, SQL_C_CHAR, text)) return into.AddNull();
        switch (NormalizeServerDateText(text)) {
          case ServerDate::Representable:
          case ServerDate::EngineText: return into.AddText(text.constData(), static_cast<std::size_t>(text.size()));
          case ServerDate::Unrepresentable: ++unrepresentable_; return into.AddNull();
        }
        return into.AddNull();
      }
      case Fetch::MySqlText: return ReadMySqlText(column, into);
      case Fetch::Binary: {
        QByteArray bytes;
        if (!ReadChunks(column, SQL_C_BINARY, bytes)) return into.AddNull();
        return into.AddBlob(bytes.constData(), static_cast<std::size_t>(bytes.size()));
      }
      case Fetch::Money:
      case Fetch::Text: {
        QByteArray wide;
        if (!ReadChunks(column, SQL_C_WCHAR, wide)) return into.AddNull();
        // As the driver gave it: fromUtf16 would drop a leading U+FEFF.
        const QString text(reinterpret_cast<const QChar*>(wide.constData()), wide.size() / 2);
        double money = 0;
        if (fetch_[column - 1] == Fetch::Money && ParseMoneyText(text, money)) return into.AddFloat(money);
        const QByteArray utf8 = text.toUtf8();
        return into.AddText(utf8.constData(), static_cast<std::size_t>(utf8.size()));
      }
    }
  }

  void ReadMySqlText(SQLUSMALLINT column, RowStore& into) {
    const MySqlRead read = mysqlRead_[column - 1];
    if (read == MySqlRead::Bit1) {
      unsigned char bit = 0;
      SQLLEN indicator = 0;
      Check(SQLGetData(stmt_, column, SQL_C_BIT, &bit, sizeof bit, &indicator));
      if (indicator == SQL_NULL_DATA) return into.AddNull();
      return into.AddText(bit ? "1" : "0", 1);
    }
    QByteArray text;  // digits, dates and times: plain ASCII
    if (!ReadChunks(column, SQL_C_CHAR, text)) return into.AddNull();
    qint64 serverText = 0;
    StoreMySqlValue(read, text.constData(), static_cast<std::size_t>(text.size()), into, serverText);
    serverText_ += serverText;
  }

  void ReadDateTime(SQLUSMALLINT column, RowStore& into) {
    SQL_TIMESTAMP_STRUCT ts{};
    SQLLEN indicator = 0;
    char text[40];
    int n = 0;
    switch (fetch_[column - 1]) {
      case Fetch::Date: {
        SQL_DATE_STRUCT d{};
        Check(SQLGetData(stmt_, column, SQL_C_TYPE_DATE, &d, sizeof d, &indicator));
        if (indicator == SQL_NULL_DATA) return into.AddNull();
        n = IsoDateText(text, d.year, d.month, d.day);
        break;
      }
      case Fetch::Time: {
        SQL_TIME_STRUCT t{};
        Check(SQLGetData(stmt_, column, SQL_C_TYPE_TIME, &t, sizeof t, &indicator));
        if (indicator == SQL_NULL_DATA) return into.AddNull();
        n = IsoTimeText(text, t.hour, t.minute, t.second);
        break;
      }
      default:
        Check(SQLGetData(stmt_, column, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &indicator));
        if (indicator == SQL_NULL_DATA) return into.AddNull();
        n = IsoTimestampText(text, ts.year, ts.month, ts.day, ts.hour, ts.minute, ts.second, ts.fraction / 1000000);
        break;
    }
    into.AddText(text, static_cast<std::size_t>(n));
  }

  void Check(SQLRETURN rc) {
    if (!Ok(rc)) throw EDatabaseError(Diagnostics(SQL_HANDLE_STMT, stmt_, secret_));
  }

  SQLHSTMT stmt_;
  OdbcCallsInFlight& calls_;
  QString secret_;
  OdbcServer server_;
  std::atomic<qint64> unrepresentable_ = 0;  // counted on the reading thread too
  std::atomic<qint64> serverText_ = 0;
  std::function<void()> beforeExecute_;
  ConnectionReading& reading_;
  std::vector<ColumnDescription> columns_;
  std::vector<Fetch> fetch_;
  std::vector<MySqlRead> mysqlRead_;
  qint64 rowsAffected_ = -1;
  bool started_ = false;
  RowsAhead rows_;
};

}  // namespace

std::unique_ptr<BackendStatement> MakeOdbcStatement(void* stmt, const QString& secret, OdbcServer server,
                                                    std::function<void()> beforeExecute, ConnectionReading& reading,
                                                    OdbcCallsInFlight& calls) {
  return std::make_unique<OdbcStatement>(static_cast<SQLHSTMT>(stmt), secret, server, std::move(beforeExecute),
                                         reading, calls);
}
