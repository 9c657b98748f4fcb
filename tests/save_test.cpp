// Saving through the window, with the save dialog answered from the test.
#include "text/codepage.h"
#include "controls/save_dialog.h"
#include "controls/text_pane.h"
#include "database/query.h"
#include "support/files.h"
#include "support/modal.h"
#include "support/save_script.h"
#include "support/temp_database.h"
#include "support/window_fixture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <sys/resource.h>

namespace {

class UiSave : public WindowTest {
protected:
  void SetUp() override {
    db_ = std::make_unique<TempDatabase>(QStringLiteral(
        "create table T1 (a integer, b varchar(10));"
        "insert into T1 values (1, '中文'), (2, 'x');"
        "create table T2 (c varchar(10));"
        "insert into T2 values ('한국'), ('ok');"),
        QStringLiteral("SAVEDB"));
    WindowTest::SetUp();
    UseDatabase(db_->Alias());
  }
  QString File(const char* name) const { return dir_.filePath(QLatin1String(name)); }
  void Save(DialogScript& script) {
    ModalAnswerer answerer(Answer(script));
    QTest::mouseClick(W().ButtonSave, Qt::LeftButton);
  }
  std::unique_ptr<TempDatabase> db_;
  QTemporaryDir dir_;
};

}  // namespace

TEST_F(UiSave, TextSaveProposesTheTableNameAndTheFileType) {
  W().MemoSQL->setPlainText(QStringLiteral("select * from T1"));
  W().MemoOutput->setPlainText(QStringLiteral("1,'中文'\n2,'x'"));
  UpdateInsertInto();
  DialogScript txt{File("out.txt")};
  Save(txt);
  EXPECT_EQ(txt.proposed, QStringLiteral("T1.txt"));
  EXPECT_EQ(txt.filter, QStringLiteral("txt(*.txt)"));
  EXPECT_EQ(ReadAll(File("out.txt")), ToBig5(QStringLiteral("1,'中文'\r\n2,'x'")));

  W().ChBEachRow->setChecked(true);
  DialogScript sql{File("out.sql")};
  Save(sql);
  EXPECT_EQ(sql.proposed, QStringLiteral("T1.sql"));
  EXPECT_EQ(sql.filter, QStringLiteral("sql(*.sql)"));
  EXPECT_EQ(ReadAll(File("out.sql")), ReadAll(File("out.txt")));  // same bytes whatever the name
}

TEST_F(UiSave, CancellingChangesNothing) {
  W().MemoSQL->setPlainText(QStringLiteral("select * from T1"));
  W().ButtonSQLExec->click();
  W().LabelRecNo->setText(QStringLiteral("7"));
  W().rbXLS->setChecked(true);
  DialogScript cancel{QString()};
  Save(cancel);
  EXPECT_EQ(cancel.proposed, QStringLiteral("T1.xls").chopped(4));
  EXPECT_TRUE(W().Query1->Active());
  EXPECT_EQ(W().LabelRecNo->text(), QStringLiteral("7"));
  EXPECT_TRUE(QDir(dir_.path()).isEmpty());
}

TEST_F(UiSave, EmptyPaneGivesAnEmptyFileAndReplacesTheOld) {
  WriteAll(File("empty.txt"), QByteArray("old content"));
  DialogScript s{File("empty.txt")};
  Save(s);
  EXPECT_TRUE(QFileInfo::exists(File("empty.txt")));
  EXPECT_EQ(ReadAll(File("empty.txt")), QByteArray());
}

TEST_F(UiSave, XlsHoldsTheEditedStatementAndTheDialogRemembers) {
  W().MemoSQL->setPlainText(QStringLiteral("select * from T1"));
  W().ButtonSQLExec->click();
  W().MemoSQL->setPlainText(QStringLiteral("select a from T1 where a = 2"));
  W().rbXLS->setChecked(true);
  DialogScript xls{File("result")};  // no extension typed: ".xls" is added
  Save(xls);
  EXPECT_EQ(xls.proposed, QStringLiteral("T1"));
  EXPECT_EQ(xls.filter, QStringLiteral("*.xls (*.xls)"));
  const QByteArray bytes = ReadAll(File("result.xls"));
  ASSERT_FALSE(bytes.isEmpty());
  EXPECT_TRUE(bytes.contains("select a from T1 where a = 2"));
  EXPECT_EQ(bytes.count(QByteArray("\x02\x00\x09\x00", 4)), 1);  // one INTEGER cell: a = 2
  EXPECT_FALSE(W().Query1->Active());
  EXPECT_EQ(W().LabelRecNo->text(), QStringLiteral("0"));

  // Right after it, a text save still proposes its own name and type.
  W().rbTXT->setChecked(true);
  DialogScript txt{QString()};
  Save(txt);
  EXPECT_EQ(txt.proposed, QStringLiteral("T1.txt"));
  EXPECT_EQ(txt.filter, QStringLiteral("txt(*.txt)"));
}

