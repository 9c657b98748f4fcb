#pragma once
// Answers the save dialog and the message boxes a save shows, as a user
// would: a file name typed (or a cancel), then our own questions answered
// with `confirm`; what was proposed and shown is kept for the test.
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// What the dialog proposed and what the test answered.
struct DialogScript {
  explicit DialogScript(QString fileName) : answer(std::move(fileName)) {}
  QString answer;     // the file name to type; empty cancels
  QString proposed;   // the name the dialog offered
  QString filter;     // the file-type entry it had selected
  QString confirm = QStringLiteral("確定");  // the button for our own questions
  QStringList messages;
};

std::function<void(QWidget*)> Answer(DialogScript& s);
