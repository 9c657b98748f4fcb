#pragma once
// The query every statement runs through: SQL lines, prepare, open, the
// fields of the result and a current record that moves over the fetched rows.
#include "database/cell_value.h"
#include "database/failure.h"
#include "database/field.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

// Kept out of this header, which most of the program includes: the backend
// seam and the row store change without recompiling their users.
class BackendStatement;
class RowStore;
class StoredRow;
class TDatabase;
class TQuery;

// A query that a long run holds while the window handles events (a paint,
// a focus change, a timer, a queued call) refuses, from whatever those
// events start, anything that would close, reopen, run or move it. The
// handler that tried does nothing further; nothing is shown for it.
class EQueryHeld : public Failure {
public:
  EQueryHeld() : Failure(QStringLiteral("查詢正在執行中")) {}
};

// The statement's lines. Any change closes and unprepares the query.
class TSQLLines {
public:
  explicit TSQLLines(TQuery* owner) : owner_(owner) {}
  void Clear();
  void Add(const QString& line);
  // Replaces the lines by those of a text (CR LF, LF or CR breaks).
  void SetText(const QString& text);
  void Assign(const QStringList& lines);
  // Every line followed by CR LF.
  QString Text() const;
  const QStringList& Lines() const { return lines_; }
  int Count() const { return static_cast<int>(lines_.size()); }

private:
  void Changing() const;
  void Changed();
  TQuery* owner_;
  QStringList lines_;
};

struct TParam {
  QString Name;
  QVariant Value;  // null until set
  // Empty for null, "True"/"False" for a Boolean, the plain text otherwise.
  QString AsString() const;
};

class TQuery : public QObject {
  Q_OBJECT
public:
  explicit TQuery(QObject* owner = nullptr);
  ~TQuery() override;

  QString Name() const { return objectName(); }
  const QString& DatabaseName() const { return databaseName_; }
  // Allowed only while the query is closed.
  void SetDatabaseName(const QString& name);

