// The main window built offscreen: controls, start-up, caption, focus, clear
// buttons and the table box.
#include "database/database.h"
#include "database/query.h"
#include "controls/db_grid.h"
#include "controls/db_image.h"
#include "controls/dataset_model.h"
#include "support/modal.h"
#include "support/temp_database.h"
#include "support/window_fixture.h"

#include <QAction>
#include <QGuiApplication>
#include <QClipboard>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include "controls/text_pane.h"
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

using UiWindow = WindowTest;

TEST_F(UiWindow, ControlsCarryTheirNamesCaptionsAndInitialValues) {
  EXPECT_EQ(W().objectName(), QStringLiteral("Form1"));
  EXPECT_EQ(W().size(), QSize(831, 621));
  struct Caption {
    const char* name;
    const char* text;
  };
  for (const Caption& c : {Caption{"ChBColName", "欄位名稱"}, Caption{"ChBEachRow", "每一筆都含欄位"},
                           Caption{"ChBLeftBrace", "左括號("}, Caption{"ChBRightBrace", "右括號)"},
                           Caption{"chbShowMemo", "不顯示在下面視窗"}}) {
    auto* box = Find<QCheckBox>(c.name);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text(), QString::fromUtf8(c.text));
    EXPECT_EQ(box->isChecked(), std::string(c.name) == "chbShowMemo") << c.name;
  }
  for (const Caption& c : {Caption{"ButtonSQLExec", "查詢"}, Caption{"ButtonClearSQL", "清除SQL命令"},
                           Caption{"ButtonClearResult", "清除結果"}, Caption{"ButtonSave", "把結果存成文字檔"},
                           Caption{"ButtonExit", "結束&X"}}) {
    auto* button = Find<QPushButton>(c.name);
    ASSERT_TRUE(button);
    EXPECT_EQ(button->text(), QString::fromUtf8(c.text));
  }
  EXPECT_EQ(Find<QPlainTextEdit>("MemoSQL")->toolTip(),
            QStringLiteral("Key In SQL Select Command Here. Ex: Select * from Cir1100"));
  EXPECT_EQ(Find<QLineEdit>("EdInsertInto")->toolTip(), QStringLiteral("insert into Cir1100"));
  EXPECT_EQ(Find<QLineEdit>("EdValues")->toolTip(), QStringLiteral("values"));
  EXPECT_EQ(Find<QLineEdit>("Delimiter")->text(), QStringLiteral(","));
  EXPECT_TRUE(Find<QRadioButton>("rbTXT")->isChecked());
  EXPECT_FALSE(Find<QRadioButton>("rbXLS")->isChecked());
  EXPECT_TRUE(Find<QPlainTextEdit>("MemoFields")->isReadOnly());
  EXPECT_EQ(Find<QPlainTextEdit>("MemoSQL")->lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_EQ(Find<TTextPane>("MemoOutput")->toPlainText(), QString());
  EXPECT_FALSE(Find<QTextEdit>("RichEditClipbrd")->isVisible());
  auto* progress = Find<QProgressBar>("ProgressBar1");
  EXPECT_EQ(progress->minimum(), 0);
  EXPECT_EQ(progress->maximum(), 100);
  EXPECT_EQ(progress->value(), 0);
  EXPECT_EQ(Find<QLabel>("Label1")->text(), QStringLiteral("欄位分隔字元:"));
  EXPECT_EQ(Find<QLabel>("Label2")->text(), QStringLiteral("欄位數:"));
  EXPECT_EQ(Find<QLabel>("Label3")->text(), QStringLiteral("資料-筆數-"));
  EXPECT_EQ(Find<QLabel>("LabelRecNo")->text(), QString());
  EXPECT_TRUE(Find<TDBGrid>("DBGrid1"));
  EXPECT_TRUE(Find<TDBImage>("DBImage1"));
  EXPECT_EQ(Find<QTimer>("Timer1")->interval(), 200);
  EXPECT_TRUE(Find<QTimer>("Timer1")->isActive());
  EXPECT_EQ(W().chbShowMemo->palette().color(QPalette::WindowText), QColor(Qt::red));
  EXPECT_EQ(W().ChBColName->palette().color(QPalette::WindowText), QColor(Qt::blue));
  EXPECT_EQ(W().ComboBox1->maxVisibleItems(), 20);
  EXPECT_EQ(W().CmbTables->maxVisibleItems(), 20);

  auto* menu = Find<QMenu>("PopupMenu1");
  ASSERT_TRUE(menu);
  QStringList entries;
  for (QAction* a : menu->actions()) entries << a->objectName() + QLatin1Char('=') + a->text();
  EXPECT_EQ(entries, QStringList({QStringLiteral("mnuSQLOut=SQL轉出"), QStringLiteral("mnuDataOut=Data轉出"),
                                  QStringLiteral("mnuSetGrid=設定欄位"), QStringLiteral("mnuExcelOut=Excel轉出")}));
}

