#pragma once
// The one database connection of the program, chosen by alias or by driver.

#include <QObject>
#include <QStringList>
#include <memory>
#include <set>

class BackendConnection;
class TQuery;

// The parameter lines a connection reads (the login manager sets them all).
inline const QString kParamServerName = QStringLiteral("SERVER NAME");
inline const QString kParamHostName = QStringLiteral("HOST NAME");
inline const QString kParamUserName = QStringLiteral("USER NAME");
inline const QString kParamPassword = QStringLiteral("PASSWORD");
inline const QString kParamApplicationName = QStringLiteral("APPLICATION NAME");

// Connection parameters: lines "NAME=value". Setting a name replaces the line
// of that name (compared without regard to case) or appends one; an empty
// value removes the line.
class TDatabaseParams {
public:
  void SetValue(const QString& name, const QString& value);
  QString Value(const QString& name) const;
  // Every line followed by CR LF.
  QString Text() const;
  const QStringList& Lines() const { return lines_; }
  void Clear() { lines_.clear(); }

private:
  int IndexOf(const QString& name) const;
  QStringList lines_;
};

class TDatabase : public QObject {
  Q_OBJECT
public:
  explicit TDatabase(QObject* owner = nullptr);
  ~TDatabase() override;

  bool Connected() const { return connection_ != nullptr; }
  // True connects (throws EDatabaseError with the engine's text); false
  // disconnects and closes the queries that use the connection.
  void SetConnected(bool connected);

  const QString& AliasName() const { return aliasName_; }
  void SetAliasName(const QString& alias);  // clears DriverName
  const QString& DriverName() const { return driverName_; }
  void SetDriverName(const QString& driver);  // clears AliasName
  const QString& DatabaseName() const { return databaseName_; }
  void SetDatabaseName(const QString& name);
  bool LoginPrompt() const { return loginPrompt_; }
  void SetLoginPrompt(bool prompt) { loginPrompt_ = prompt; }
  TDatabaseParams& Params() { return params_; }
  const TDatabaseParams& Params() const { return params_; }

  BackendConnection* Connection() const { return connection_.get(); }
  void AttachQuery(TQuery* query) { queries_.insert(query); }
  void DetachQuery(TQuery* query) { queries_.erase(query); }

private:
  QString aliasName_;
  QString driverName_;
  QString databaseName_;
  bool loginPrompt_ = true;
  TDatabaseParams params_;
  std::unique_ptr<BackendConnection> connection_;
  std::set<TQuery*> queries_;
};
