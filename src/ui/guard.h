#pragma once
// Qt must not see an exception cross its event loop, so every event handler
// runs through Guarded: a failure that escapes it becomes the application's
// general error report (a message box with the failure's text) and the
// window stays usable. A handler that a long run's event handling started
// and that tried to touch the run's query (EQueryHeld) just ends.
#include <QString>
#include <exception>

class EQueryHeld;

// The general error report: an error box with the text.
void ShowGeneralError(const QString& text);
bool IsQueryHeld(const std::exception& failure);

template <class Handler>
void Guarded(Handler&& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    if (!IsQueryHeld(e)) ShowGeneralError(QString::fromUtf8(e.what()));
  } catch (...) {
    ShowGeneralError(QStringLiteral("不明的錯誤"));
  }
}
