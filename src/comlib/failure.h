#pragma once
// A failure is an exception that carries the message the user is shown.
#include <QString>
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

// Failures raised by the database layer (connecting, opening, missing fields).
class EDatabaseError : public Failure {
public:
  using Failure::Failure;
};