  // A read-only query runs its statements in the engine's read-only mode:
  // whatever would write fails and changes nothing.
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly) {
    Unprepare();
    readOnly_ = readOnly;
  }

  TSQLLines& SQL() { return sql_; }
  const TSQLLines& SQL() const { return sql_; }

  void Prepare();
  void Unprepare();
  bool Prepared() const { return statement_ != nullptr; }
  void Open();
  void Close();
  bool Active() const { return active_; }

  int FieldCount() const { return static_cast<int>(fields_.size()); }
  TField* Fields(int index) const;
  TField* FindField(const QString& name) const;  // nullptr when missing
  TField* FieldByName(const QString& name) const;  // throws when missing
  int IndexOfField(const TField* field) const;
  // Moves a field to another position of the field order.
  void MoveField(TField* field, int newIndex);

  // Rows of the result; fetches all remaining rows.
  qint64 RecordCount();
  // Fetches the remaining rows, asking `keepGoing` between batches (with the
  // rows fetched so far); false when it said stop (the rows fetched stay).
  bool FetchAll(const std::function<bool(qint64 fetched)>& keepGoing);
  void First();
  void Next();
  bool Eof() const { return eof_; }
  // 0-based number of the current record, -1 when there is none.
  qint64 RecNo() const { return current_; }
  void MoveTo(qint64 row);

  int ParamCount() const { return static_cast<int>(params_.size()); }
  TParam& Params(int index) { return params_.at(static_cast<std::size_t>(index)); }
  const TParam& Params(int index) const { return params_.at(static_cast<std::size_t>(index)); }
  qint64 RowsAffected() const { return rowsAffected_; }
  // The mark the connected engine quotes names with ('"' when unknown).
  QChar IdentifierQuote() const;
  // Values of the open result fetched so far that could not be represented
  // and are null instead (see BackendStatement).
  qint64 UnrepresentableValues() const;
  // Values kept as the server's own text because the program cannot hold
  // them as their column's type (see BackendStatement).
  qint64 ServerTextValues() const;

  // Open for a result too large to hold: only its first `rows` rows are
  // kept (what the grid shows; fewer when they take much memory). Each row
  // after them passes through: it is kept from its fetch until the current
  // record has moved past it.
  void OpenKeepingFirstRows(qint64 rows);
  // Ends such a result at its kept rows: the passing rows are let go and
  // nothing more is fetched; the current record moves to the last kept one.
  void EndAtKeptRows();
  // Whether every row fetched stays held (not a result that keeps its
  // first rows only).
  bool KeepsEveryRow() const { return keepOnly_ < 0; }
  // Rows of the open result that passed and are not held any longer.
  qint64 RowsNotKept() const { return rowsNotKept_; }
  // Rows held for reading at any position: every row fetched, or the kept
  // ones of a result that keeps its first rows only.
  qint64 StoredCount() const;

  // For data-aware controls: rows fetched so far (passed ones included) and
  // their values (null for a row not held).
  qint64 FetchedCount() const;
  bool AllFetched() const { return allFetched_; }
  qint64 FetchMore(qint64 count);
  CellValue ValueAt(qint64 row, const TField* field) const;
  CellValue CurrentValue(int storeColumn) const;
  // Every value of the current record, by store column (TField::StoreColumn).
  const std::vector<CellValue>& CurrentValues() const;
  // Where rows [from, to) lie, for a reader on another thread; every one
  // must be held. They stay where they are while the result is open, but
  // for the passing rows of a result that keeps its first rows only: those
  // go when a fetch follows a move of the current record past them.
  void StoredRows(qint64 from, qint64 to, std::vector<StoredRow>& out) const;
  // For a loop that read `rows` rows from the first without moving the
  // current record: the record after them, or the last one at the end
  // (Eof), as moving through them would have left it.
  void PlaceAfter(qint64 rows);

  // Called by the database when its connection goes away.
  void ConnectionClosing();

  // Whether the statements of this query wait for other sessions' locks
  // (true at first; a count statement that only helps need not).
  void SetWaitForLocks(bool wait) { waitForLocks_ = wait; }

  // Held for as long as it lives: see EQueryHeld. A long run holds its
  // query while it lets the window handle events.
  class Hold {
  public:
    explicit Hold(TQuery* query);
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

  private:
    QPointer<TQuery> query_;
  };
  bool Held() const { return held_ > 0; }
  // Throws EQueryHeld while held.
  void CheckNotHeld() const;

signals:
  void activeChanged(bool active);
  void recordChanged();
  void rowsFetched();
  void fieldsChanged();

private:
  friend class TSQLLines;
  // Rows a move past the fetched ones asks the engine for at a time.
  static constexpr qint64 kFetchBatch = 1000;
  void SQLChanged();
  void CheckActive() const;
  void SetCurrent(qint64 row);
  // Runs a call into the engine that may wait, stoppable by the user.
  void EngineCall(const std::function<void()>& call);
  void OpenResult(qint64 keepOnly);
  qint64 FetchBlock(qint64 count);
  qint64 FetchFromEngine(RowStore& into, qint64 count);
  qint64 FetchPassing(qint64 count);
  // The store holding row `row`, and the row's place in it; nullptr for a
  // row not held.
  const RowStore* StoreOf(qint64& row) const;
  // Decodes the current record's values (a record that is held).
  void DecodeCurrent() const;

  QString databaseName_;
  TSQLLines sql_{this};
  TDatabase* database_ = nullptr;
  std::unique_ptr<BackendStatement> statement_;
  std::vector<TParam> params_;
  std::vector<std::unique_ptr<TField>> fields_;
  std::unique_ptr<RowStore> rows_;
  qint64 keepOnly_ = -1;              // the rows kept, -1 when every row is
  std::unique_ptr<RowStore> passing_;  // rows after the kept ones, from passingBase_ on
  qint64 passingBase_ = -1;           // -1 until a row has passed
  qint64 rowsNotKept_ = 0;
  bool readOnly_ = false;
  bool waitForLocks_ = true;
  int held_ = 0;
  bool active_ = false;
  bool allFetched_ = true;
  bool eof_ = true;
  qint64 current_ = -1;
  qint64 rowsAffected_ = -1;
  mutable std::vector<CellValue> currentValues_;
  mutable bool currentDecoded_ = false;
};
