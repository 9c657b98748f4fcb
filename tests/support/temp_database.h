#pragma once
// A real SQLite file made by a test, reachable under an alias of its own.
#include <QString>
#include <QTemporaryDir>

class TempDatabase {
public:
  // Runs `sql` (any number of statements) on a new file; registers `alias`.
  explicit TempDatabase(const QString& sql, const QString& alias = QStringLiteral("TESTDB"));
  const QString& Path() const { return path_; }
  const QString& Alias() const { return alias_; }
  // More statements on the same file.
  void Exec(const QString& sql) const;

private:
  QTemporaryDir dir_;
  QString path_;
  QString alias_;
};
