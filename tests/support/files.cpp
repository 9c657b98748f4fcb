#include "support/files.h"

#include <QFile>
#include <csignal>
#include <stdexcept>
#include <sys/resource.h>

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) throw std::runtime_error("write failed");
}

QString Hex(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex(' ').toUpper()); }

QByteArray FromHex(const char* spaced) { return QByteArray::fromHex(QByteArray(spaced).replace(' ', "")); }

FileSizeLimit::FileSizeLimit(long bytes) {
  std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of ending us
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  previousCurrent_ = static_cast<long>(limit.rlim_cur);
  previousMaximum_ = static_cast<long>(limit.rlim_max);
  limit.rlim_cur = static_cast<rlim_t>(bytes);
  setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
  rlimit limit{static_cast<rlim_t>(previousCurrent_), static_cast<rlim_t>(previousMaximum_)};
  setrlimit(RLIMIT_FSIZE, &limit);
}
