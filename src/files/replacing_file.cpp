#include "files/replacing_file.h"

#include "database/failure.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// What a file created here would get: the target's mode when it exists,
// else the usual one under the process's umask.
mode_t ModeFor(const QByteArray& target) {
  struct stat existing {};
  if (stat(target.constData(), &existing) == 0) return existing.st_mode & 07777;
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}
}  // namespace

ReplacingFile::ReplacingFile(const QString& target, const QString& firstLine) : target_(target) {
  const QFileInfo info(target);
  QByteArray pattern =
      QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
  fd_ = mkstemp(pattern.data());
  if (fd_ < 0) throw FileFailure(firstLine.arg(target), target, qt_error_string(errno));
  temporary_ = QFile::decodeName(pattern);
  fchmod(fd_, ModeFor(QFile::encodeName(target)));
}

ReplacingFile::~ReplacingFile() {
  if (fd_ >= 0) close(fd_);
  if (!committed_) unlink(QFile::encodeName(temporary_).constData());
}

void ReplacingFile::FailWrite(int savedErrno) const {
  throw FileFailure(kStreamWriteError, target_, qt_error_string(savedErrno));
}

void ReplacingFile::Write(const char* data, qsizetype size) {
  while (size > 0) {
    const ssize_t n = ::write(fd_, data, static_cast<size_t>(size));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) FailWrite(n < 0 ? errno : ENOSPC);
    data += n;
    size -= n;
    size_ += n;
  }
}

QByteArray ReplacingFile::ReadBack(qint64 offset, qsizetype count) const {
  QByteArray bytes(static_cast<qsizetype>(std::min<qint64>(count, std::max<qint64>(size_ - offset, 0))),
                   Qt::Uninitialized);
  qsizetype got = 0;
  while (got < bytes.size()) {
    const ssize_t n = pread(fd_, bytes.data() + got, static_cast<size_t>(bytes.size() - got), offset + got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) FailWrite(n < 0 ? errno : EIO);
    got += n;
  }
  return bytes;
}

void ReplacingFile::Commit() {
  // A writer that wrote by name may have replaced the temporary: its mode
  // is set again by name.
  chmod(QFile::encodeName(temporary_).constData(), ModeFor(QFile::encodeName(target_)));
  if (fdatasync(fd_) != 0 && errno != EINVAL) FailWrite(errno);
  if (close(fd_) != 0) {
    fd_ = -1;
    FailWrite(errno);
  }
  fd_ = -1;
  if (rename(QFile::encodeName(temporary_).constData(), QFile::encodeName(target_).constData()) != 0)
    FailWrite(errno);
  committed_ = true;
}
