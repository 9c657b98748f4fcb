#include "database/sqlite/sqlite_backend.h"

#include "database/failure.h"
#include "database/read_ahead.h"
#include "database/statement_text.h"

#include <QFile>
#include <QRegularExpression>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

EDatabaseError SqliteError(sqlite3* db) {
  const QString text = QString::fromUtf8(sqlite3_errmsg(db));
  const int code = sqlite3_errcode(db);
  if (code == SQLITE_BUSY || code == SQLITE_LOCKED) return EDatabaseError(DatabaseLockedMessage(text));
  return EDatabaseError(text);
}

// Rows a reading thread stores at a time.
constexpr int kBlockRows = 4096;

class SqliteStatement : public BackendStatement {
public:
  SqliteStatement(sqlite3* db, sqlite3_stmt* stmt, ConnectionReading& reading)
      : db_(db), stmt_(stmt), reading_(reading), rows_(reading, [this](RowStore& into, QString& failure) {
          if (!pendingRow_) return RowsAhead::Stored::End;
          failure = StoreRow(into);
          return failure.isEmpty() ? RowsAhead::Stored::Row : RowsAhead::Stored::Failed;
        }, kBlockRows, {.stop = [db] { sqlite3_interrupt(db); }, .sever = {}}) {}
  ~SqliteStatement() override {
    rows_.Restart();
    sqlite3_finalize(stmt_);
  }

  QStringList ParameterNames() const override {
    QStringList names;
    const int n = sqlite3_bind_parameter_count(stmt_);
    for (int i = 1; i <= n; ++i) {
      const char* name = sqlite3_bind_parameter_name(stmt_, i);
      names << (name ? QString::fromUtf8(name + 1) : QString());
    }
    return names;
  }

  void Execute() override {
    reading_.Pause();
    rows_.Restart();
    sqlite3_reset(stmt_);
    const int rc = sqlite3_step(stmt_);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) throw SqliteError(db_);
    pendingRow_ = rc == SQLITE_ROW;
    const int n = sqlite3_column_count(stmt_);
    rowsAffected_ = n == 0 ? sqlite3_changes64(db_) : -1;
    columns_.clear();
    for (int i = 0; i < n; ++i) columns_.push_back(Describe(i));
  }

  const std::vector<ColumnDescription>& Columns() const override { return columns_; }
  bool FetchRow(RowStore& into) override { return rows_.FetchRow(into, columns_.size()); }
  qint64 FetchRows(RowStore& into, qint64 atMost) override { return rows_.FetchRows(into, atMost, columns_.size()); }
  qint64 RowsAffected() const override { return rowsAffected_; }
  bool RowsReady() const override { return rows_.RowsReady(); }
  void EndResult() override {
    rows_.Restart();
    sqlite3_reset(stmt_);
    pendingRow_ = false;
  }

private:
  // Stores the current row and steps to the next; the engine's text when
  // stepping failed. Runs on the reading thread too.
  QString StoreRow(RowStore& into) {
    const int n = static_cast<int>(columns_.size());
    for (int i = 0; i < n; ++i) {
      // The column's value read through one handle: each sqlite3_column_*
      // call looks the column up and checks for a failed allocation again,
      // which cost the reading thread a tenth of its time (measured). The
      // connection is this thread's alone meanwhile (NOMUTEX, one reader).
      sqlite3_value* value = sqlite3_column_value(stmt_, i);
      switch (sqlite3_value_type(value)) {
        case SQLITE_INTEGER: into.AddInteger(sqlite3_value_int64(value)); break;
        case SQLITE_FLOAT: into.AddFloat(sqlite3_value_double(value)); break;
        case SQLITE_TEXT: {
          auto text = reinterpret_cast<const char*>(sqlite3_value_text(value));
          into.AddText(text, static_cast<std::size_t>(sqlite3_value_bytes(value)));
          break;
        }
        case SQLITE_BLOB: {
          const void* blob = sqlite3_value_blob(value);
          into.AddBlob(blob, static_cast<std::size_t>(sqlite3_value_bytes(value)));
          break;
        }
        default: into.AddNull(); break;
      }
    }
    into.EndRow();
    const int rc = sqlite3_step(stmt_);
    pendingRow_ = rc == SQLITE_ROW;
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return SqliteError(db_).Message();
    return {};
  }
  ColumnDescription Describe(int i) const {
    ColumnDescription c;
    c.name = QString::fromUtf8(sqlite3_column_name(stmt_, i));
    const char* declared = sqlite3_column_decltype(stmt_, i);
    if (declared) {
      c.type = SqliteDeclaredType(QString::fromUtf8(declared), IsAutoIncrement(i), c.size);
    } else {
      const int storage = pendingRow_ ? sqlite3_column_type(stmt_, i) : SQLITE_NULL;
      c.type = SqliteStorageClassType(storage, c.size);
    }
    return c;
  }

  bool IsAutoIncrement(int i) const {
    const char* dbName = sqlite3_column_database_name(stmt_, i);
    const char* table = sqlite3_column_table_name(stmt_, i);
    const char* column = sqlite3_column_origin_name(stmt_, i);
    if (!table || !column) return false;
    int autoinc = 0;
    if (sqlite3_table_column_metadata(db_, dbName, table, column, nullptr, nullptr, nullptr, nullptr,
                                      &autoinc) != SQLITE_OK)
      return false;
    return autoinc != 0;
  }

  sqlite3* db_;
  sqlite3_stmt* stmt_;
  ConnectionReading& reading_;
  bool pendingRow_ = false;  // the statement stands on a row not stored yet
  RowsAhead rows_;
  qint64 rowsAffected_ = -1;
  std::vector<ColumnDescription> columns_;
};

