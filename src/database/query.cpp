#include "database/query.h"

#include "database/failure.h"
#include "database/backend.h"
#include "database/database.h"
#include "database/engine_wait.h"
#include "database/row_store.h"
#include "database/session.h"

#include <QRegularExpression>


void TSQLLines::Clear() {
  Changing();
  lines_.clear();
  Changed();
}

void TSQLLines::Add(const QString& line) {
  Changing();
  lines_.append(line);
  Changed();
}

void TSQLLines::SetText(const QString& text) {
  Changing();
  static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
  lines_ = text.split(lineBreak);
  // A final line break ends the last line; it does not start another.
  if (!lines_.isEmpty() && lines_.last().isEmpty()) lines_.removeLast();
  Changed();
}

void TSQLLines::Assign(const QStringList& lines) {
  Changing();
  lines_ = lines;
  Changed();
}

QString TSQLLines::Text() const {
  QString text;
  for (const QString& line : lines_) text += line + QStringLiteral("\r\n");
  return text;
}

void TSQLLines::Changing() const { owner_->CheckNotHeld(); }
void TSQLLines::Changed() { owner_->SQLChanged(); }

QString TParam::AsString() const {
  if (Value.isNull()) return {};
  if (Value.typeId() == QMetaType::Bool) return Value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
  return Value.toString();
}

TQuery::TQuery(QObject* owner)
    : QObject(owner), rows_(std::make_unique<RowStore>()), passing_(std::make_unique<RowStore>()) {}

TQuery::~TQuery() {
  if (database_) database_->DetachQuery(this);
}

TQuery::Hold::Hold(TQuery* query) : query_(query) {
  if (query_) ++query_->held_;
}

TQuery::Hold::~Hold() {
  if (query_) --query_->held_;
}

void TQuery::CheckNotHeld() const {
  if (held_ > 0) throw EQueryHeld();
}

void TQuery::EngineCall(const std::function<void()>& call) {
  BackendConnection* connection = database_ ? database_->Connection() : nullptr;
  if (connection) connection->ResetCancel();
  EngineStop stop;
  if (connection) {
    stop.stop = [connection] { connection->Cancel(); };
    stop.sever = [connection] { connection->Sever(); };
  }
  RunEngineCall(call, stop);
}

void TQuery::SetDatabaseName(const QString& name) {
  CheckNotHeld();
  if (active_) throw EDatabaseError(QStringLiteral("不能對一個開啟中的 dataset 進行此操作"));
  if (name == databaseName_) return;
  Unprepare();
  databaseName_ = name;
}

void TQuery::SQLChanged() {
  Close();
  Unprepare();
}

void TQuery::Prepare() {
  CheckNotHeld();
  if (statement_) return;
  TDatabase* database = Session().FindDatabase(databaseName_);
  if (!database) throw EDatabaseError(QStringLiteral("找不到資料庫 '%1'").arg(databaseName_));
  // A connection the engine knows is lost is made again first.
  if (database->Connected() && !database->Connection()->Alive()) database->SetConnected(false);
  if (!database->Connected()) database->SetConnected(true);
  database_ = database;
  database_->AttachQuery(this);
  BackendConnection* connection = database->Connection();
  connection->SetWaitForLocks(waitForLocks_);
  const QString text = sql_.Text();
  // Engines read a statement up to a NUL character and drop the rest
  // without a word (a second statement after it would not be refused).
  if (text.contains(QChar(0)))
    throw EDatabaseError(QStringLiteral("SQL指令中含有 NUL 字元 (\\0), 沒有執行任何指令"));
  const StatementAccess access = readOnly_ ? StatementAccess::ReadOnly : StatementAccess::ReadWrite;
  std::unique_ptr<BackendStatement> statement;
  EngineCall([&] { statement = connection->Prepare(text, access); });
  statement_ = std::move(statement);
  params_.clear();
  for (const QString& name : statement_->ParameterNames()) params_.push_back(TParam{name, QVariant()});
}

void TQuery::Unprepare() {
  CheckNotHeld();
  Close();
  statement_.reset();
  params_.clear();
  if (database_) database_->DetachQuery(this);
  database_ = nullptr;
}

void TQuery::Open() { OpenResult(-1); }

void TQuery::OpenKeepingFirstRows(qint64 rows) { OpenResult(std::max<qint64>(rows, 1)); }

void TQuery::OpenResult(qint64 keepOnly) {
  CheckNotHeld();
  if (active_) return;
  try {
    try {
      Prepare();
      database_->Connection()->SetWaitForLocks(waitForLocks_);
      EngineCall([this] { statement_->Execute(); });
    } catch (const EStopped&) {
      throw;
    } catch (const EDatabaseError&) {
      // The server went away since the last statement: connect once more
      // and run it again before reporting. A statement the server had begun
      // (and an administrator ended) is not run again without the user: the
      // failure says so, and the next run connects again.
      TDatabase* database = Session().FindDatabase(databaseName_);
      if (!database || !database->Connection() || database->Connection()->Alive()) throw;
      if (statement_ && statement_->Started()) throw;
      database->SetConnected(false);
      Prepare();
      database_->Connection()->SetWaitForLocks(waitForLocks_);
      EngineCall([this] { statement_->Execute(); });
    }
  } catch (const EStopped&) {
    // The statement ended at the engine: nothing of it is kept.
    Unprepare();
    throw;
  }
  rowsAffected_ = statement_->RowsAffected();
  const auto& columns = statement_->Columns();
  if (columns.empty()) throw EDatabaseError(QStringLiteral("這個SQL指令沒有傳回資料"));
  for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
    const ColumnDescription& c = columns[static_cast<std::size_t>(i)];
    fields_.push_back(std::make_unique<TField>(this, i, c.name, c.type, c.size));
  }
  currentValues_.assign(columns.size(), CellValue{});
  keepOnly_ = keepOnly;
  allFetched_ = false;
  active_ = true;
  try {
    FetchMore(1);
  } catch (const EStopped&) {
    Close();
    Unprepare();
    throw;
  }
  SetCurrent(FetchedCount() > 0 ? 0 : -1);
  emit activeChanged(true);
}

