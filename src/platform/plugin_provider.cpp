#include "platform/plugin_provider.h"

#include "database/failure.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <map>
#include <optional>

namespace {

std::optional<QStringList>& DirectoryOverride() {
  static std::optional<QStringList> directories;
  return directories;
}

Failure NotAvailable(const PluginDescription& plugin, const QString& reason) {
  return Failure(QStringLiteral("無法使用%1: 沒有安裝或無法載入。\n請安裝後再試, 例如: %2\n(%3)")
                     .arg(QString::fromUtf8(plugin.application), QString::fromUtf8(plugin.install), reason));
}

}  // namespace

QStringList PluginDirectories() {
  if (DirectoryOverride()) return *DirectoryOverride();
  const QString dir = QCoreApplication::applicationDirPath();
  return {dir + QStringLiteral("/plugins"), dir + QStringLiteral("/../plugins"),
          dir + QStringLiteral("/../lib/query2text")};
}

void SetPluginDirectories(const QStringList& directories) { DirectoryOverride() = directories; }

AutomationValue::Object CreatePluginObject(const PluginDescription& plugin) {
  QString file;
  for (const QString& dir : PluginDirectories()) {
    const QString candidate = QDir(dir).filePath(QString::fromUtf8(plugin.fileName));
    if (QFileInfo::exists(candidate)) {
      file = QFileInfo(candidate).canonicalFilePath();
      break;
    }
  }
  if (file.isEmpty())
    throw NotAvailable(plugin, QStringLiteral("找不到外掛程式 %1").arg(QString::fromUtf8(plugin.fileName)));
  // A loaded library stays loaded: objects it made may outlive any one call.
  static std::map<QString, PluginCreateFunction> loaded;
  auto it = loaded.find(file);
  if (it == loaded.end()) {
    QLibrary library(file);
    if (!library.load()) throw NotAvailable(plugin, library.errorString());
    auto create = reinterpret_cast<PluginCreateFunction>(library.resolve(kPluginCreateSymbol));
    if (!create) throw NotAvailable(plugin, library.errorString());
    it = loaded.emplace(file, create).first;
  }
  char error[1024] = {0};
  AutomationObject* object = it->second(error, sizeof error);
  if (!object) throw NotAvailable(plugin, QString::fromUtf8(error));
  return AutomationValue::Object(object);
}
