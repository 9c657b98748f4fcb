// query2text: turns the result of a SELECT into text.
#include "comlib/failure.h"
#include "comlib/messages.h"
#include "main/application.h"
#include "main/form1.h"

int main(int argc, char** argv) {
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
