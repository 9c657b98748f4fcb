#include "database/odbc/odbc_backend.h"

#include "database/database.h"
#include "database/failure.h"
#include "database/odbc/iso_text.h"
#include "database/password_mask.h"
#include "database/server_text.h"
#include "database/statement_text.h"

#include <QRegularExpression>
#include <atomic>
#include <cstring>
#include <functional>
#include <odbcinst.h>
#include <sql.h>
#include <sqlext.h>
#include <vector>

namespace {

SQLHENV Environment() {
  static SQLHENV env = [] {
    SQLHENV e = SQL_NULL_HENV;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &e);
    SQLSetEnvAttr(e, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    return e;
  }();
  return env;
}

QString FromWide(const SQLWCHAR* text, qsizetype length = -1) {
  if (length < 0) {
    length = 0;
    while (text[length]) ++length;
  }
  return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), length);
}

std::vector<SQLWCHAR> ToWide(const QString& text) {
  std::vector<SQLWCHAR> wide(static_cast<std::size_t>(text.size()) + 1, 0);
  std::memcpy(wide.data(), text.utf16(), static_cast<std::size_t>(text.size()) * sizeof(SQLWCHAR));
  return wide;
}

// The driver's messages for a handle, the secret masked.
QString Diagnostics(SQLSMALLINT type, SQLHANDLE handle, const QString& secret) {
  QStringList messages;
  SQLWCHAR state[6], text[1024];
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  for (SQLSMALLINT i = 1; SQLGetDiagRecW(type, handle, i, state, &native, text, 1024, &length) == SQL_SUCCESS; ++i)
    messages << FromWide(text, std::min<SQLSMALLINT>(length, 1023));
  const QString message =
      MaskPassword(messages.isEmpty() ? QStringLiteral("ODBC 錯誤") : messages.join(QLatin1Char('\n')), secret);
  return message.contains(QLatin1String("database is locked")) ? DatabaseLockedMessage(message) : message;
}

