#pragma once
// What the ODBC backend's files share: the environment handle, wide texts,
// and the success test of a call.
#include "database/odbc/odbc_backend.h"
#include "database/password_mask.h"
#include "database/statement_text.h"

#include <QString>
#include <QStringList>
#include <cstring>
#include <sql.h>
#include <sqlext.h>
#include <vector>

inline SQLHENV Environment() {
  static SQLHENV env = [] {
    SQLHENV e = SQL_NULL_HENV;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &e);
    SQLSetEnvAttr(e, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    return e;
  }();
  return env;
}

inline QString FromWide(const SQLWCHAR* text, qsizetype length = -1) {
  if (length < 0) {
    length = 0;
    while (text[length]) ++length;
  }
  return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), length);
}

inline std::vector<SQLWCHAR> ToWide(const QString& text) {
  std::vector<SQLWCHAR> wide(static_cast<std::size_t>(text.size()) + 1, 0);
  std::memcpy(wide.data(), text.utf16(), static_cast<std::size_t>(text.size()) * sizeof(SQLWCHAR));
  return wide;
}

inline bool Ok(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

// The driver's messages for a handle, the secret masked.
inline QString Diagnostics(SQLSMALLINT type, SQLHANDLE handle, const QString& secret) {
  QStringList messages;
  SQLWCHAR state[6], text[1024];
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  for (SQLSMALLINT i = 1; SQLGetDiagRecW(type, handle, i, state, &native, text, 1024, &length) == SQL_SUCCESS; ++i)
    messages << FromWide(text, std::min<SQLSMALLINT>(length, 1023));
  const QString message =
      MaskPassword(messages.isEmpty() ? QStringLiteral("ODBC 錯誤") : messages.join(QLatin1Char('\n')), secret);
  return message.contains(QLatin1String("database is locked")) ? DatabaseLockedMessage(message) : message;
}




// Marks a driver call on a statement, for OdbcConnection::Cancel.
class InFlight {
public:
  InFlight(OdbcCallsInFlight& calls, SQLHSTMT statement) : calls_(calls) {
    std::lock_guard lock(calls_.mutex);
    calls_.statement = statement;
  }
  ~InFlight() {
    std::lock_guard lock(calls_.mutex);
    calls_.statement = nullptr;
  }
  bool Cancelled() const { return calls_.cancelled; }

private:
  OdbcCallsInFlight& calls_;
};

