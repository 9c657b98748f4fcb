// Connecting to MariaDB or MySQL, the session settings a statement needs,
// the connected database's tables, and stopping a call from another thread.
#include "database/mariadb/mariadb_backend.h"
#include "database/mariadb/mariadb_session.h"

#include "database/failure.h"
#include "database/password_mask.h"

#include <errmsg.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>

namespace {

QByteArray Utf8OrNull(const QString& value) { return value.isEmpty() ? QByteArray() : value.toUtf8(); }
const char* OrNull(const QByteArray& value) { return value.isEmpty() ? nullptr : value.constData(); }

bool IsConnectionLost(unsigned error) {
  return error == CR_SERVER_GONE_ERROR || error == CR_SERVER_LOST || error == CR_CONNECTION_ERROR ||
         error == CR_CONN_HOST_ERROR || error == CR_SERVER_LOST_EXTENDED;
}

}  // namespace

MYSQL* MariaDbConnect(const MariaDbSettings& s, int connectSeconds, QString& failure) {
  MYSQL* mysql = mysql_init(nullptr);
  if (!mysql) {
    failure = QStringLiteral("記憶體不足");
    return nullptr;
  }
  const unsigned timeout = static_cast<unsigned>(connectSeconds);
  mysql_options(mysql, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
  mysql_options(mysql, MYSQL_SET_CHARSET_NAME, "utf8mb4");
  // The server may ask the client for a file of this machine (LOAD DATA
  // LOCAL): never.
  const unsigned noLocalFiles = 0;
  mysql_options(mysql, MYSQL_OPT_LOCAL_INFILE, &noLocalFiles);
  // No option file of the machine changes what the program asked for.
  const QByteArray key = Utf8OrNull(s.sslKey), cert = Utf8OrNull(s.sslCert), ca = Utf8OrNull(s.sslCa),
                   caPath = Utf8OrNull(s.sslCaPath), cipher = Utf8OrNull(s.sslCipher);
  if (!key.isEmpty() || !cert.isEmpty() || !ca.isEmpty() || !caPath.isEmpty() || !cipher.isEmpty())
    mysql_ssl_set(mysql, OrNull(key), OrNull(cert), OrNull(ca), OrNull(caPath), OrNull(cipher));
  const my_bool verify = s.sslVerify, enforce = s.forceTls;
  if (s.sslVerify) mysql_options(mysql, MYSQL_OPT_SSL_VERIFY_SERVER_CERT, &verify);
  if (s.forceTls) mysql_options(mysql, MYSQL_OPT_SSL_ENFORCE, &enforce);
  if (!s.applicationName.isEmpty())
    mysql_optionsv(mysql, MYSQL_OPT_CONNECT_ATTR_ADD, "program_name", s.applicationName.toUtf8().constData());
  const QByteArray host = Utf8OrNull(s.host), user = Utf8OrNull(s.user), password = Utf8OrNull(s.password),
                   database = Utf8OrNull(s.database), socket = Utf8OrNull(s.socket);
  const unsigned port = s.port.toUInt();
  // Without CLIENT_MULTI_STATEMENTS the server itself refuses a second
  // statement, whatever the check before it made of the text.
  if (!mysql_real_connect(mysql, OrNull(host), OrNull(user), OrNull(password), OrNull(database), port,
                          OrNull(socket), 0)) {
    failure = MaskPassword(QString::fromUtf8(mysql_error(mysql)), s.password);
    mysql_close(mysql);
    return nullptr;
  }
  return mysql;
}

MariaDbSession::~MariaDbSession() {
  if (mysql) mysql_close(mysql);
}

void MariaDbSession::Fail() { Fail(mysql_errno(mysql), QString::fromUtf8(mysql_error(mysql))); }

void MariaDbSession::Fail(unsigned error, const QString& text) {
  if (IsConnectionLost(error)) lost = true;
  const QString lead = lost ? QStringLiteral("與 %1 伺服器的連線中斷 (下次執行時會重新連接):").arg(serverName)
                            : QStringLiteral("%1 執行失敗:").arg(serverName);
  throw EDatabaseError(MaskPassword(lead + QLatin1Char('\n') + text, settings.password));
}

void MariaDbSession::Run(const char* sql) {
  if (cancelled) Fail(1317, QStringLiteral("Query execution was interrupted"));
  if (mysql_query(mysql, sql) != 0) Fail();
  // A statement of the program's own gives no rows; one that does is read
  // and dropped so that the connection is free.
  if (MYSQL_RES* rest = mysql_store_result(mysql)) mysql_free_result(rest);
}

void MariaDbSession::Enter(StatementAccess access) {
  const Access wanted = access == StatementAccess::ReadOnly ? Access::ReadOnly : Access::ReadWrite;
  if (access_ != wanted) {
    access_ = Access::Unknown;  // until the server has taken it
    Run(wanted == Access::ReadOnly ? "SET SESSION TRANSACTION READ ONLY" : "SET SESSION TRANSACTION READ WRITE");
    access_ = wanted;
  }
  if (shortLockWaits_ == !waitForLocks) return;
  if (lockWaits_.isEmpty()) {
    if (mysql_query(mysql, "SELECT @@SESSION.lock_wait_timeout, @@SESSION.innodb_lock_wait_timeout") != 0) Fail();
    MYSQL_RES* r = mysql_store_result(mysql);
    if (!r) Fail();
    if (MYSQL_ROW row = mysql_fetch_row(r); row && row[0] && row[1])
      lockWaits_ = QByteArray("lock_wait_timeout = ") + row[0] + ", innodb_lock_wait_timeout = " + row[1];
    mysql_free_result(r);
  }
  const QByteArray waits = waitForLocks ? lockWaits_ : QByteArray("lock_wait_timeout = 1, innodb_lock_wait_timeout = 1");
  if (!waits.isEmpty()) Run(("SET SESSION " + waits).constData());
  shortLockWaits_ = !waitForLocks;
}

bool MariaDbSession::KillQuery(bool wait) {
  if (lost || threadId == 0) return false;
  auto kill = [settings = settings, id = threadId] {
    QString failure;
    MYSQL* helper = MariaDbConnect(settings, 3, failure);
    if (!helper) return false;
    const bool killed =
        mysql_query(helper, ("KILL QUERY " + QByteArray::number(static_cast<qulonglong>(id))).constData()) == 0;
    mysql_close(helper);
    return killed;
  };
  if (wait) return kill();
  std::thread(kill).detach();  // a stop must not wait for a server that does not answer
  return true;
}

void MariaDbSession::Sever() {
  lost = true;
  const my_socket socket = mysql_get_socket(mysql);
  if (socket >= 0) shutdown(socket, SHUT_RDWR);
}

MariaDbConnection::MariaDbConnection(const MariaDbSettings& settings)
    : session_(std::make_shared<MariaDbSession>(settings)) {
  constexpr int kConnectSeconds = 10;
  QString failure;
  session_->mysql = MariaDbConnect(settings, kConnectSeconds, failure);
  if (!session_->mysql) throw EDatabaseError(QStringLiteral("無法連接到 MariaDB 伺服器:\n") + failure);
  session_->threadId = mysql_thread_id(session_->mysql);
  // The server says what it is: a MySQL server is named so in messages.
  if (!QByteArray(mysql_get_server_info(session_->mysql)).contains("MariaDB"))
    session_->serverName = QStringLiteral("MySQL");
}

MariaDbConnection::~MariaDbConnection() { session_->Yield(); }

QStringList MariaDbConnection::TableNames() {
  session_->Yield();
  MYSQL* mysql = session_->mysql;
  if (mysql_query(mysql,
                  "SELECT table_name FROM information_schema.tables WHERE table_schema = DATABASE()"
                  " AND table_type IN ('BASE TABLE', 'VIEW') ORDER BY table_name") != 0)
    session_->Fail();
  MYSQL_RES* r = mysql_store_result(mysql);
  if (!r) session_->Fail();
  QStringList names;
  while (MYSQL_ROW row = mysql_fetch_row(r)) {
    const unsigned long* lengths = mysql_fetch_lengths(r);
    if (row[0]) names << QString::fromUtf8(row[0], static_cast<qsizetype>(lengths[0]));
  }
  mysql_free_result(r);
  return names;
}

bool MariaDbConnection::Alive() const {
  if (session_->lost) return false;
  if (session_->streaming) return true;  // the reading thread has the connection
  // A server that ended an idle connection (a restart, an administrator,
  // a timeout) has closed the socket, or sent its last words before it: a
  // statement sent now would be lost.
  pollfd ready{mysql_get_socket(session_->mysql), POLLIN, 0};
  if (poll(&ready, 1, 0) > 0) session_->lost = true;
  return !session_->lost;
}

void MariaDbConnection::Cancel() {
  session_->cancelled = true;
  session_->KillQuery(false);
}

void MariaDbConnection::Sever() { session_->Sever(); }

void MariaDbConnection::ResetCancel() { session_->cancelled = false; }

void MariaDbConnection::SetWaitForLocks(bool wait) { session_->waitForLocks = wait; }