bool Ok(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

QString Braced(const QString& value) {
  if (!value.contains(QRegularExpression(QStringLiteral("[;{}=\\s]")))) return value;
  QString v = value;
  v.replace(QLatin1Char('}'), QStringLiteral("}}"));
  return QLatin1Char('{') + v + QLatin1Char('}');
}

void AddAttribute(QString& text, const char* name, const QString& value) {
  if (!value.isEmpty()) text += QLatin1String(name) + QLatin1Char('=') + Braced(value) + QLatin1Char(';');
}

// How a column's values are read from the driver.
enum class Fetch { Integer, Double, Money, Text, Binary, Date, Time, Timestamp, ServerDateText };

// psqlODBC turns dates it cannot put in the ODBC structures into other dates
// (-infinity becomes today, 5874897-12-31 a date in 5874, BC dates AD ones):
// from PostgreSQL dates and times are read as the server's text instead.
// The SQLite driver changes what a column of another declared type holds
// without a word when it converts ('0x1F' becomes 31, '-' null, a date
// '2024-13-45' null, a time 0.5 '05:00:00'): from SQLite numbers and dates
// are read as the text the file stores, which the program reads as the
// built-in path does.
Fetch FetchFor(TFieldType type, bool postgres, bool sqlite) {
  if (postgres && (type == ftDate || type == ftTime || type == ftDateTime)) return Fetch::ServerDateText;
  if (sqlite && type != ftBlob && type != ftFloat) return Fetch::Text;
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

// Rows a reading thread stores at a time.
constexpr int kBlockRows = 2048;

// Marks a driver call on a statement, for OdbcConnection::Cancel.
class InFlight {
public:
  InFlight(OdbcCallsInFlight& calls, SQLHSTMT statement) : calls_(calls) {
    std::lock_guard lock(calls_.mutex);
    calls_.statement = statement;
  }
  ~InFlight() {
    std::lock_guard lock(calls_.mutex);
    calls_.statement = nullptr;
  }
  bool Cancelled() const { return calls_.cancelled; }

private:
  OdbcCallsInFlight& calls_;
};

class OdbcStatement : public BackendStatement {
public:
  OdbcStatement(SQLHSTMT stmt, QString secret, bool postgres, bool sqlite, std::function<void()> beforeExecute,
                ConnectionReading& reading, OdbcCallsInFlight& calls)
      : stmt_(stmt),
        calls_(calls),
        secret_(std::move(secret)),
        postgres_(postgres),
        sqlite_(sqlite),
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
    fetch_.push_back(FetchFor(c.type, postgres_, sqlite_));
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
  bool postgres_;
  bool sqlite_;
  std::atomic<qint64> unrepresentable_ = 0;  // counted on the reading thread too
  std::function<void()> beforeExecute_;
  ConnectionReading& reading_;
  std::vector<ColumnDescription> columns_;
  std::vector<Fetch> fetch_;
  qint64 rowsAffected_ = -1;
  bool started_ = false;
  RowsAhead rows_;
};

}  // namespace

QStringList OdbcDataSources() {
  QStringList names;
  SQLWCHAR name[SQL_MAX_DSN_LENGTH + 1], description[512];
  SQLSMALLINT nameLength = 0, descriptionLength = 0;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  while (Ok(SQLDataSourcesW(Environment(), direction, name, SQL_MAX_DSN_LENGTH + 1, &nameLength, description, 512,
                            &descriptionLength))) {
    names << FromWide(name);
    direction = SQL_FETCH_NEXT;
  }
  return names;
}

bool IsPostgresOdbcDriver(const QString& driver) {
  return driver.contains(QLatin1String("postgres"), Qt::CaseInsensitive) ||
         driver.contains(QLatin1String("psqlodbc"), Qt::CaseInsensitive);
}

QStringList OdbcDrivers() {
  QStringList names;
  SQLWCHAR name[512], attributes[4096];
  SQLSMALLINT nameLength = 0, attributesLength = 0;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  while (Ok(SQLDriversW(Environment(), direction, name, 512, &nameLength, attributes, 4096, &attributesLength))) {
    names << FromWide(name);
    direction = SQL_FETCH_NEXT;
  }
  return names;
}

QMap<QString, QString> OdbcDataSourceAttributes(const QString& dataSource) {
  const QByteArray dsn = dataSource.toUtf8();
  std::vector<char> keys(16384, 0);
  const int length = SQLGetPrivateProfileString(dsn.constData(), nullptr, "", keys.data(),
                                                static_cast<int>(keys.size()), "odbc.ini");
  QMap<QString, QString> attributes;
  for (int at = 0; at < length && keys[static_cast<std::size_t>(at)];) {
    const char* key = keys.data() + at;
    char value[1024] = {0};
    SQLGetPrivateProfileString(dsn.constData(), key, "", value, sizeof value, "odbc.ini");
    attributes.insert(QString::fromUtf8(key).trimmed(), QString::fromUtf8(value).trimmed());
    at += static_cast<int>(std::strlen(key)) + 1;
  }
  return attributes;
}

bool IsSqliteOdbcDriver(const QString& driver) { return driver.contains(QLatin1String("sqlite"), Qt::CaseInsensitive); }

QString OdbcDataSourceUser(const QString& dataSource) {
  const QByteArray dsn = dataSource.toUtf8();
  for (const char* key : {"UserName", "Username", "UID", "User"}) {
    char value[256] = {0};
    if (SQLGetPrivateProfileString(dsn.constData(), key, "", value, sizeof value, "odbc.ini") > 0 && value[0])
      return QString::fromUtf8(value);
  }
  return {};
}

TFieldType OdbcFieldType(int sqlType, qint64 columnSize, const QString& typeName, bool isUnsigned, bool autoUnique,
                         int& size) {
  size = 0;
  const QString name = typeName.toLower();
  if (sqlType == SQL_BIT || name == QLatin1String("bool") || name == QLatin1String("boolean")) return ftBoolean;
  if (name == QLatin1String("money") || name == QLatin1String("smallmoney")) return ftCurrency;
  switch (sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
      if (columnSize <= 0 || columnSize > 8000) return ftMemo;
      size = static_cast<int>(columnSize);
      return ftString;
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR: return ftMemo;
    case SQL_SMALLINT:
    case SQL_TINYINT: return isUnsigned ? ftWord : ftSmallint;
    case SQL_INTEGER:
    case SQL_BIGINT: return autoUnique ? ftAutoInc : ftInteger;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE: return ftFloat;
    case SQL_NUMERIC:
    case SQL_DECIMAL: return ftBCD;
    case SQL_TYPE_DATE:
    case SQL_DATE: return ftDate;
    case SQL_TYPE_TIME:
    case SQL_TIME: return ftTime;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP: return ftDateTime;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: return ftBlob;
    default: return ftUnknown;
  }
}

namespace {
// The SQLite driver waits 100 s for a lock by default, freezing the window;
// the built-in path waits as long as this.
void AddSqliteTimeout(QString& text) {
  text += QStringLiteral("Timeout=%1;").arg(kSqliteBusyMilliseconds);
}


// By default psqlODBC holds a whole result in memory before the first row
// arrives (hundreds of megabytes for a million rows); with a cursor fetched
// in blocks the memory stays flat. A data source that says otherwise keeps
// its own setting.
void AddPostgresStreaming(QString& text) { text += QStringLiteral("UseDeclareFetch=1;Fetch=10000;"); }

QString DataSourceValue(const QString& dataSource, const char* key) {
  char value[512] = {0};
  SQLGetPrivateProfileString(dataSource.toUtf8().constData(), key, "", value, sizeof value, "odbc.ini");
  return QString::fromUtf8(value);
}
}  // namespace

QString OdbcDataSourceConnection(const QString& dataSource, const QString& user, const QString& password) {
  QString text;
  AddAttribute(text, "DSN", dataSource);
  AddAttribute(text, "UID", user);
  AddAttribute(text, "PWD", password);
  const QString driver = DataSourceValue(dataSource, "Driver");
  if (IsSqliteOdbcDriver(driver)) AddSqliteTimeout(text);
  if (IsPostgresOdbcDriver(driver) && DataSourceValue(dataSource, "UseDeclareFetch").isEmpty()) AddPostgresStreaming(text);
  return text;
}

QString OdbcDriverConnection(const QString& driver, const QMap<QString, QString>& params) {
  const QString server = params.value(kParamServerName);
  const QString user = params.value(kParamUserName);
  const QString password = params.value(kParamPassword);
  const QString application = params.value(kParamApplicationName);
  const QString workstation = params.value(kParamHostName);
  // "host[:port][/database]" names a server and what to open on it.
  static const QRegularExpression address(QStringLiteral("^([^:/]*)(?::(\\d+))?(?:/(.*))?$"));
  const auto parts = address.match(server);
  const QString host = parts.captured(1), port = parts.captured(2), database = parts.captured(3);
  const QString kind = driver.toLower();
  QString escaped = driver;
  QString text = QStringLiteral("DRIVER={") + escaped.replace(QLatin1Char('}'), QLatin1String("}}")) +
                 QStringLiteral("};");
  if (IsSqliteOdbcDriver(kind)) {
    AddAttribute(text, "Database", server);
    AddSqliteTimeout(text);
  } else if (IsPostgresOdbcDriver(kind)) {
    AddAttribute(text, "Servername", host);
    AddAttribute(text, "Port", port);
    AddAttribute(text, "Database", database);
    AddAttribute(text, "UID", user);
    AddAttribute(text, "PWD", password);
    if (!application.isEmpty()) {
      QString quoted = application;
      quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\''), QLatin1String("\\'"));
      text += QStringLiteral("pqopt={application_name='") + quoted.replace(QLatin1Char('}'), QLatin1String("}}")) +
              QStringLiteral("'};");
    }
    AddPostgresStreaming(text);
  } else if (kind.contains(QLatin1String("tds"))) {
    AddAttribute(text, "Server", host);
    AddAttribute(text, "Port", port);
    AddAttribute(text, "Database", database);
    AddAttribute(text, "UID", user);
    AddAttribute(text, "PWD", password);
    AddAttribute(text, "APP", application);
    AddAttribute(text, "WSID", workstation);
  } else {
    // MariaDB, MySQL and the rest name their server the same way.
    AddAttribute(text, "Server", host);
    AddAttribute(text, "Port", port);
    AddAttribute(text, "Database", database);
    AddAttribute(text, "UID", user);
    AddAttribute(text, "PWD", password);
  }
  return text;
}

