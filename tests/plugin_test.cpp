// The spreadsheet application is a plugin: without it, or with a broken one,
// "Excel轉出" says what is missing and the window goes on working.
#include "platform/plugin_provider.h"
#include "support/files.h"
#include "support/modal.h"
#include "support/temp_database.h"
#include "support/window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

class UiSpreadsheetPlugin : public WindowTest {
protected:
  void SetUp() override {
    db_ = std::make_unique<TempDatabase>(QStringLiteral("create table t (a integer); insert into t values (1), (2);"),
                                         QStringLiteral("PLUGINDB"));
    WindowTest::SetUp();
    UseDatabase(db_->Alias());
    W().chbShowMemo->setChecked(false);
  }
  void TearDown() override {
    SetPluginDirectories(previous_);
    WindowTest::TearDown();
  }
  void Run(const QString& statement) {
    W().MemoSQL->setPlainText(statement);
    QTest::mouseClick(W().ButtonSQLExec, Qt::LeftButton);
  }
  // Runs "Excel轉出" with a file name typed; gives the messages shown.
  QStringList Export() {
    QStringList messages;
    ModalAnswerer answerer([&](QWidget* modal) {
      if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(dir_.filePath(QStringLiteral("x.xls")));
        QTimer::singleShot(0, dialog, [dialog] { QMetaObject::invokeMethod(dialog, "accept"); });
      } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        messages << box->text();
        box->buttons().first()->click();
      }
    });
    W().mnuExcelOut->trigger();
    return messages;
  }
  std::unique_ptr<TempDatabase> db_;
  QTemporaryDir dir_;
  QStringList previous_ = PluginDirectories();
};

}  // namespace

TEST_F(UiSpreadsheetPlugin, WithoutThePluginTheExportSaysWhatToInstall) {
  QTemporaryDir empty;
  SetPluginDirectories({empty.path()});
  Run(QStringLiteral("select * from t"));
  const QStringList messages = Export();
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages.first().contains(QStringLiteral("LibreOffice Calc"))) << messages.first().toStdString();
  EXPECT_TRUE(messages.first().contains(QStringLiteral("apt-get install libreoffice-calc"))) << messages.first().toStdString();
  EXPECT_FALSE(QFileInfo::exists(dir_.filePath(QStringLiteral("x.xls"))));
  // The window goes on working.
  Run(QStringLiteral("select count(*) from t"));
  EXPECT_EQ(OutputLines().last(), QStringLiteral("2"));
}

TEST_F(UiSpreadsheetPlugin, ABrokenPluginIsReportedWithTheLoadersReason) {
  QTemporaryDir broken;
  WriteAll(broken.filePath(QString::fromUtf8(kCalcPlugin.fileName)), QByteArray("not a library"));
  SetPluginDirectories({broken.path()});
  Run(QStringLiteral("select * from t"));
  const QStringList messages = Export();
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages.first().contains(QStringLiteral("LibreOffice Calc"))) << messages.first().toStdString();
  EXPECT_TRUE(messages.first().contains(QString::fromUtf8(kCalcPlugin.fileName))) << messages.first().toStdString();
}
