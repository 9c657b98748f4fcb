#pragma once
// A stand-in PostgreSQL server that records who logs in and with which
// password, then refuses every login. It answers from a thread of its own,
// since the program connects synchronously.
#include <QString>
#include <QStringList>
#include <atomic>
#include <mutex>
#include <thread>

class PgLoginRecorder {
public:
  // Listens on 127.0.0.1:port.
  explicit PgLoginRecorder(int port);
  ~PgLoginRecorder();
  QStringList Users() const;
  QStringList Passwords() const;

private:
  void Serve();
  void Answer(int client);
  int listener_ = -1;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  QStringList users_, passwords_;
  std::thread thread_;
};
