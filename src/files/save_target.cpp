#include "files/save_target.h"

#include "database/failure.h"

#include <QFile>
#include <sys/stat.h>

void CheckSaveTarget(const QString& fileName, const QString& firstLine) {
  struct stat target {};
  if (stat(QFile::encodeName(fileName).constData(), &target) != 0) return;  // a new file
  if (S_ISREG(target.st_mode)) return;
  const QString kind = S_ISDIR(target.st_mode)    ? QStringLiteral("是一個目錄")
                       : S_ISFIFO(target.st_mode) ? QStringLiteral("是一個具名管道 (FIFO)")
                       : S_ISSOCK(target.st_mode) ? QStringLiteral("是一個 socket")
                                                  : QStringLiteral("是一個裝置");
  throw FileFailure(firstLine.arg(fileName), fileName,
                    kind + QStringLiteral(", 不是一般檔案; 存檔只寫一般檔案, 沒有寫入"));
}
