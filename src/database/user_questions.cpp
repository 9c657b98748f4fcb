#include "database/user_questions.h"

namespace {
ConfirmHandler& Handler() {
  static ConfirmHandler handler;
  return handler;
}
}  // namespace

void SetConfirmHandler(ConfirmHandler handler) { Handler() = std::move(handler); }

bool AskToConfirm(const QString& question) { return Handler() && Handler()(question); }
