#include "database/database.h"

#include "database/failure.h"
#include "database/connection_opener.h"
#include "database/query.h"
#include "database/session.h"

int TDatabaseParams::IndexOf(const QString& name) const {
  for (int i = 0; i < lines_.size(); ++i)
    if (lines_[i].section(QLatin1Char('='), 0, 0).compare(name, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

void TDatabaseParams::SetValue(const QString& name, const QString& value) {
  const int at = IndexOf(name);
  if (value.isEmpty()) {
    if (at >= 0) lines_.removeAt(at);
  } else if (at >= 0) {
    lines_[at] = name + QLatin1Char('=') + value;
  } else {
    lines_.append(name + QLatin1Char('=') + value);
  }
}

QString TDatabaseParams::Value(const QString& name) const {
  const int at = IndexOf(name);
  return at < 0 ? QString() : lines_[at].section(QLatin1Char('='), 1);
}

QString TDatabaseParams::Text() const {
  QString text;
  for (const QString& line : lines_) text += line + QStringLiteral("\r\n");
  return text;
}

TDatabase::TDatabase(QObject* owner) : QObject(owner) { Session().RegisterDatabase(this); }

TDatabase::~TDatabase() {
  SetConnected(false);
  Session().UnregisterDatabase(this);
}

void TDatabase::SetConnected(bool connected) {
  if (connected == Connected()) return;
  if (!connected) {
    // A query a long run holds is not closed under it.
    for (TQuery* q : queries_) q->CheckNotHeld();
    const std::set<TQuery*> users = queries_;
    for (TQuery* q : users) q->ConnectionClosing();
    queries_.clear();
    connection_.reset();
    return;
  }
  if (!aliasName_.isEmpty()) {
    connection_ = OpenAliasConnection(aliasName_, *this);
  } else if (!driverName_.isEmpty()) {
    connection_ = OpenDriverConnection(driverName_, *this);
  } else {
    throw EDatabaseError(QStringLiteral("資料庫 '%1' 沒有指定別名或驅動程式").arg(databaseName_));
  }
}

void TDatabase::SetAliasName(const QString& alias) {
  SetConnected(false);
  aliasName_ = alias;
  driverName_.clear();
}

void TDatabase::SetDriverName(const QString& driver) {
  SetConnected(false);
  driverName_ = driver;
  aliasName_.clear();
}

void TDatabase::SetDatabaseName(const QString& name) {
  if (name == databaseName_) return;
  SetConnected(false);
  databaseName_ = name;
}
