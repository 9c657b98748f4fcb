#include "database/postgres/pg_backend.h"

#include "database/failure.h"
#include "database/password_mask.h"
#include "database/postgres/pg_block_reader.h"
#include "database/postgres/pg_types.h"
#include "database/server_text.h"
#include "database/statement_text.h"

#include <charconv>
#include <libpq-fe.h>
#include <map>
#include <vector>

namespace {

// Rows per FETCH from a cursor: large enough that the round trips cost
// nothing, small enough that a block is a megabyte or two.
constexpr int kFetchRows = 10000;

using Result = PgResult;

bool Succeeded(const PGresult* r) {
  const ExecStatusType status = PQresultStatus(r);
  return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

QString Trimmed(const char* text) { return QString::fromUtf8(text).trimmed(); }

// A date, a time or a timestamp as the server writes it with DateStyle ISO,
// with a four-digit year, no offset, no era: kept as it is. Anything else
// goes through the full reading.
bool IsPlainIsoText(const char* s, std::size_t size) {
  const bool date = size >= 10 && s[4] == '-' && s[7] == '-';
  const bool time = size >= 8 && s[2] == ':' && s[5] == ':';
  if (!date && !time) return false;
  if (date && size > 10 && s[10] != ' ') return false;
  for (std::size_t i = date ? 10 : 8; i < size; ++i)
    if (s[i] == '+' || s[i] == '-' || s[i] == 'B') return false;
  return true;
}

}  // namespace

class PgStatement;

// The connection itself, shared by its statements so that a statement that
// outlives the connection object still finds it.
class PgSession {
public:
  PGconn* conn = nullptr;
  QString secret;
  // The statement whose cursor is open, if any.
  PgStatement* streaming = nullptr;
  unsigned cursorCount = 0;

  ~PgSession() {
    if (conn) PQfinish(conn);
  }

  // The program's own words, then the server's or the library's text.
  [[noreturn]] void Fail(const QString& text) const {
    const QString lead = PQstatus(conn) == CONNECTION_OK
                             ? QStringLiteral("PostgreSQL 執行失敗:")
                             : QStringLiteral("與 PostgreSQL 伺服器的連線中斷 (下次執行時會重新連接):");
    throw EDatabaseError(MaskPassword(lead + QLatin1Char('\n') + text, secret));
  }
  [[noreturn]] void Fail(const PGresult* r) const {
    Fail(Trimmed(r ? PQresultErrorMessage(r) : PQerrorMessage(conn)));
  }

  // Runs a statement of the program's own; throws with the server's text.
  Result Run(const char* sql) {
    Result r(PQexec(conn, sql));
    if (!r || !Succeeded(r.get())) {
      const QString text = Trimmed(r ? PQresultErrorMessage(r.get()) : PQerrorMessage(conn));
      EndFailedTransaction();
      Fail(text);
    }
    return r;
  }
  // Runs the user's statement: through the extended protocol, which the
  // server refuses for more than one statement.
  Result RunUser(const QByteArray& sql) {
    return Result(PQexecParams(conn, sql.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0));
  }
  void EndFailedTransaction() {
    if (PQstatus(conn) == CONNECTION_OK && PQtransactionStatus(conn) == PQTRANS_INERROR)
      Result(PQexec(conn, "ROLLBACK"));
  }
  // Ends the cursor that is streaming before anything else runs.
  void Yield();
};

class PgStatement : public BackendStatement {
public:
  PgStatement(std::shared_ptr<PgSession> session, const QString& sql, StatementAccess access)
      : session_(std::move(session)), sql_(sql.toUtf8()), access_(access) {}
  ~PgStatement() override {
    if (session_->streaming == this) CloseCursor();
  }

  QStringList ParameterNames() const override { return {}; }

  void Execute() override {
    session_->Yield();
    columns_.clear();
    reads_.clear();
    block_.reset();
    blockRow_ = 0;
    abandoned_ = false;
    rowsAffected_ = -1;
    if (access_ == StatementAccess::ReadOnly) {
      if (PQtransactionStatus(session_->conn) != PQTRANS_IDLE)
        throw EDatabaseError(QStringLiteral("連線上有一個未結束的交易, 唯讀查詢不能在其中執行"));
      session_->Run("BEGIN READ ONLY");
      if (!OpenCursor()) RunWhole(true);
    } else {
      RunWhole(false);
    }
  }