OdbcConnection::OdbcConnection(const QString& connectionString, const QString& secret) : secret_(secret) {
  SQLHDBC dbc = SQL_NULL_HDBC;
  if (!Ok(SQLAllocHandle(SQL_HANDLE_DBC, Environment(), &dbc))) throw EDatabaseError(QStringLiteral("ODBC 無法配置連線"));
  auto wide = ToWide(connectionString);
  SQLSMALLINT outLength = 0;
  // The completed string would hold the password in clear text: ask for none.
  const SQLRETURN rc = SQLDriverConnectW(dbc, nullptr, wide.data(), SQL_NTS, nullptr, 0, &outLength,
                                         SQL_DRIVER_NOPROMPT);
  if (!Ok(rc)) {
    const QString message = Diagnostics(SQL_HANDLE_DBC, dbc, secret_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    throw EDatabaseError(message);
  }
  dbc_ = dbc;
  SQLWCHAR dbms[128] = {0};
  SQLSMALLINT dbmsLength = 0;
  if (Ok(SQLGetInfoW(dbc, SQL_DBMS_NAME, dbms, sizeof dbms, &dbmsLength))) {
    isPostgres_ = FromWide(dbms).startsWith(QLatin1String("PostgreSQL"), Qt::CaseInsensitive);
    isSqlite_ = FromWide(dbms).startsWith(QLatin1String("SQLite"), Qt::CaseInsensitive);
  }
  SQLWCHAR quote[8] = {0};
  SQLSMALLINT quoteLength = 0;
  if (Ok(SQLGetInfoW(dbc, SQL_IDENTIFIER_QUOTE_CHAR, quote, sizeof quote, &quoteLength)) && quote[0] != 0 &&
      quote[0] != u' ')
    identifierQuote_ = QChar(static_cast<char16_t>(quote[0]));
}

OdbcConnection::~OdbcConnection() {
  reading_->Pause();
  SQLDisconnect(dbc_);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
}

QStringList OdbcConnection::TableNames() {
  reading_->Pause();
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt);
  auto table = ToWide(QStringLiteral("TABLE"));
  auto all = ToWide(QStringLiteral("%"));
  QStringList names;
  if (Ok(SQLTablesW(stmt, nullptr, 0, nullptr, 0, all.data(), SQL_NTS, table.data(), SQL_NTS))) {
    SQLWCHAR name[512];
    SQLLEN length = 0;
    SQLBindCol(stmt, 3, SQL_C_WCHAR, name, sizeof name, &length);
    while (Ok(SQLFetch(stmt))) {
      if (length == SQL_NULL_DATA) continue;
      const QString n = FromWide(name);
      if (!n.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive)) names << n;
    }
  } else {
    const QString message = Diagnostics(SQL_HANDLE_STMT, stmt, secret_);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    throw EDatabaseError(message);
  }
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  return names;
}