bool Has(const QString& upper, const char* word) { return upper.contains(QLatin1String(word)); }

}  // namespace

TFieldType SqliteDeclaredType(const QString& declared, bool autoIncrement, int& size) {
  size = 0;
  const QString t = declared.trimmed().toUpper();
  if (t.isEmpty()) return ftUnknown;
  if (Has(t, "BOOL") || t == QLatin1String("BIT")) return ftBoolean;
  const bool smallInt = Has(t, "SMALLINT") || Has(t, "TINYINT");
  if (smallInt && Has(t, "UNSIGNED")) return ftWord;
  if (smallInt || Has(t, "INT2")) return ftSmallint;
  if (Has(t, "MONEY") || Has(t, "CURRENCY")) return ftCurrency;
  if (Has(t, "DECIMAL") || Has(t, "NUMERIC")) return ftBCD;
  if (Has(t, "DATETIME") || Has(t, "TIMESTAMP")) return ftDateTime;
  if (Has(t, "DATE")) return ftDate;
  if (Has(t, "TIME")) return ftTime;
  if (Has(t, "BINARY") || Has(t, "BLOB") || Has(t, "BYTEA") || Has(t, "IMAGE")) return ftBlob;
  if (Has(t, "GRAPHIC")) return ftGraphic;
  if (Has(t, "REAL") || Has(t, "FLOA") || Has(t, "DOUB")) return ftFloat;
  if (Has(t, "INT")) return autoIncrement ? ftAutoInc : ftInteger;
  if (Has(t, "CHAR") || Has(t, "STRING")) {
    static const QRegularExpression length(QStringLiteral("\\(\\s*(\\d+)\\s*\\)"));
    const auto m = length.match(t);
    size = m.hasMatch() ? m.captured(1).toInt() : 255;
    return ftString;
  }
  if (Has(t, "TEXT") || Has(t, "CLOB") || Has(t, "MEMO")) return ftMemo;
  return ftUnknown;
}

TFieldType SqliteStorageClassType(int storageClass, int& size) {
  size = 0;
  switch (storageClass) {
    case SQLITE_INTEGER: return ftInteger;
    case SQLITE_FLOAT: return ftFloat;
    case SQLITE_TEXT: size = 255; return ftString;
    case SQLITE_BLOB: return ftBlob;
    default: return ftUnknown;
  }
}

namespace {
// The file's identity: a file renamed over it, or deleted, is another.
bool FileIdentity(const QString& path, quint64& device, quint64& inode) {
  struct stat file {};
  if (stat(QFile::encodeName(path).constData(), &file) != 0) return false;
  device = file.st_dev;
  inode = file.st_ino;
  return true;
}
}  // namespace

bool SqliteConnection::Alive() const {
  quint64 device = 0, inode = 0;
  return FileIdentity(path_, device, inode) && device == device_ && inode == inode_;
}