  const std::vector<ColumnDescription>& Columns() const override { return columns_; }

  bool FetchRow(RowStore& into) override {
    while (!block_ || blockRow_ >= PQntuples(block_.get())) {
      if (abandoned_)
        throw EDatabaseError(QStringLiteral("查詢的結果已被同一連線上的另一個指令中斷, 請再執行一次"));
      if (session_->streaming != this) return false;
      NextBlock();
    }
    StoreRow(blockRow_++, into);
    return true;
  }

  qint64 RowsAffected() const override { return rowsAffected_; }
  qint64 UnrepresentableValues() const override { return unrepresentable_; }

  // Another statement needs the connection: the rest of the result is lost.
  void Abandon() {
    CloseCursor();
    abandoned_ = true;
  }

private:
  // Declares a cursor for the statement and fetches the first block; false
  // when the statement cannot be a cursor (it is not a query, or it writes),
  // and the transaction is ready for it to run whole.
  bool OpenCursor() {
    cursor_ = QByteArrayLiteral("q2t_cursor_") + QByteArray::number(++session_->cursorCount);
    const Result declared = session_->RunUser("DECLARE " + cursor_ + " NO SCROLL CURSOR FOR " + sql_);
    if (!declared || !Succeeded(declared.get())) {
      if (PQstatus(session_->conn) != CONNECTION_OK) session_->Fail(declared.get());
      // Refused before anything ran: run it as it stands, so that its own
      // failure (a write in a read-only transaction, a typing error) is
      // what the user reads.
      session_->Run("ROLLBACK");
      session_->Run("BEGIN READ ONLY");
      return false;
    }
    session_->streaming = this;
    const QByteArray fetch = "FETCH FORWARD " + QByteArray::number(kFetchRows) + " FROM " + cursor_;
    TakeBlock(Result(PQexec(session_->conn, fetch.constData())));
    Describe(block_.get());
    // The rest arrives while the program works on the rows it has.
    if (session_->streaming == this) reader_ = std::make_unique<PgBlockReader>(session_->conn, fetch, kFetchRows);
    return true;
  }

  void NextBlock() {
    PgBlockReader::Block next = reader_->Next();
    if (!next.rows && next.failure.isEmpty()) {  // the reader ended on a short block already taken
      CloseCursor();
      return;
    }
    if (!next.rows) reader_.reset();
    TakeBlock(std::move(next.rows), next.failure);
  }

  // A block from the cursor; a short one is the last, and the transaction
  // ends at once.
  void TakeBlock(Result block, QString failure = QString()) {
    if (!block || PQresultStatus(block.get()) != PGRES_TUPLES_OK) {
      if (failure.isEmpty()) failure = Trimmed(block ? PQresultErrorMessage(block.get()) : PQerrorMessage(session_->conn));
      reader_.reset();
      session_->streaming = nullptr;
      session_->EndFailedTransaction();
      session_->Fail(failure);
    }
    block_ = std::move(block);
    blockRow_ = 0;
    if (PQntuples(block_.get()) < kFetchRows) CloseCursor();
  }

  void CloseCursor() {
    if (session_->streaming != this) return;
    reader_.reset();
    session_->streaming = nullptr;
    if (PQstatus(session_->conn) != CONNECTION_OK) return;
    Result(PQexec(session_->conn, "CLOSE " + cursor_));
    Result(PQexec(session_->conn, "COMMIT"));
  }

  void RunWhole(bool inReadOnlyTransaction) {
    Result r = session_->RunUser(sql_);
    if (!r || !Succeeded(r.get())) {
      const QString text = Trimmed(r ? PQresultErrorMessage(r.get()) : PQerrorMessage(session_->conn));
      if (inReadOnlyTransaction) Result(PQexec(session_->conn, "ROLLBACK"));
      session_->Fail(text);
    }
    if (inReadOnlyTransaction) session_->Run("COMMIT");
    if (PQresultStatus(r.get()) == PGRES_TUPLES_OK) {
      Describe(r.get());
      block_ = std::move(r);
    } else {
      const char* count = PQcmdTuples(r.get());
      rowsAffected_ = *count ? QByteArray(count).toLongLong() : 0;
    }
  }

