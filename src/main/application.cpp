#include "main/application.h"

#include "comlib/failure.h"
#include "comlib/messages.h"
#include "controls/login_dialog.h"
#include "database/session.h"
#include "main/guard.h"

#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

void ShowGeneralError(const QString& text) { ShowError(text); }

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("query2text"));
  // Qt's own zh_TW texts for its stock dialogs and buttons.
  auto* translator = new QTranslator(this);
  if (translator->load(QLocale(QLocale::Chinese, QLocale::Taiwan), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    installTranslator(translator);
  Session().SetLoginHandler(&ShowDatabaseLogin);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  bool handled = false;
  Guarded([&] { handled = QApplication::notify(receiver, event); });
  return handled;
}
