// query2text: turns the result of a SELECT into text.
#include "database/failure.h"
#include "ui/messages.h"
#include "main/application.h"
#include "main/form1.h"
#include "platform/display_check.h"

#include <csignal>
#include <cstdio>

int main(int argc, char** argv) {
  // A clipboard peer or a driver's socket that goes away must not end the
  // program: the failed write reports an error instead.
  std::signal(SIGPIPE, SIG_IGN);
  const QString problem = MissingDisplayProblem(argc, argv);
  if (!problem.isEmpty()) {
    std::fprintf(stderr, "%s\n", problem.toLocal8Bit().constData());
    return 1;
  }
  TApplication app(argc, argv);
  std::unique_ptr<TForm1> window;
  try {
    window = std::make_unique<TForm1>();
  } catch (const Failure& failure) {
    // Without its design-time connection the window cannot be built.
    ShowError(failure.Message());
    return 1;
  }
  window->show();
  return app.exec();
}
