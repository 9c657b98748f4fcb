#include "controls/save_dialog.h"

#include <QFileDialog>
#include <QFileInfo>

TSaveDialog::TSaveDialog(QWidget* owner) : QObject(owner), owner_(owner) {}

QStringList TSaveDialog::NameFilters() const {
  const QStringList parts = Filter.split(QLatin1Char('|'));
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    const QString& name = parts[i];
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    // The toolkit reads the patterns from the brackets at the end of an entry.
    filters << (name.endsWith(QLatin1Char(')')) && name.contains(QLatin1Char('('))
                    ? name
                    : name + QStringLiteral(" (") + patterns + QLatin1Char(')'));
  }
  return filters;
}

bool TSaveDialog::Execute() {
  QFileDialog dialog(owner_);
  dialog.setObjectName(objectName());
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  const QStringList filters = NameFilters();
  dialog.setNameFilters(filters);
  if (FilterIndex >= 1 && FilterIndex <= filters.size()) dialog.selectNameFilter(filters[FilterIndex - 1]);
  if (!FileName.isEmpty()) dialog.selectFile(FileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  QString chosen = dialog.selectedFiles().first();
  QString ext = DefaultExt;
  if (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
  if (!ext.isEmpty() && QFileInfo(chosen).suffix().isEmpty()) chosen += QLatin1Char('.') + ext;
  FileName = chosen;
  const int index = filters.indexOf(dialog.selectedNameFilter());
  if (index >= 0) FilterIndex = index + 1;
  return true;
}
