#pragma once
// The application object: the last line of defence that turns a failure
// escaping any event into the general error report.
#include <QApplication>

class TApplication : public QApplication {
public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};
