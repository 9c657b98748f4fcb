#include "database/odbc/odbc_backend.h"

#include "database/database.h"
#include "database/failure.h"
#include "database/mariadb/mariadb_statement_text.h"
#include "database/odbc/iso_text.h"
#include "database/odbc/odbc_common.h"
#include "database/password_mask.h"
#include "database/server_text.h"
#include "database/statement_text.h"

#include <QRegularExpression>
#include <atomic>
#include <cstring>
#include <functional>
#include <odbcinst.h>
#include <sql.h>
#include <sqlext.h>
#include <vector>


OdbcConnection::OdbcConnection(const QString& connectionString, const QString& secret) : secret_(secret) {
  SQLHDBC dbc = SQL_NULL_HDBC;
  if (!Ok(SQLAllocHandle(SQL_HANDLE_DBC, Environment(), &dbc))) throw EDatabaseError(QStringLiteral("ODBC 無法配置連線"));
  auto wide = ToWide(connectionString);
  SQLSMALLINT outLength = 0;
  // The completed string would hold the password in clear text: ask for none.
  const SQLRETURN rc = SQLDriverConnectW(dbc, nullptr, wide.data(), SQL_NTS, nullptr, 0, &outLength,
                                         SQL_DRIVER_NOPROMPT);
  if (!Ok(rc)) {
    const QString message = Diagnostics(SQL_HANDLE_DBC, dbc, secret_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    throw EDatabaseError(message);
  }
  dbc_ = dbc;
  SQLWCHAR dbms[128] = {0};
  SQLSMALLINT dbmsLength = 0;
  if (Ok(SQLGetInfoW(dbc, SQL_DBMS_NAME, dbms, sizeof dbms, &dbmsLength))) {
    const QString name = FromWide(dbms);
    if (name.startsWith(QLatin1String("PostgreSQL"), Qt::CaseInsensitive)) server_ = OdbcServer::Postgres;
    else if (name.startsWith(QLatin1String("SQLite"), Qt::CaseInsensitive)) server_ = OdbcServer::Sqlite;
    else if (name.startsWith(QLatin1String("MariaDB"), Qt::CaseInsensitive) ||
             name.startsWith(QLatin1String("MySQL"), Qt::CaseInsensitive))
      server_ = OdbcServer::MySql;
  }
  SQLWCHAR quote[8] = {0};
  SQLSMALLINT quoteLength = 0;
  if (Ok(SQLGetInfoW(dbc, SQL_IDENTIFIER_QUOTE_CHAR, quote, sizeof quote, &quoteLength)) && quote[0] != 0 &&
      quote[0] != u' ')
    identifierQuote_ = QChar(static_cast<char16_t>(quote[0]));
}

OdbcConnection::~OdbcConnection() {
  reading_->Pause();
  SQLDisconnect(dbc_);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
}

QStringList OdbcConnection::TableNames() {
  reading_->Pause();
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt);
  auto table = ToWide(QStringLiteral("TABLE"));
  auto all = ToWide(QStringLiteral("%"));
  // The MariaDB and MySQL drivers list every database's tables (the
  // server's own among them) without a catalog: the connected one's only.
  SQLWCHAR catalog[256] = {0};
  SQLINTEGER catalogLength = 0;
  const bool ownCatalog = server_ == OdbcServer::MySql &&
                          Ok(SQLGetConnectAttrW(dbc_, SQL_ATTR_CURRENT_CATALOG, catalog, sizeof catalog - 2,
                                                &catalogLength)) &&
                          catalog[0] != 0;
  QStringList names;
  if (Ok(SQLTablesW(stmt, ownCatalog ? catalog : nullptr, ownCatalog ? SQL_NTS : 0, nullptr, 0, all.data(), SQL_NTS,
                    table.data(), SQL_NTS))) {
    SQLWCHAR name[512];
    SQLLEN length = 0;
    SQLBindCol(stmt, 3, SQL_C_WCHAR, name, sizeof name, &length);
    while (Ok(SQLFetch(stmt))) {
      if (length == SQL_NULL_DATA) continue;
      const QString n = FromWide(name);
      if (!n.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive)) names << n;
    }
  } else {
    const QString message = Diagnostics(SQL_HANDLE_STMT, stmt, secret_);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    throw EDatabaseError(message);
  }
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  return names;
}