void OdbcConnection::Cancel() {
  std::lock_guard lock(calls_->mutex);
  calls_->cancelled = true;
  if (calls_->statement) SQLCancel(calls_->statement);
}

void OdbcConnection::ResetCancel() { calls_->cancelled = false; }

bool OdbcConnection::Alive() const {
  reading_->Pause();
  SQLUINTEGER dead = SQL_CD_FALSE;
  if (!Ok(SQLGetConnectAttrW(dbc_, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr))) return true;
  return dead != SQL_CD_TRUE;
}

void OdbcConnection::ExecuteDirect(const QString& sql) {
  reading_->Pause();
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  if (!Ok(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt))) throw EDatabaseError(Diagnostics(SQL_HANDLE_DBC, dbc_, secret_));
  auto wide = ToWide(sql);
  const SQLRETURN rc = SQLExecDirectW(stmt, wide.data(), SQL_NTS);
  const QString message = Ok(rc) || rc == SQL_NO_DATA ? QString() : Diagnostics(SQL_HANDLE_STMT, stmt, secret_);
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  if (!message.isEmpty()) throw EDatabaseError(message);
}

void OdbcConnection::EnterAccess(StatementAccess access) {
  if (isPostgres_) {
    // Every read-only run sets the mode again: a statement run before may
    // have changed the session's default.
    if (access == StatementAccess::ReadOnly)
      ExecuteDirect(QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY"));
    else if (access_ != access)
      ExecuteDirect(QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION READ WRITE"));
  } else if (access_ != access) {
    // A hint to drivers that honour it; the others ignore it.
    const auto mode = access == StatementAccess::ReadOnly ? SQL_MODE_READ_ONLY : SQL_MODE_READ_WRITE;
    SQLSetConnectAttrW(dbc_, SQL_ATTR_ACCESS_MODE, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(mode)), 0);
  }
  access_ = access;
}

std::unique_ptr<BackendStatement> OdbcConnection::Prepare(const QString& sql, StatementAccess access) {
  if (!HoldsOneStatement(sql)) throw EDatabaseError(MultipleStatementsMessage());
  reading_->Pause();
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  if (!Ok(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt)))
    throw EDatabaseError(Diagnostics(SQL_HANDLE_DBC, dbc_, secret_));
  auto wide = ToWide(sql);
  SQLRETURN prepared = SQL_ERROR;
  {
    const InFlight inFlight(*calls_, stmt);
    prepared = SQLPrepareW(stmt, wide.data(), SQL_NTS);
  }
  if (!Ok(prepared)) {
    const QString message = Diagnostics(SQL_HANDLE_STMT, stmt, secret_);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    throw EDatabaseError(message);
  }
  return std::make_unique<OdbcStatement>(stmt, secret_, isPostgres_, isSqlite_,
                                         [this, access] { EnterAccess(access); }, *reading_, *calls_);
}