TEST_F(UiSave, AnExistingXlsIsAskedAboutTwice) {
  WriteAll(File("twice.xls"), QByteArray("keep me"));
  W().MemoSQL->setPlainText(QStringLiteral("select * from T1"));
  W().rbXLS->setChecked(true);
  DialogScript decline{File("twice.xls")};
  decline.confirm = QStringLiteral("取消");  // our own question; the dialog's is answered yes
  Save(decline);
  ASSERT_EQ(decline.messages.size(), 2);
  EXPECT_EQ(decline.messages.last(), QStringLiteral("檔案[") + File("twice.xls") + QStringLiteral("]已存在, 要覆蓋嗎?!"));
  EXPECT_EQ(ReadAll(File("twice.xls")), QByteArray("keep me"));
  EXPECT_FALSE(W().Query1->Active());  // re-run and closed again
}

TEST_F(UiSave, CharactersBig5CannotHoldAreNeverDroppedSilently) {
  W().MemoOutput->setPlainText(QStringLiteral("한국 and 中文"));
  DialogScript refuse{File("korean.txt")};
  refuse.confirm = QStringLiteral("取消");
  Save(refuse);
  ASSERT_EQ(refuse.messages.size(), 1);
  EXPECT_TRUE(refuse.messages.first().contains(QStringLiteral("2 個字元")));
  EXPECT_FALSE(QFileInfo::exists(File("korean.txt")));

  DialogScript utf8{File("korean.txt")};
  Save(utf8);
  EXPECT_EQ(ReadAll(File("korean.txt")), QStringLiteral("한국 and 中文").toUtf8());

  // An XLS save writes "?" and says how many were replaced.
  W().MemoSQL->setPlainText(QStringLiteral("select * from T2"));
  W().rbXLS->setChecked(true);
  DialogScript xls{File("korean.xls")};
  Save(xls);
  ASSERT_EQ(xls.messages.size(), 1);
  EXPECT_TRUE(xls.messages.first().contains(QStringLiteral("有 2 個字元"))) << xls.messages.first().toStdString();
  EXPECT_TRUE(ReadAll(File("korean.xls")).contains(QByteArray("\x02??", 3)));
}

TEST_F(UiSave, ALargePaneIsSavedPieceByPieceAsOneText) {
  // Over 4M characters: the save goes in pieces of whole lines; the file is
  // the whole text's, in Big5, and once a character Big5 lacks turns up in a
  // later piece, the whole text again in UTF-8.
  QString text;
  for (int i = 0; text.size() < (9 << 20); ++i) text += QStringLiteral("%1,名稱%1,中文備註\n").arg(i);
  text += QStringLiteral("最後一行");
  W().MemoOutput->setPlainText(text);
  QString crlf = text;
  crlf.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  DialogScript big5{File("big.txt")};
  Save(big5);
  EXPECT_TRUE(big5.messages.isEmpty());
  EXPECT_TRUE(ReadAll(File("big.txt")) == ToBig5(crlf));

  W().MemoOutput->appendPlainText(QStringLiteral("한국"));
  DialogScript utf8{File("big-utf8.txt")};
  Save(utf8);
  ASSERT_EQ(utf8.messages.size(), 1);
  EXPECT_TRUE(utf8.messages.first().contains(QStringLiteral("有 2 個字元")));
  EXPECT_TRUE(ReadAll(File("big-utf8.txt")) == (crlf + QStringLiteral("\r\n한국")).toUtf8());
}

TEST_F(UiSave, InvisibleCharactersAreAskedAboutToo) {
  // U+200B and U+202E have no Big5 form; they are counted, not dropped.
  W().MemoOutput->setPlainText(QStringLiteral("a\u200Bb\u202Ec"));
  DialogScript refuse{File("hidden.txt")};
  refuse.confirm = QStringLiteral("取消");
  Save(refuse);
  ASSERT_EQ(refuse.messages.size(), 1);
  EXPECT_TRUE(refuse.messages.first().contains(QStringLiteral("有 2 個字元"))) << refuse.messages.first().toStdString();
  EXPECT_FALSE(QFileInfo::exists(File("hidden.txt")));
}

TEST_F(UiSave, FailuresLeaveTheOldFileAndSaySo) {
  DialogScript nowhere{QStringLiteral("/proc/q2t-out.txt")};
  Save(nowhere);
  ASSERT_FALSE(nowhere.messages.isEmpty());
  EXPECT_EQ(nowhere.messages.last().section(QLatin1Char('\n'), 0, 0), QStringLiteral("無法產生檔案 /proc/q2t-out.txt"));
  EXPECT_TRUE(nowhere.messages.last().section(QLatin1Char('\n'), 1).startsWith(QStringLiteral("/proc/q2t-out.txt: ")));

  WriteAll(File("big.txt"), QByteArray("previous"));
  W().MemoOutput->setPlainText(QString(100000, QLatin1Char('x')));
  DialogScript full{File("big.txt")};
  {
    const FileSizeLimit diskFull(4096);
    Save(full);
  }
  ASSERT_FALSE(full.messages.isEmpty());
  EXPECT_EQ(full.messages.last().toStdString(),
            "串流(Stream)寫入錯誤\n" + File("big.txt").toStdString() + ": File too large");
  EXPECT_EQ(ReadAll(File("big.txt")), QByteArray("previous"));
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList({QStringLiteral("big.txt")}));
}
