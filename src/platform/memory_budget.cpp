#include "platform/memory_budget.h"

#include <QFile>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// The process's virtual and resident size in bytes, from /proc.
bool ProcessSize(quint64& virtualBytes, quint64& residentBytes) {
  QFile statm(QStringLiteral("/proc/self/statm"));
  if (!statm.open(QIODevice::ReadOnly)) return false;
  const QList<QByteArray> pages = statm.readAll().split(' ');
  if (pages.size() < 2) return false;
  const auto page = static_cast<quint64>(sysconf(_SC_PAGESIZE));
  virtualBytes = pages[0].toULongLong() * page;
  residentBytes = pages[1].toULongLong() * page;
  return true;
}

quint64 AvailableBytes() {
  QFile meminfo(QStringLiteral("/proc/meminfo"));
  if (!meminfo.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : meminfo.readAll().split('\n'))
    if (line.startsWith("MemAvailable:")) return line.mid(13).trimmed().split(' ').first().toULongLong() * 1024;
  return 0;
}

}  // namespace

MemoryBudget MemoryBudget::FromNow() {
  MemoryBudget budget;
  quint64 virtualBytes = 0, residentBytes = 0;
  if (!ProcessSize(virtualBytes, residentBytes)) return budget;
  if (const quint64 available = AvailableBytes()) budget.residentLimit_ = residentBytes + available / 2;
  rlimit space{};
  if (getrlimit(RLIMIT_AS, &space) == 0 && space.rlim_cur != RLIM_INFINITY && space.rlim_cur > virtualBytes)
    budget.virtualLimit_ = virtualBytes + (space.rlim_cur - virtualBytes) / 4 * 3;
  return budget;
}

bool MemoryBudget::Exceeded() const {
  quint64 virtualBytes = 0, residentBytes = 0;
  if (!ProcessSize(virtualBytes, residentBytes)) return false;
  return (residentLimit_ && residentBytes > residentLimit_) || (virtualLimit_ && virtualBytes > virtualLimit_);
}
