// window-shot OUT.png [SQL [DIALOG.png [LOGIN.png [WIDTHxHEIGHT]]]]: builds
// the window as the program does, runs an optional statement with the output
// pane on, and saves a picture of it (and of the column settings dialog for
// that result, and of the "Database Login" dialog), at an optional window
// size. Used for the README's screenshot and to look at every dialog.
#include "main/application.h"
#include "main/form1.h"
#include "controls/db_grid.h"
#include "setgrid/frm_setgrid.h"
#include "controls/login_dialog.h"

#include <QDialog>

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
  if (argc > 4) {
    QTimer::singleShot(100, [&] {
      if (QWidget* login = QApplication::activeModalWidget()) {
        login->grab().save(QString::fromLocal8Bit(argv[4]));
        static_cast<QDialog*>(login)->reject();
      }
    });
    QString user = QStringLiteral("clerk"), password;
    ShowDatabaseLogin(QStringLiteral("Accounts"), user, password);
  }
  if (argc > 5) {
    const QStringList size = QString::fromLocal8Bit(argv[5]).split(QLatin1Char('x'));
    window.resize(size.value(0).toInt(), size.value(1).toInt());
  }
  QTimer::singleShot(300, [&] {
    window.grab().save(QString::fromLocal8Bit(argv[1]));
    app.quit();
  });
  return app.exec();
}
