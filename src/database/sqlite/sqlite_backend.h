#pragma once
// SQLite files as database connections.
#include "database/backend.h"
#include "database/read_ahead.h"

#include <atomic>
#include <chrono>

struct sqlite3;

// The field type of a column from its declared SQL type (the first rule that
// matches wins). `autoIncrement` tells an INTEGER PRIMARY KEY AUTOINCREMENT
// column. Sets `size` to the declared length of character columns.
// An empty declaration means "no declared type": the caller decides by the
// value's storage class (SqliteStorageClassType).
TFieldType SqliteDeclaredType(const QString& declared, bool autoIncrement, int& size);
// The field type of an expression column, by the storage class of its first
// value (SQLITE_INTEGER ... SQLITE_NULL).
TFieldType SqliteStorageClassType(int storageClass, int& size);

class SqliteConnection : public BackendConnection {
public:
  // Opens an existing file; throws EDatabaseError when it cannot.
  explicit SqliteConnection(const QString& path);
  ~SqliteConnection() override;

  QStringList TableNames() override;
  std::unique_ptr<BackendStatement> Prepare(const QString& sql, StatementAccess access) override;
  void Cancel() override;
  void ResetCancel() override;
  // False once the file was deleted or another file renamed over it: the
  // connection would go on reading the old one without a word.
  bool Alive() const override;
  void SetWaitForLocks(bool wait) override { waitForLocks_ = wait; }

private:
  // SQLite calls these on the thread that steps a statement.
  static int BusyWait(void* connection, int attempt);
  static int StopRequested(void* connection);
  // Whether the text between from and end holds more than blanks and comments.
  bool RemainsAStatement(const char* from, const char* end) const;
  sqlite3* db_ = nullptr;
  QString path_;
  quint64 device_ = 0, inode_ = 0;  // the file opened
  std::atomic<bool> cancelled_ = false;
  std::atomic<bool> waitForLocks_ = true;
  std::chrono::steady_clock::time_point busySince_;
  // The statement whose rows a thread reads; a pointer, so that it stays put.
  std::unique_ptr<ConnectionReading> reading_ = std::make_unique<ConnectionReading>();
};