SqliteConnection::SqliteConnection(const QString& path) : path_(path) {
  FileIdentity(path, device_, inode_);
  const QByteArray file = path.toUtf8();
  // One thread uses a connection: no mutex around every column read.
  int rc = sqlite3_open_v2(file.constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc == SQLITE_CANTOPEN || rc == SQLITE_READONLY || rc == SQLITE_PERM) {
    // A file we may read but not write (an installed demo database, say).
    sqlite3_close(db_);
    db_ = nullptr;
    rc = sqlite3_open_v2(file.constData(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
  }
  if (rc != SQLITE_OK) {
    const QString message = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("out of memory");
    sqlite3_close(db_);
    db_ = nullptr;
    throw EDatabaseError(QStringLiteral("%1: %2").arg(message, path));
  }
  sqlite3_extended_result_codes(db_, 0);
  // Another writer's lock is waited for a while, not failed at once; a stop
  // ends the wait, and so does the progress handler a long statement.
  sqlite3_busy_handler(db_, &SqliteConnection::BusyWait, this);
  sqlite3_progress_handler(db_, 1000, &SqliteConnection::StopRequested, this);
}

int SqliteConnection::BusyWait(void* connection, int attempt) {
  auto* self = static_cast<SqliteConnection*>(connection);
  if (self->cancelled_ || !self->waitForLocks_) return 0;
  const auto now = std::chrono::steady_clock::now();
  if (attempt == 0) self->busySince_ = now;
  if (now - self->busySince_ >= std::chrono::milliseconds(kSqliteBusyMilliseconds)) return 0;
  sqlite3_sleep(10);
  return 1;
}

int SqliteConnection::StopRequested(void* connection) {
  return static_cast<SqliteConnection*>(connection)->cancelled_ ? 1 : 0;
}

void SqliteConnection::Cancel() {
  cancelled_ = true;
  sqlite3_interrupt(db_);
}

void SqliteConnection::ResetCancel() { cancelled_ = false; }

SqliteConnection::~SqliteConnection() {
  reading_->Pause();
  sqlite3_close_v2(db_);
}

QStringList SqliteConnection::TableNames() {
  reading_->Pause();
  QStringList names;
  auto stmt = Prepare(QStringLiteral(
                          "select name from sqlite_schema where type='table' and name not like 'sqlite\\_%' escape '\\' "
                          "order by name"),
                      StatementAccess::ReadOnly);
  stmt->Execute();
  RowStore rows;
  while (stmt->FetchRow(rows)) {}
  for (std::int64_t r = 0; r < rows.Count(); ++r) {
    const CellValue v = rows.Value(r, 0);
    names << QString::fromUtf8(v.data, static_cast<qsizetype>(v.size));
  }
  return names;
}

std::unique_ptr<BackendStatement> SqliteConnection::Prepare(const QString& sql, StatementAccess access) {
  reading_->Pause();
  const QByteArray text = sql.toUtf8();
  sqlite3_stmt* stmt = nullptr;
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(db_, text.constData(), static_cast<int>(text.size()), &stmt, &tail) != SQLITE_OK)
    throw SqliteError(db_);
  if (!stmt) throw EDatabaseError(QStringLiteral("沒有可執行的SQL指令"));
  auto statement = std::make_unique<SqliteStatement>(db_, stmt, *reading_);
  // SQLite runs only the first statement of a text: the rest would be
  // dropped without a word. Only blanks and comments may follow it.
  if (RemainsAStatement(tail, text.constData() + text.size())) {
    // PostgreSQL's dollar quotes are no quotes to SQLite: say why a
    // semicolon between them ends the statement here.
    const QString why = sql.contains(QLatin1String("$$"))
                            ? QStringLiteral("\nSQLite 沒有 $$ 引號: $$ 之間的分號在 SQLite 也把指令分開")
                            : QString();
    throw EDatabaseError(MultipleStatementsMessage() + why);
  }
  if (access == StatementAccess::ReadOnly && !sqlite3_stmt_readonly(stmt))
    throw EDatabaseError(QStringLiteral("這個SQL指令會修改資料庫, 這裡只能執行讀取資料的指令"));
  return statement;
}

bool SqliteConnection::RemainsAStatement(const char* from, const char* end) const {
  sqlite3_stmt* next = nullptr;
  const char* tail = nullptr;
  const int rc = sqlite3_prepare_v2(db_, from, static_cast<int>(end - from), &next, &tail);
  sqlite3_finalize(next);
  // Text that does not even prepare is no comment either.
  return rc != SQLITE_OK || next != nullptr;
}
