#include "support/pg_recorder.h"

#include "support/services.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace {

bool ReadExactly(int fd, char* into, std::size_t size) {
  while (size > 0) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 5000) <= 0) return false;
    const ssize_t n = read(fd, into, size);
    if (n <= 0) return false;
    into += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::uint32_t Int32(const char* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return ntohl(v);
}

void Send(int fd, char type, const std::string& body) {
  std::string message(1, type);
  const std::uint32_t length = htonl(static_cast<std::uint32_t>(body.size() + 4));
  message.append(reinterpret_cast<const char*>(&length), 4);
  message += body;
  (void)!write(fd, message.data(), message.size());
}

}  // namespace

PgLoginRecorder::PgLoginRecorder(int port) {
  listener_ = ListenWithoutAnswering(port);
  if (listener_ < 0) return;
  thread_ = std::thread([this] { Serve(); });
}

PgLoginRecorder::~PgLoginRecorder() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (listener_ >= 0) close(listener_);
}

QStringList PgLoginRecorder::Users() const {
  std::lock_guard lock(mutex_);
  return users_;
}

QStringList PgLoginRecorder::Passwords() const {
  std::lock_guard lock(mutex_);
  return passwords_;
}

void PgLoginRecorder::Serve() {
  while (!stop_) {
    pollfd p{listener_, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    const int client = accept(listener_, nullptr, nullptr);
    if (client < 0) continue;
    Answer(client);
    close(client);
  }
}

// The start of the PostgreSQL protocol: an optional SSL request (refused),
// the startup packet with the user, a request for the password in clear.
void PgLoginRecorder::Answer(int client) {
  for (int packet = 0; packet < 2; ++packet) {
    char head[4];
    if (!ReadExactly(client, head, 4)) return;
    const std::uint32_t length = Int32(head);
    if (length < 8 || length > 10000) return;
    std::string body(length - 4, '\0');
    if (!ReadExactly(client, body.data(), body.size())) return;
    if (Int32(body.data()) == 80877103) {  // SSLRequest
      (void)!write(client, "N", 1);
      continue;
    }
    // key\0value\0 ... after the protocol number.
    for (std::size_t at = 4; at < body.size() && body[at];) {
      const std::string key = body.c_str() + at;
      at += key.size() + 1;
      const std::string value = body.c_str() + at;
      at += value.size() + 1;
      if (key == "user") {
        std::lock_guard lock(mutex_);
        users_ << QString::fromStdString(value);
      }
    }
    break;
  }
  Send(client, 'R', std::string("\0\0\0\3", 4));  // AuthenticationCleartextPassword
  char type = 0;
  char head[4];
  if (ReadExactly(client, &type, 1) && type == 'p' && ReadExactly(client, head, 4)) {
    std::string password(Int32(head) - 4, '\0');
    if (ReadExactly(client, password.data(), password.size())) {
      std::lock_guard lock(mutex_);
      passwords_ << QString::fromStdString(password.c_str());
    }
  }
  Send(client, 'E', std::string("SFATAL\0C28P01\0Mpassword authentication failed\0\0", 47));
}
