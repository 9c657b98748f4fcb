// window-shot OUT.png [SQL [DIALOG.png]]: builds the window as the program
// does, runs an optional statement with the output pane on, and saves a
// picture of it (and of the column settings dialog for that result).
// Used for the README's screenshot.
#include "main/application.h"
#include "main/form1.h"
#include "controls/db_grid.h"
#include "setgrid/frm_setgrid.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  TApplication app(argc, argv);
  if (argc < 2) return 2;
  TForm1 window;
  window.show();
  if (argc > 2) {
    window.MemoSQL->setPlainText(QString::fromLocal8Bit(argv[2]));
    window.chbShowMemo->setChecked(false);
    window.ChBColName->setChecked(true);
    window.ButtonSQLExec->click();
  }
  if (argc > 3) {
    TfrmSetGrid dialog(window.DBGrid1);
    dialog.show();
    QApplication::processEvents();
    dialog.grab().save(QString::fromLocal8Bit(argv[3]));
  }
  QTimer::singleShot(300, [&] {
    window.grab().save(QString::fromLocal8Bit(argv[1]));
    app.quit();
  });
  return app.exec();
}
