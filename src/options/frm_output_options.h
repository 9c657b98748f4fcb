#pragma once
// The "輸出選項" dialog: how the lines are written for the next tool. It
// edits a copy of the window's options and gives them back only on "確定",
// after every entry was checked.
#include "text/output_options.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

class TfrmOutputOptions : public QDialog {
  Q_OBJECT
public:
  explicit TfrmOutputOptions(const OutputOptions& options, QWidget* parent = nullptr);
  const OutputOptions& Options() const { return options_; }

  QComboBox* cmbLineFormat;
  QLineEdit* EdNullText;
  QComboBox* cmbEncoding;
  QComboBox* cmbLineBreak;
  QLineEdit* EdBatchSize;  // a number of rows, or empty for only the last "go"
  QComboBox* cmbTarget;
  QLineEdit* EdUseDatabase;
  QPushButton* ButtonOK;
  QPushButton* ButtonCancel;

private:
  void ButtonOKClick();
  OutputOptions options_;
};

// Shows the dialog for the window's options; true when they changed.
bool EditOutputOptions(OutputOptions& options, QWidget* parent);