void OdbcConnection::Cancel() {
  std::lock_guard lock(calls_->mutex);
  calls_->cancelled = true;
  if (calls_->statement) SQLCancel(calls_->statement);
}

void OdbcConnection::ResetCancel() { calls_->cancelled = false; }

bool OdbcConnection::Alive() const {
  reading_->Pause();
  SQLUINTEGER dead = SQL_CD_FALSE;
  if (!Ok(SQLGetConnectAttrW(dbc_, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr))) return true;
  return dead != SQL_CD_TRUE;
}

void OdbcConnection::ExecuteDirect(const QString& sql) {
  reading_->Pause();
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  if (!Ok(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt))) throw EDatabaseError(Diagnostics(SQL_HANDLE_DBC, dbc_, secret_));
  auto wide = ToWide(sql);
  const SQLRETURN rc = SQLExecDirectW(stmt, wide.data(), SQL_NTS);
  const QString message = Ok(rc) || rc == SQL_NO_DATA ? QString() : Diagnostics(SQL_HANDLE_STMT, stmt, secret_);
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  if (!message.isEmpty()) throw EDatabaseError(message);
}

void OdbcConnection::EnterAccess(StatementAccess access) {
  if (server_ == OdbcServer::Postgres) {
    // Every read-only run sets the mode again: a statement run before may
    // have changed the session's default.
    if (access == StatementAccess::ReadOnly)
      ExecuteDirect(QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY"));
    else if (access_ != access)
      ExecuteDirect(QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION READ WRITE"));
  } else if (server_ == OdbcServer::MySql) {
    // The driver ignores the access mode: the session's, which makes a
    // function that writes fail with the server's message.
    if (access_ != access || !accessSet_)
      ExecuteDirect(access == StatementAccess::ReadOnly ? QStringLiteral("SET SESSION TRANSACTION READ ONLY")
                                                        : QStringLiteral("SET SESSION TRANSACTION READ WRITE"));
    accessSet_ = true;
  } else if (access_ != access) {
    // A hint to drivers that honour it; the others ignore it.
    const auto mode = access == StatementAccess::ReadOnly ? SQL_MODE_READ_ONLY : SQL_MODE_READ_WRITE;
    SQLSetConnectAttrW(dbc_, SQL_ATTR_ACCESS_MODE, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(mode)), 0);
  }
  access_ = access;
}

std::unique_ptr<BackendStatement> OdbcConnection::Prepare(const QString& sql, StatementAccess access) {
  if (server_ == OdbcServer::MySql) {
    const QString refusal = MariaDbStatementRefusal(sql, access == StatementAccess::ReadOnly);
    if (!refusal.isEmpty()) throw EDatabaseError(refusal);
  } else if (!HoldsOneStatement(sql)) {
    throw EDatabaseError(MultipleStatementsMessage());
  }
  reading_->Pause();
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  if (!Ok(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt)))
    throw EDatabaseError(Diagnostics(SQL_HANDLE_DBC, dbc_, secret_));
  auto wide = ToWide(sql);
  SQLRETURN prepared = SQL_ERROR;
  {
    const InFlight inFlight(*calls_, stmt);
    prepared = SQLPrepareW(stmt, wide.data(), SQL_NTS);
  }
  if (!Ok(prepared)) {
    const QString message = Diagnostics(SQL_HANDLE_STMT, stmt, secret_);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    throw EDatabaseError(message);
  }
  return MakeOdbcStatement(stmt, secret_, server_, [this, access] { EnterAccess(access); },
                           *reading_, *calls_);
}