TEST_F(UiWindow, TabOrderFollowsTheLayout) {
  const char* order[] = {"MemoSQL",    "ChBColName", "ChBEachRow", "EdInsertInto", "ButtonSQLExec",
                         "ButtonClearSQL", "ButtonClearResult", "ButtonSave", "ButtonExit", "MemoOutput",
                         "Delimiter", "ChBLeftBrace", "ChBRightBrace", "EdValues", "CmbTables", "MemoFields",
                         "rbTXT", "rbXLS", "ComboBox1"};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
    QWidget* w = Find<QWidget>(order[i]);
    // Skip the inner parts of composite controls (scroll bars, a combo box's edit).
    QWidget* next = w->nextInFocusChain();
    while (next != w && (next->objectName().isEmpty() || next->objectName().startsWith(QLatin1String("qt_"))))
      next = next->nextInFocusChain();
    EXPECT_EQ(next->objectName(), QLatin1String(order[i + 1])) << "after " << order[i];
  }
}

TEST_F(UiWindow, StartsOnTheDemoDatabaseShowingTheFirstTable) {
  EXPECT_EQ(W().ComboBox1->currentText(), QStringLiteral("DBDEMOS"));
  EXPECT_EQ(W().ComboBox1->itemText(0), QStringLiteral("DBDEMOS"));
  EXPECT_EQ(W().ComboBox1->findText(QStringLiteral("Z9Ivozu")), -1);  // no administration program offscreen
  EXPECT_TRUE(W().Database1->Connected());
  EXPECT_EQ(W().Database1->AliasName(), QStringLiteral("DBDEMOS"));
  EXPECT_EQ(W().Database1->DatabaseName(), QStringLiteral("DBDEMOS"));
  EXPECT_EQ(W().Query1->DatabaseName(), QStringLiteral("DBDEMOS"));
  EXPECT_EQ(W().PrevAlias, QStringLiteral("DBDEMOS"));
  EXPECT_FALSE(W().InFormShow);
  QStringList tables;
  for (int i = 0; i < W().CmbTables->count(); ++i) tables << W().CmbTables->itemText(i);
  QStringList sorted = tables;
  sorted.sort(Qt::CaseInsensitive);
  EXPECT_EQ(tables, sorted);
  EXPECT_TRUE(tables.contains(QStringLiteral("customer")));
  EXPECT_EQ(W().CmbTables->currentText(), tables.first());
  EXPECT_EQ(W().MemoFields->toPlainText().split(QLatin1Char('\n')).size(), W().LabelFieldCnt->text().toInt());
  EXPECT_FALSE(W().LabelRecCnt->text().isEmpty());
  EXPECT_TRUE(W().MemoSQL->toPlainText().isEmpty());  // the show routine adds no statement
  EXPECT_FALSE(W().Query1->Active());
}

TEST_F(UiWindow, CaptionClockHasBothForms) {
  const QRegularExpression clock(QStringLiteral("\\d{4}/\\d{2}/\\d{2}( \\d{2}:\\d{2}:\\d{2})?$"));
  W().Timer1Timer(&W());
  const QString plain = W().windowTitle();
  EXPECT_TRUE(plain.startsWith(QStringLiteral("動態地把查詢結果轉成文字檔 With Server:[DBDEMOS] "))) << plain.toStdString();
  EXPECT_TRUE(clock.match(plain).hasMatch()) << plain.toStdString();

  // Only the caption is looked at here: the connection change stays out.
  const QSignalBlocker quiet(W().ComboBox1);
  W().ComboBox1->setEditText(QStringLiteral("Z9Ivozu"));
  W().ConnectServer = QStringLiteral("DBSRV01");
  W().APUserID = QStringLiteral("A01");
  QTest::qWait(450);  // the timer runs by itself
  const QString managed = W().windowTitle();
  const QString prefix = QStringLiteral("動態地把查詢結果轉成文字檔 ") + QCoreApplication::applicationFilePath() +
                         QStringLiteral(" Server[DBSRV01] User[A01] 程式日期:");
  EXPECT_TRUE(managed.startsWith(prefix)) << managed.toStdString();
  EXPECT_TRUE(QRegularExpression(QStringLiteral("程式日期:\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2} ")).match(managed).hasMatch());
  EXPECT_TRUE(clock.match(managed).hasMatch());

  W().ComboBox1->setEditText(QStringLiteral("z9ivozu"));  // exact comparison only
  W().Timer1Timer(&W());
  EXPECT_TRUE(W().windowTitle().contains(QStringLiteral("With Server:[DBDEMOS]")));
}

