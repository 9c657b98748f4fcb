#pragma once
// Answers modal dialogs from inside a test: a timer finds the active modal
// widget, records what it says and answers it.
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

class ModalAnswerer {
public:
  // `answer` gets each modal widget; the default presses the box's first
  // button (or rejects a dialog).
  explicit ModalAnswerer(std::function<void(QWidget*)> answer = {});
  ~ModalAnswerer();
  // Texts of the message boxes answered so far.
  const QStringList& Texts() const { return texts_; }
  const QStringList& Titles() const { return titles_; }

private:
  void Poll();
  std::function<void(QWidget*)> answer_;
  QStringList texts_;
  QStringList titles_;
  class QTimer* timer_;
};

// Presses the button of a message box whose text is `caption`.
void PressButton(QWidget* box, const QString& caption);
