#pragma once
// Questions the engine must put to the user (overwrite a file?). The engine
// never shows a dialog: it asks through the handler the application wires
// (message boxes), as it asks for a login through the session's handler.
#include <QString>
#include <functional>

// True when the user agrees. Without a handler the answer is no.
using ConfirmHandler = std::function<bool(const QString& question)>;

void SetConfirmHandler(ConfirmHandler handler);
bool AskToConfirm(const QString& question);