TEST_F(UiWindow, FocusedPanesAreBold) {
  W().activateWindow();
  QApplication::setActiveWindow(&W());
  W().MemoSQL->setFocus();
  QApplication::processEvents();
  EXPECT_TRUE(W().MemoSQL->font().bold());
  W().MemoOutput->setFocus();
  QApplication::processEvents();
  EXPECT_FALSE(W().MemoSQL->font().bold());
  EXPECT_TRUE(W().MemoOutput->font().bold());
  W().MemoFields->setFocus();
  QApplication::processEvents();
  EXPECT_FALSE(W().MemoOutput->font().bold());
  EXPECT_TRUE(W().MemoFields->font().bold());
  W().Delimiter->setFocus();
  QApplication::processEvents();
  EXPECT_FALSE(W().MemoFields->font().bold());
}

TEST_F(UiWindow, ClearButtonsEmptyStatementQueryAndOutput) {
  W().MemoSQL->setPlainText(QStringLiteral("select * from parts"));
  W().Query1->SQL().SetText(W().MemoSQL->toPlainText());
  W().Query1->Open();
  QApplication::processEvents();
  EXPECT_GT(W().DBGrid1->model()->rowCount(), 0);
  W().MemoOutput->setPlainText(QStringLiteral("old output"));

  QTest::mouseClick(W().ButtonClearSQL, Qt::LeftButton);
  EXPECT_FALSE(W().Query1->Active());
  EXPECT_EQ(W().Query1->SQL().Count(), 0);
  EXPECT_TRUE(W().MemoSQL->toPlainText().isEmpty());
  EXPECT_EQ(W().DBGrid1->model()->rowCount(), 0);
  EXPECT_EQ(W().DBGrid1->model()->columnCount(), 0);
  EXPECT_EQ(W().MemoOutput->toPlainText(), QStringLiteral("old output"));

  QTest::mouseClick(W().ButtonClearResult, Qt::LeftButton);
  EXPECT_TRUE(W().MemoOutput->toPlainText().isEmpty());
}

// A double click pastes plain text as a rich-text control would give it
// back (its line breaks and special spaces), without laying it out there.
TEST_F(UiWindow, ADoubleClickPastesPlainTextAsTheRichTextControlGivesIt) {
  const QString text = QString::fromUtf8("a\xC2\xA0" "b\r\nc\rd\xE2\x80\xA8" "e\xE2\x80\xA9" "f\tg\xEF\xBF\xBC" "h\n\nk ");
  QTextEdit control;
  control.setPlainText(text);
  QGuiApplication::clipboard()->setText(text);
  W().MemoOutput->clear();
  QTest::mouseDClick(W().MemoOutput->viewport(), Qt::LeftButton);
  EXPECT_EQ(W().MemoOutput->toPlainText(), control.toPlainText());
}

TEST_F(UiWindow, ExitClosesTheWindow) {
  QTest::mouseClick(W().ButtonExit, Qt::LeftButton);
  EXPECT_FALSE(W().isVisible());
}

TEST_F(UiWindow, GridAndPictureFollowTheQuery) {
  W().Query1->SQL().SetText(QStringLiteral("select species_no, common_name, picture from species order by species_no"));
  W().Query1->Open();
  W().DBImage1->SetDataField(QStringLiteral("picture"));
  W().DBImage1->SetAutoDisplay(true);
  QApplication::processEvents();
  EXPECT_EQ(W().DBGrid1->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("common_name"));
  EXPECT_EQ(W().DBGrid1->model()->index(0, 1).data().toString(), QStringLiteral("小丑魚"));
  EXPECT_FALSE(W().DBImage1->Picture().isNull());
  const QImage first = W().DBImage1->Picture();
  W().Query1->Next();
  W().Query1->Next();
  QApplication::processEvents();
  EXPECT_EQ(W().DBGrid1->currentIndex().row(), 2);
  EXPECT_NE(W().DBImage1->Picture(), first);
  EXPECT_THROW(W().DBImage1->SetDataField(QStringLiteral("nosuch")), std::exception);
  W().DBImage1->SetDataField(QString());
  EXPECT_TRUE(W().DBImage1->Picture().isNull());
}

class UiTableBrowser : public WindowTest {
protected:
  void SetUp() override {
    db_ = std::make_unique<TempDatabase>(QStringLiteral(
        "create table T1 (NAME char(10), ID integer, NOTE text);"
        "insert into T1 values ('a', 1, 'x'), ('b', 2, null);"
        "create table EMPTY (A integer);"
        "create table customer_notes (N varchar(5));"));
    WindowTest::SetUp();
    UseDatabase(db_->Alias());
  }
  void Browse(const QString& table) {
    W().CmbTables->setEditText(table);
    W().CmbTablesEnter(W().CmbTables);
  }
  std::unique_ptr<TempDatabase> db_;
};

