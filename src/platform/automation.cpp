#include "platform/automation.h"

#include "database/failure.h"
#include "platform/login_manager.h"
#include "platform/login_manager_dbus.h"
#include "platform/plugin_provider.h"

#include <QMap>

namespace {

QMap<QString, AutomationFactory>& Providers() {
  static QMap<QString, AutomationFactory> providers = [] {
    QMap<QString, AutomationFactory> builtIn;
    builtIn.insert(kLoginManagerProgId, &CreateDBusLoginManager);
    // LibreOffice is optional: its provider is a plugin, loaded on first use.
    builtIn.insert(kSpreadsheetProgId, [] { return CreatePluginObject(kCalcPlugin); });
    return builtIn;
  }();
  return providers;
}

}  // namespace

void RegisterAutomationProvider(const QString& progId, AutomationFactory factory) {
  Providers().insert(progId, std::move(factory));
}

AutomationValue::Object CreateOleObject(const QString& progId) {
  const auto it = Providers().constFind(progId);
  if (it == Providers().constEnd() || !*it) throw Failure(kUnknownClassMessage);
  return (*it)();
}
