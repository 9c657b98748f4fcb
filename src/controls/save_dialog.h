#pragma once
// The save-file dialog with the state its users share: filter (in the
// "name(*.ext)|*.ext|..." form), 1-based filter index, default extension and
// file name. It asks before an existing file is replaced.
#include <QObject>
#include <QString>

// The file types the save dialog offers, in its "name(*.ext)|*.ext" form.
inline const QString kTextSaveFilter = QStringLiteral("txt(*.txt)|*.txt|sql(*.sql)|*.sql|ALL(*.*)|*.*");
inline const QString kXlsSaveFilter = QStringLiteral("*.xls|*.xls|*.*|*.*");
inline const QString kXlsxSaveFilter = QStringLiteral("*.xlsx|*.xlsx|*.*|*.*");

class QWidget;

class TSaveDialog : public QObject {
  Q_OBJECT
public:
  explicit TSaveDialog(QWidget* owner);

  QString Filter;
  int FilterIndex = 1;
  QString DefaultExt;  // appended to a name typed without extension
  QString FileName;

  // Shows the dialog; false when the user cancels. On OK, FileName and
  // FilterIndex hold the user's choice.
  bool Execute();
  // The dialog's filter entries in the toolkit's form, one per pair.
  QStringList NameFilters() const;

private:
  QWidget* owner_;
};