  void Describe(const PGresult* r) {
    const int n = PQnfields(r);
    const std::map<std::pair<Oid, int>, bool> serial = SerialColumns(r);
    for (int i = 0; i < n; ++i) {
      const auto key = std::make_pair(PQftable(r, i), PQftablecol(r, i));
      const auto found = serial.find(key);
      const PgColumnType column = DescribePgColumn(QString::fromUtf8(PQfname(r, i)), PQftype(r, i), PQfmod(r, i),
                                                   found != serial.end() && found->second);
      columns_.push_back(column.description);
      reads_.push_back(column.read);
    }
  }

  // Which integer columns of the result are a table's serial or identity
  // column (not null, numbered by a sequence), as the ODBC driver reports
  // them as auto-incrementing.
  std::map<std::pair<Oid, int>, bool> SerialColumns(const PGresult* r) {
    std::map<std::pair<Oid, int>, bool> serial;
    QByteArray pairs;
    for (int i = 0; i < PQnfields(r); ++i) {
      if (!PgTypeCanBeSerial(PQftype(r, i)) || PQftable(r, i) == InvalidOid || PQftablecol(r, i) <= 0) continue;
      if (!pairs.isEmpty()) pairs += ',';
      pairs += '(' + QByteArray::number(PQftable(r, i)) + ',' + QByteArray::number(PQftablecol(r, i)) + ')';
    }
    if (pairs.isEmpty()) return serial;
    const QByteArray sql =
        "select a.attrelid, a.attnum, a.attidentity <> '' or (a.attnotnull and"
        " coalesce(pg_catalog.pg_get_expr(d.adbin, d.adrelid) like 'nextval(%', false))"
        " from pg_catalog.pg_attribute a left join pg_catalog.pg_attrdef d"
        " on d.adrelid = a.attrelid and d.adnum = a.attnum"
        " where (a.attrelid, a.attnum) in (values " + pairs + ")";
    const Result found = session_->Run(sql.constData());
    for (int row = 0; row < PQntuples(found.get()); ++row)
      serial[{static_cast<Oid>(std::strtoul(PQgetvalue(found.get(), row, 0), nullptr, 10)),
              std::atoi(PQgetvalue(found.get(), row, 1))}] = PQgetvalue(found.get(), row, 2)[0] == 't';
    return serial;
  }

  void StoreRow(int row, RowStore& into) {
    const PGresult* r = block_.get();
    for (int col = 0; col < static_cast<int>(reads_.size()); ++col) {
      if (PQgetisnull(r, row, col)) {
        into.AddNull();
        continue;
      }
      StoreValue(reads_[static_cast<std::size_t>(col)], PQgetvalue(r, row, col),
                 static_cast<std::size_t>(PQgetlength(r, row, col)), into);
    }
    into.EndRow();
  }

  void StoreValue(PgRead read, const char* text, std::size_t size, RowStore& into) {
    switch (read) {
      case PgRead::Integer: {
        std::int64_t v = 0;
        if (std::from_chars(text, text + size, v).ec == std::errc()) return into.AddInteger(v);
        return into.AddText(text, size);
      }
      case PgRead::Float: {
        double v = 0;
        if (std::from_chars(text, text + size, v).ec == std::errc()) return into.AddFloat(v);
        return into.AddText(text, size);
      }
      case PgRead::Money: {
        double v = 0;
        if (ParseMoneyText(QString::fromUtf8(text, static_cast<qsizetype>(size)), v)) return into.AddFloat(v);
        return into.AddText(text, size);
      }
      case PgRead::Boolean: return into.AddText(text[0] == 't' ? "1" : "0", 1);
      case PgRead::Bytes: {
        std::size_t length = 0;
        unsigned char* bytes = PQunescapeBytea(reinterpret_cast<const unsigned char*>(text), &length);
        if (!bytes) throw EDatabaseError(QStringLiteral("記憶體不足"));
        into.AddBlob(bytes, length);
        PQfreemem(bytes);
        return;
      }
      case PgRead::DateText: return StoreDate(text, size, into);
      case PgRead::UpperText: {
        QByteArray upper(text, static_cast<qsizetype>(size));
        return into.AddText(upper.toUpper().constData(), size);
      }
      case PgRead::Text: return into.AddText(text, size);
    }
  }

