#pragma once
// A failure is an exception that carries the message the user is shown.
#include <QString>
#include <QtGlobal>
#include <exception>
#include <string>

class Failure : public std::exception {
public:
  explicit Failure(QString message) : message_(std::move(message)), utf8_(message_.toStdString()) {}
  const QString& Message() const { return message_; }
  const char* what() const noexcept override { return utf8_.c_str(); }

private:
  QString message_;
  std::string utf8_;
};

// A write to a file failed (the program's own first line of such a message).
inline const QString kStreamWriteError = QStringLiteral("串流(Stream)寫入錯誤");

// A file that could not be made or written: the program's own first line,
// then the file and the system's reason (disk full, permission denied, ...).
inline Failure FileFailure(const QString& firstLine, const QString& fileName, const QString& reason) {
  return Failure(firstLine + QLatin1Char('\n') + fileName + QStringLiteral(": ") + reason);
}

// The system's reason for a failed write: Qt's file devices report only
// "unknown error" for a full disk or a file grown past its limit.
inline QString WriteErrorReason(int savedErrno, const QString& deviceReason) {
  return savedErrno ? qt_error_string(savedErrno) : deviceReason;
}

// Failures raised by the database layer (connecting, opening, missing fields).
class EDatabaseError : public Failure {
public:
  using Failure::Failure;
};
