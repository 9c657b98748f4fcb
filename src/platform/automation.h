#pragma once
// Late-bound automation: objects made from a programmatic identifier whose
// members are read, written and called by name. A failing member throws a
// Failure carrying the provider's message.
#include <QString>
#include <functional>
#include <memory>
#include <utility>
#include <variant>
#include <vector>

class AutomationObject;

class AutomationValue {
public:
  using Object = std::shared_ptr<AutomationObject>;
  AutomationValue() = default;
  AutomationValue(bool v) : value_(v) {}
  AutomationValue(int v) : value_(static_cast<qint64>(v)) {}
  AutomationValue(qint64 v) : value_(v) {}
  AutomationValue(double v) : value_(v) {}
  AutomationValue(const QString& v) : value_(v) {}
  AutomationValue(const char* v) : value_(QString::fromUtf8(v)) {}
  AutomationValue(Object v) : value_(std::move(v)) {}

  bool IsNull() const { return std::holds_alternative<std::monostate>(value_); }
  bool IsObject() const { return std::holds_alternative<Object>(value_); }
  // The text form; throws for null and for objects, which have none.
  QString ToText() const;
  qint64 ToInteger() const;
  bool ToBool() const;
  double ToDouble() const;
  // The object; throws when the value is none.
  Object ToObject() const;

private:
  std::variant<std::monostate, bool, qint64, double, QString, Object> value_;
};

using AutomationArgs = std::vector<AutomationValue>;
using NamedAutomationArgs = std::vector<std::pair<QString, AutomationValue>>;

class AutomationObject {
public:
  virtual ~AutomationObject() = default;
  // Reads a property (with index arguments, as cells(row, col) takes).
  virtual AutomationValue Get(const QString& name, const AutomationArgs& args = {}) = 0;
  virtual void Set(const QString& name, const AutomationValue& value, const AutomationArgs& args = {}) = 0;
  virtual AutomationValue Call(const QString& name, const AutomationArgs& args = {},
                               const NamedAutomationArgs& named = {}) = 0;
};

using AutomationFactory = std::function<AutomationValue::Object()>;

// The spreadsheet application's identifier.
inline const QString kSpreadsheetProgId = QStringLiteral("Excel.Application");
// The system's text for an identifier no provider serves.
inline const QString kUnknownClassMessage = QStringLiteral("無效的類別字串");

// Registers a provider for an identifier (replacing any earlier one).
void RegisterAutomationProvider(const QString& progId, AutomationFactory factory);
// Makes the object; an identifier without a provider fails with the system's
// text for an unknown class.
AutomationValue::Object CreateOleObject(const QString& progId);
