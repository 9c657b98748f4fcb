#pragma once
// Qt must not see an exception cross its event loop, so every event handler
// runs through Guarded: a failure that escapes it becomes the application's
// general error report (a message box with the failure's text) and the
// window stays usable.
#include <QString>
#include <exception>

void ShowGeneralError(const QString& text);

template <class Handler>
void Guarded(Handler&& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    ShowGeneralError(QString::fromUtf8(e.what()));
  } catch (...) {
    ShowGeneralError(QStringLiteral("不明的錯誤"));
  }
}