void TQuery::Close() {
  CheckNotHeld();
  if (!active_) return;
  // A closed result holds nothing at the engine: no read lock, cursor or
  // open transaction that would keep another session waiting.
  if (statement_) statement_->EndResult();
  active_ = false;
  fields_.clear();
  rows_->Clear();
  passing_->Clear();
  keepOnly_ = passingBase_ = -1;
  rowsNotKept_ = 0;
  allFetched_ = true;
  current_ = -1;
  eof_ = true;
  currentDecoded_ = false;
  emit activeChanged(false);
}

void TQuery::ConnectionClosing() { Unprepare(); }

void TQuery::CheckActive() const {
  if (!active_) throw EDatabaseError(QStringLiteral("不能對一個已關閉的 dataset 進行此操作"));
}

TField* TQuery::Fields(int index) const {
  if (index < 0 || index >= FieldCount()) throw EDatabaseError(QStringLiteral("欄位索引超出範圍: %1").arg(index));
  return fields_[static_cast<std::size_t>(index)].get();
}

TField* TQuery::FindField(const QString& name) const {
  for (const auto& f : fields_)
    if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0) return f.get();
  return nullptr;
}

TField* TQuery::FieldByName(const QString& name) const {
  TField* field = FindField(name);
  if (!field) throw EDatabaseError(QStringLiteral("%1: 找不到欄位 '%2'").arg(Name(), name));
  return field;
}

int TQuery::IndexOfField(const TField* field) const {
  for (std::size_t i = 0; i < fields_.size(); ++i)
    if (fields_[i].get() == field) return static_cast<int>(i);
  return -1;
}

void TQuery::MoveField(TField* field, int newIndex) {
  CheckNotHeld();
  const int from = IndexOfField(field);
  if (from < 0 || newIndex < 0 || newIndex >= FieldCount() || from == newIndex) return;
  auto moved = std::move(fields_[static_cast<std::size_t>(from)]);
  fields_.erase(fields_.begin() + from);
  fields_.insert(fields_.begin() + newIndex, std::move(moved));
  emit fieldsChanged();
}

QChar TQuery::IdentifierQuote() const {
  return database_ && database_->Connection() ? database_->Connection()->IdentifierQuote() : QLatin1Char('"');
}

qint64 TQuery::UnrepresentableValues() const {
  return active_ && statement_ ? statement_->UnrepresentableValues() : 0;
}

qint64 TQuery::ServerTextValues() const { return active_ && statement_ ? statement_->ServerTextValues() : 0; }

void TQuery::SetCurrent(qint64 row) {
  current_ = row;
  eof_ = row < 0;
  currentDecoded_ = false;
  emit recordChanged();
}

void TQuery::First() {
  CheckNotHeld();
  CheckActive();
  SetCurrent(FetchedCount() > 0 ? 0 : -1);
}

void TQuery::Next() {
  CheckNotHeld();
  CheckActive();
  if (current_ + 1 >= FetchedCount()) FetchMore(kFetchBatch);
  if (current_ + 1 < FetchedCount()) {
    SetCurrent(current_ + 1);
  } else {
    eof_ = true;  // stays on the last record
  }
}

void TQuery::MoveTo(qint64 row) {
  CheckNotHeld();
  CheckActive();
  if (row >= FetchedCount()) FetchMore(row - FetchedCount() + 1);
  if (row >= 0 && row < FetchedCount() && row != current_) SetCurrent(row);
}

CellValue TQuery::ValueAt(qint64 row, const TField* field) const {
  const RowStore* store = StoreOf(row);
  return store ? store->Value(row, field->storeColumn_) : CellValue{};
}

CellValue TQuery::CurrentValue(int storeColumn) const {
  if (!active_ || current_ < 0) return {};
  if (!currentDecoded_) DecodeCurrent();
  return currentValues_[static_cast<std::size_t>(storeColumn)];
}

const std::vector<CellValue>& TQuery::CurrentValues() const {
  if (!active_ || current_ < 0) {
    currentValues_.assign(currentValues_.size(), CellValue{});
    currentDecoded_ = false;
  } else if (!currentDecoded_) {
    DecodeCurrent();
  }
  return currentValues_;
}

void TQuery::DecodeCurrent() const {
  qint64 row = current_;
  const RowStore* store = StoreOf(row);
  if (store)
    store->DecodeRow(row, currentValues_);
  else
    currentValues_.assign(currentValues_.size(), CellValue{});
  currentDecoded_ = true;
}

void TQuery::StoredRows(qint64 from, qint64 to, std::vector<StoredRow>& out) const {
  for (qint64 row = from; row < to; ++row) {
    qint64 at = row;
    const RowStore* store = StoreOf(at);
    Q_ASSERT(store);
    out.push_back(store->Row(at));
  }
}

void TQuery::PlaceAfter(qint64 rows) {
  CheckActive();
  if (rows < FetchedCount()) {
    if (rows != current_) SetCurrent(rows);
    return;
  }
  if (FetchedCount() - 1 != current_) SetCurrent(FetchedCount() - 1);
  eof_ = true;
}
