#include "ui/guard.h"

#include "database/query.h"
#include "ui/messages.h"

void ShowGeneralError(const QString& text) { ShowError(text); }

bool IsQueryHeld(const std::exception& failure) { return dynamic_cast<const EQueryHeld*>(&failure) != nullptr; }
