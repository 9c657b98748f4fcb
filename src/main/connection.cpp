// Choosing what the window is connected to: an alias of the engine, or the
// site's login-managed connection "Z9Ivozu".
#include "main/form1.h"

#include "ui/clipboard.h"
#include "database/failure.h"
#include "ui/messages.h"
#include "platform/product_version.h"
#include "text/text_utils.h"
#include "controls/db_grid.h"
#include "controls/db_image.h"
#include "database/database.h"
#include "database/password_mask.h"
#include "database/query.h"
#include "platform/automation.h"
#include "platform/login_manager.h"

#include <QComboBox>
#include <QPushButton>
#include <QCoreApplication>
#include <QSignalBlocker>

namespace {
// Parameter text for showing: neither the password nor its length leaves
// the program.
QString MaskedParams(const QString& text) {
  QStringList lines = text.split(QStringLiteral("\r\n"));
  for (QString& line : lines) {
    if (line.section(QLatin1Char('='), 0, 0).compare(QLatin1String("PASSWORD"), Qt::CaseInsensitive) == 0 &&
        line.contains(QLatin1Char('=')))
      line = line.section(QLatin1Char('='), 0, 0) + QLatin1Char('=') + kPasswordMask;
  }
  return lines.join(QStringLiteral("\r\n"));
}
}  // namespace

QString TForm1::ConnectionReport() const {
  return QStringLiteral("Database1.DatabaseName=") + Database1->DatabaseName() +
         QStringLiteral(" Database1.AliasName=") + Database1->AliasName() + QStringLiteral(" Database1.LoginPrompt=") +
         BoolText(Database1->LoginPrompt()) + QStringLiteral("\r\n") + QStringLiteral("Database1.Params.Text:") +
         QStringLiteral("\r\n") + MaskedParams(Database1->Params().Text());
}

void TForm1::ComboBox1Change(QObject*) {
  try {
    const QString text = ComboBox1->currentText();
    const bool managed = text == kLoginManaged;
    ++ConnectionChanges;
    if (!managed) {
      Database1->SetLoginPrompt(true);
    } else {
      LoginManager = CreateOleObject(kLoginManagerProgId);
      const LoginIdentity identity = ReadLoginIdentity(*LoginManager);
      APUserID = identity.apUserId;
      APUserName = identity.apUserName;
      ConnectServer = identity.connectServer;
      try {
        if (Database1->Connected()) Database1->SetConnected(false);
        Database1->SetLoginPrompt(false);
        Database1->SetDatabaseName(text);
        Database1->SetAliasName(QString());
        ApplyLoginConnection(*Database1, ReadLoginConnection(*LoginManager),
                             MakeApplicationName(QCoreApplication::applicationFilePath(), APUserID, APUserName));
        QString report = ConnectionReport();
        CopyToClipboard(report);
        report = ClipboardText();
        CopyToClipboardAndShow(report);
        Database1->SetConnected(true);
      } catch (const Failure& failure) {
        ShowError(QStringLiteral("無法連接資料庫.(") + failure.Message() + QLatin1Char(')'));
        // The program ends once this event has been handled.
        TerminateRequested = true;
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
      }
    }
    DBImage1->SetDataField(QString());
    DBImage1->SetAutoDisplay(false);
    DBGrid1->setEnabled(false);
    if (!managed) ConnectAlias(text);
    Query1->SetDatabaseName(Database1->DatabaseName());
    FormShow(this);
    ButtonClearSQLClick(ButtonClearSQL);
  } catch (const Failure& failure) {
    QString message = failure.Message();
    const QString shown = ReconnectPrevAlias(message);
    ShowMessage(message);
    const QSignalBlocker quiet(ComboBox1);  // putting the old name back is no new change
    ComboBox1->setEditText(shown);
    ComboBox1->setFocus();
  }
}

// A plain alias starts from its own configuration: the site's user and
// password, left by a login-managed change, must not go to another server.
void TForm1::ConnectAlias(const QString& alias) {
  Database1->SetConnected(false);
  Database1->SetLoginPrompt(true);
  Database1->Params().Clear();
  Database1->SetAliasName(alias);
  Database1->SetDatabaseName(alias);
  Database1->SetConnected(true);
}

// After a failed change the box shows the previous alias again; connect to
// it again too, so that what the box shows is what is connected. Gives the
// text for the box: empty when there is nothing to go back to or going back
// failed as well (then `message` says so).
QString TForm1::ReconnectPrevAlias(QString& message) {
  if (PrevAlias.isEmpty()) return {};
  if (Database1->Connected() && Database1->AliasName() == PrevAlias && Query1->DatabaseName() == PrevAlias)
    return PrevAlias;  // the change failed before it touched the connection
  try {
    Query1->Close();
    ConnectAlias(PrevAlias);
    Query1->SetDatabaseName(Database1->DatabaseName());
    FormShow(this);
    return PrevAlias;
  } catch (const Failure& again) {
    message += QLatin1Char('\n') + QStringLiteral("也無法重新連接 '%1': %2").arg(PrevAlias, again.Message());
    return {};
  }
}

void TForm1::ComboBox1Activated() {
  // Picking the entry the box already shows changes no text, so no change
  // ran: run it now (to reconnect, say, after the server came back).
  if (ConnectionChanges == ConnectionChangesAtPick) ComboBox1Change(ComboBox1);
}
