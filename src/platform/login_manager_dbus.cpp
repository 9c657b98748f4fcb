#include "platform/login_manager_dbus.h"

#include "database/failure.h"
#include "platform/admin_presence.h"
#include "platform/login_manager.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>

namespace {

const QString& kService = kLoginManagerProgId;

class DBusLoginManager : public AutomationObject {
public:
  DBusLoginManager() : interface_(kService, QStringLiteral("/"), kService, QDBusConnection::sessionBus()) {}

  AutomationValue Get(const QString& name, const AutomationArgs& args) override { return Call(name, args, {}); }

  void Set(const QString& name, const AutomationValue&, const AutomationArgs&) override {
    throw Failure(QStringLiteral("不明的名稱: %1").arg(name));
  }

  AutomationValue Call(const QString& name, const AutomationArgs&, const NamedAutomationArgs&) override {
    const QDBusMessage reply = interface_.call(name);
    if (reply.type() == QDBusMessage::ErrorMessage) throw Failure(reply.errorMessage());
    if (reply.arguments().isEmpty()) return {};
    const QVariant v = reply.arguments().first();
    switch (v.typeId()) {
      case QMetaType::Bool: return v.toBool();
      case QMetaType::Int:
      case QMetaType::UInt:
      case QMetaType::LongLong:
      case QMetaType::ULongLong: return static_cast<qint64>(v.toLongLong());
      case QMetaType::Double: return v.toDouble();
      default: return v.toString();
    }
  }

private:
  QDBusInterface interface_;
};

}  // namespace

AutomationValue::Object CreateDBusLoginManager() {
  QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
  if (!bus || !bus->isServiceRegistered(kService).value()) throw Failure(kUnknownClassMessage);
  // The site's password comes from it: only the administration program's own
  // process may answer.
  if (!LoginManagerBelongsToAdministrationProgram())
    throw Failure(QStringLiteral("登入管理程式 %1 不是由管理程式 (視窗 Q9ADM_REGISTER) 提供的, 不予使用").arg(kService));
  return std::make_shared<DBusLoginManager>();
}
