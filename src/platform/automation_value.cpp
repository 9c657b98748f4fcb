// The values that automation members take and give. Compiled into the
// program and into each provider plugin, which shares no code with it.
#include "database/failure.h"
#include "platform/automation.h"

QString AutomationValue::ToText() const {
  if (auto v = std::get_if<bool>(&value_)) return *v ? QStringLiteral("True") : QStringLiteral("False");
  if (auto v = std::get_if<qint64>(&value_)) return QString::number(*v);
  if (auto v = std::get_if<double>(&value_)) return QString::number(*v, 'g', 15);
  if (auto v = std::get_if<QString>(&value_)) return *v;
  if (IsNull()) throw Failure(QStringLiteral("無效的 Null 使用"));
  throw Failure(QStringLiteral("無法將 automation 物件轉成文字"));
}

qint64 AutomationValue::ToInteger() const {
  if (auto v = std::get_if<qint64>(&value_)) return *v;
  if (auto v = std::get_if<double>(&value_)) return static_cast<qint64>(*v);
  if (auto v = std::get_if<bool>(&value_)) return *v ? -1 : 0;
  bool ok = false;
  const qint64 n = ToText().toLongLong(&ok);
  if (!ok) throw Failure(QStringLiteral("無法轉換成整數: %1").arg(ToText()));
  return n;
}

bool AutomationValue::ToBool() const {
  if (auto v = std::get_if<bool>(&value_)) return *v;
  return ToInteger() != 0;
}

double AutomationValue::ToDouble() const {
  if (auto v = std::get_if<double>(&value_)) return *v;
  if (auto v = std::get_if<qint64>(&value_)) return static_cast<double>(*v);
  return ToText().toDouble();
}

AutomationValue::Object AutomationValue::ToObject() const {
  if (auto v = std::get_if<Object>(&value_); v && *v) return *v;
  throw Failure(QStringLiteral("Variant 未參照到一個 automation 物件"));
}
