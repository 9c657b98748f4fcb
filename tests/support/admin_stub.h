#pragma once
// The administration program's stand-in, run for one test.
#include <QProcess>
#include <QStringList>

class AdminStub {
public:
  explicit AdminStub(const QStringList& arguments);
  ~AdminStub();

private:
  QProcess process_;
};