TEST_F(UiTableBrowser, ShowsFieldsCountsAndOffersAStatement) {
  Browse(QStringLiteral("T1"));
  EXPECT_EQ(W().MemoFields->toPlainText(), QStringLiteral("NAME\tchar(11)\nID\tinteger(4)\nNOTE\tmemo(0)"));
  EXPECT_EQ(W().LabelFieldCnt->text(), QStringLiteral("3"));
  EXPECT_EQ(W().LabelRecCnt->text(), QStringLiteral("2"));
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("select * from T1"));
  EXPECT_FALSE(W().Query1->Active());
  EXPECT_EQ(W().Query1->SQL().Text(), QStringLiteral("select count(*) as rec_cnt from T1\r\n"));
  Browse(QStringLiteral("T1"));  // already in the statement: nothing added
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("select * from T1"));
  Browse(QStringLiteral("EMPTY"));
  EXPECT_EQ(W().LabelRecCnt->text(), QStringLiteral("0"));
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("select * from T1\nselect * from EMPTY"));
}

TEST_F(UiTableBrowser, NameInsideALongerWordOrInOtherCase) {
  W().MemoSQL->setPlainText(QStringLiteral("select * from customer_notes_archive"));
  Browse(QStringLiteral("customer_notes"));
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("select * from customer_notes_archive"));
  W().MemoSQL->setPlainText(QStringLiteral("select * from t1"));
  Browse(QStringLiteral("T1"));
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("select * from t1\nselect * from T1"));
}

TEST_F(UiTableBrowser, UnknownOrEmptyNameReportsAndKeepsWhatWasShown) {
  Browse(QStringLiteral("T1"));
  ModalAnswerer answerer;
  Browse(QStringLiteral("NOSUCH"));
  ASSERT_EQ(answerer.Texts().size(), 1);
  EXPECT_TRUE(answerer.Texts().first().contains(QStringLiteral("NOSUCH")));
  EXPECT_EQ(W().MemoFields->toPlainText(), QStringLiteral("NAME\tchar(11)\nID\tinteger(4)\nNOTE\tmemo(0)"));
  EXPECT_EQ(W().LabelFieldCnt->text(), QStringLiteral("3"));
  EXPECT_TRUE(W().MemoSQL->toPlainText().endsWith(QStringLiteral("\nselect * from NOSUCH")));
  Browse(QString());
  EXPECT_EQ(answerer.Texts().size(), 2);
  EXPECT_TRUE(W().MemoSQL->toPlainText().endsWith(QStringLiteral("\nselect * from ")));
}

// A database without tables: connecting browses nothing and says nothing.
TEST_F(UiTableBrowser, ConnectingToADatabaseWithoutTablesShowsNoError) {
  const TempDatabase empty(QStringLiteral("pragma user_version = 1;"), QStringLiteral("NOTABLES"));
  ModalAnswerer answerer;
  UseDatabase(empty.Alias());
  EXPECT_TRUE(answerer.Texts().isEmpty()) << answerer.Texts().join(QLatin1Char('\n')).toStdString();
  EXPECT_EQ(W().CmbTables->count(), 0);
}

TEST_F(UiTableBrowser, KeysAreEchoedAndEnterBrowses) {
  W().CmbTables->setEditText(QString());
  Type(W().CmbTables->lineEdit(), QStringLiteral("a"));
  EXPECT_EQ(W().LabelFieldCnt->text(), QStringLiteral("Ord(a)=97 = Hex(61)"));
  EXPECT_EQ(W().CmbTables->currentText(), QStringLiteral("a"));  // the key reached the box
  W().CmbTables->setEditText(QStringLiteral("T1"));
  QChar enter(13);
  W().CmbTablesKeyPress(W().CmbTables, enter);
  EXPECT_EQ(W().LabelFieldCnt->text(), QStringLiteral("3"));  // the browser replaced the echo
  W().CmbTables->setEditText(QStringLiteral("NOSUCH"));
  ModalAnswerer answerer;
  W().CmbTablesKeyPress(W().CmbTables, enter);
  EXPECT_EQ(W().LabelFieldCnt->text(), QStringLiteral("Ord( )=13 = Hex(0D)"));
}

TEST_F(UiTableBrowser, LeavingTheBoxClosesTheResult) {
  W().Query1->SQL().SetText(QStringLiteral("select * from T1"));
  W().Query1->Open();
  W().CmbTables->setEditText(QStringLiteral("T1"));
  QApplication::setActiveWindow(&W());
  W().CmbTables->setFocus();
  QApplication::processEvents();
  W().MemoOutput->setFocus();
  QApplication::processEvents();
  EXPECT_FALSE(W().Query1->Active());
  EXPECT_EQ(W().DBGrid1->model()->rowCount(), 0);
}
