#pragma once
// A file written beside its target and renamed over it once it is whole:
// until then the target keeps its bytes (or does not exist), and a write
// that fails, a stop or a crash leaves nothing half-written behind but the
// hidden temporary, which is removed unless committed.
#include <QByteArray>
#include <QString>

class ReplacingFile {
public:
  // Creates the temporary in the target's directory; throws FileFailure
  // with `firstLine` (%1 the target) and the system's reason.
  ReplacingFile(const QString& target, const QString& firstLine);
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // Throws FileFailure (a stream write error and the system's reason).
  void Write(const char* data, qsizetype size);
  void Write(const QByteArray& bytes) { Write(bytes.constData(), bytes.size()); }
  qint64 Size() const { return size_; }
  // Bytes already written, from `offset` on (at most `count`).
  QByteArray ReadBack(qint64 offset, qsizetype count) const;
  // The temporary's path, for a writer that wants a file name of its own
  // (it writes there; Commit then puts it in place).
  QString TemporaryPath() const { return temporary_; }

  // Flushes the temporary to the disk and renames it over the target; the
  // target keeps its permissions. Throws FileFailure.
  void Commit();

private:
  [[noreturn]] void FailWrite(int savedErrno) const;
  QString target_;
  QString temporary_;
  int fd_ = -1;
  qint64 size_ = 0;
  bool committed_ = false;
};
