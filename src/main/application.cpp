#include "main/application.h"

#include "database/failure.h"
#include "ui/messages.h"
#include "controls/login_dialog.h"
#include "database/session.h"
#include "database/user_questions.h"
#include "ui/guard.h"

#include <QFontDatabase>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("query2text"));
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/icons/%1x%1/apps/query2text.png").arg(size), QSize(size, size));
  setWindowIcon(QIcon::fromTheme(QStringLiteral("query2text"), icon));
  // Qt's own zh_TW texts for its stock dialogs and buttons.
  auto* translator = new QTranslator(this);
  if (translator->load(QLocale(QLocale::Chinese, QLocale::Taiwan), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    installTranslator(translator);
  // The engine asks; the window's dialogs answer.
  Session().SetLoginHandler(&ShowDatabaseLogin);
  SetConfirmHandler(&Confirm);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  bool handled = false;
  Guarded([&] { handled = QApplication::notify(receiver, event); });
  return handled;
}
