#pragma once
// The seam between the engine layer and the database engines behind it.
// A backend opens connections; a connection lists tables and prepares
// statements; a statement runs and delivers its rows into a RowStore.
#include "database/field_type.h"
#include "database/row_store.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

struct ColumnDescription {
  QString name;
  TFieldType type = ftUnknown;
  int size = 0;  // declared length of character and byte columns, else 0
};

// ReadOnly: the statement runs in the engine's read-only mode where it has
// one, so that anything that would write fails with the engine's message.
enum class StatementAccess { ReadWrite, ReadOnly };

class BackendStatement {
public:
  virtual ~BackendStatement() = default;
  // Names of the statement's parameters, in order (empty names for "?").
  virtual QStringList ParameterNames() const = 0;
  // Runs the statement; afterwards Columns() describes the result (empty for
  // a statement that returns no rows). Throws EDatabaseError.
  virtual void Execute() = 0;
  virtual const std::vector<ColumnDescription>& Columns() const = 0;
  // Appends the next row to `into`; false at the end of the result.
  virtual bool FetchRow(RowStore& into) = 0;
  // Appends the next rows, about `atMost` of them: the number appended, 0
  // only at the end of the result. An engine that reads ahead in blocks may
  // hand over a whole block, more than asked for.
  virtual qint64 FetchRows(RowStore& into, qint64 atMost) {
    qint64 fetched = 0;
    while (fetched < atMost && FetchRow(into)) ++fetched;
    return fetched;
  }
  // Rows changed by the statement, -1 when the engine reports none.
  virtual qint64 RowsAffected() const = 0;
  // Values fetched so far that the program cannot represent (a date the
  // engine hands over as no real date) and stored as null instead.
  virtual qint64 UnrepresentableValues() const { return 0; }
  // Values fetched so far that the program cannot hold as their column's
  // type says (a zero date, a time past a day) and stored as the server's
  // own text instead.
  virtual qint64 ServerTextValues() const { return 0; }
  // Whether the last Execute got as far as handing the statement to the
  // engine: one that had started is never run again without the user (a
  // lost connection is made again, but the statement is not re-run).
  virtual bool Started() const { return true; }
  // Whether FetchRows can hand over rows (or tell the end) without asking
  // the engine, so without waiting: a block read ahead is ready.
  virtual bool RowsReady() const { return false; }
  // Ends the result early (after a stop): reading ahead stops and the
  // engine lets go of the statement; FetchRows gives nothing more.
  virtual void EndResult() {}
};

class BackendConnection {
public:
  virtual ~BackendConnection() = default;
  // User tables, without system tables.
  virtual QStringList TableNames() = 0;
  // Prepares one statement. A text that holds more than one is refused with
  // EDatabaseError before anything runs; so is, in ReadOnly access, a
  // statement the engine can tell would write.
  virtual std::unique_ptr<BackendStatement> Prepare(const QString& sql, StatementAccess access) = 0;
  // False once the engine knows the connection is lost (the server went
  // away); a lost connection is made again before the next statement fails.
  virtual bool Alive() const { return true; }

  // Stopping a call under way. Cancel and Sever may be called from any
  // thread while another thread is inside a call on this connection.
  // Cancel asks the engine to stop the statement (or fetch) under way and
  // every one started until ResetCancel; the call then fails soon, and the
  // connection stays usable.
  virtual void Cancel() {}
  // For a server that does not answer a cancel: cuts the connection so that
  // the call under way fails at once; Alive() is false afterwards.
  virtual void Sever() {}
  // Before a new call: a cancel of an earlier one no longer applies.
  virtual void ResetCancel() {}
  // The mark the engine quotes names with ('"', or '`' for MySQL).
  virtual QChar IdentifierQuote() const { return QLatin1Char('"'); }
  // Whether the statements that follow wait for another session's lock
  // (true at first); a statement that only helps (a count) need not.
  virtual void SetWaitForLocks(bool) {}
};