  void StoreDate(const char* text, std::size_t size, RowStore& into) {
    if (IsPlainIsoText(text, size)) return into.AddText(text, size);
    QByteArray value(text, static_cast<qsizetype>(size));
    switch (NormalizeServerDateText(value)) {
      case ServerDate::Representable:
      case ServerDate::EngineText: return into.AddText(value.constData(), static_cast<std::size_t>(value.size()));
      case ServerDate::Unrepresentable: ++unrepresentable_; return into.AddNull();
    }
  }

  std::shared_ptr<PgSession> session_;
  QByteArray sql_;
  StatementAccess access_;
  QByteArray cursor_;
  std::vector<ColumnDescription> columns_;
  std::vector<PgRead> reads_;
  Result block_;
  std::unique_ptr<PgBlockReader> reader_;
  int blockRow_ = 0;
  bool abandoned_ = false;
  qint64 rowsAffected_ = -1;
  qint64 unrepresentable_ = 0;
};

void PgSession::Yield() {
  if (streaming) streaming->Abandon();
}

namespace {

void NoNotices(void*, const char*) {}

}  // namespace

PgConnection::PgConnection(const PgSettings& settings) : session_(std::make_shared<PgSession>()) {
  session_->secret = settings.password;
  std::vector<QByteArray> keys, values;
  auto add = [&](const char* key, const QString& value) {
    if (value.isEmpty()) return;
    keys.emplace_back(key);
    values.push_back(value.toUtf8());
  };
  add("host", settings.host);
  add("port", settings.port);
  add("dbname", settings.database);
  add("user", settings.user);
  add("password", settings.password);
  add("sslmode", settings.sslMode);
  add("application_name", settings.applicationName);
  add("client_encoding", QStringLiteral("UTF8"));
  add("connect_timeout", QStringLiteral("10"));
  // Dates as ISO text, as the ODBC driver asks for them too; floats with
  // every digit they need on any server version.
  add("options", QStringLiteral("-c DateStyle=ISO,MDY -c extra_float_digits=3"));
  std::vector<const char*> k, v;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    k.push_back(keys[i].constData());
    v.push_back(values[i].constData());
  }
  k.push_back(nullptr);
  v.push_back(nullptr);
  session_->conn = PQconnectdbParams(k.data(), v.data(), 0);
  if (!session_->conn) throw EDatabaseError(QStringLiteral("記憶體不足"));
  if (PQstatus(session_->conn) != CONNECTION_OK)
    throw EDatabaseError(MaskPassword(QStringLiteral("無法連接到 PostgreSQL 伺服器:\n") +
                                          Trimmed(PQerrorMessage(session_->conn)),
                                      settings.password));
  PQsetNoticeProcessor(session_->conn, NoNotices, nullptr);
}

PgConnection::~PgConnection() = default;

QStringList PgConnection::TableNames() {
  session_->Yield();
  const Result r = session_->Run(
      "select c.relname from pg_catalog.pg_class c join pg_catalog.pg_namespace n on n.oid = c.relnamespace"
      " where c.relkind in ('r', 'p') and n.nspname = any (pg_catalog.current_schemas(false))"
      " order by n.nspname, c.relname");
  QStringList names;
  for (int row = 0; row < PQntuples(r.get()); ++row) names << QString::fromUtf8(PQgetvalue(r.get(), row, 0));
  return names;
}

std::unique_ptr<BackendStatement> PgConnection::Prepare(const QString& sql, StatementAccess access) {
  if (!HoldsOneStatement(sql)) throw EDatabaseError(MultipleStatementsMessage());
  return std::make_unique<PgStatement>(session_, sql, access);
}

bool PgConnection::Alive() const { return PQstatus(session_->conn) == CONNECTION_OK; }
