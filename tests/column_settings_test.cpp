// The column settings dialog through the window's grid.
#include "controls/db_grid.h"
#include "controls/dataset_model.h"
#include "controls/text_pane.h"
#include "database/query.h"
#include "setgrid/frm_setgrid.h"
#include "support/modal.h"
#include "support/temp_database.h"
#include "support/window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QAbstractButton>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

namespace {

class UiColumnSettings : public WindowTest {
protected:
  void SetUp() override {
    db_ = std::make_unique<TempDatabase>(QStringLiteral(
        "create table R (A varchar(10), B integer); insert into R values ('x', 1), ('y', 2);"
        "create table S (C integer, D integer); insert into S values (3, 4);"),
        QStringLiteral("GRIDDB"));
    WindowTest::SetUp();
    UseDatabase(db_->Alias());
    Run(QStringLiteral("select * from R"));
  }
  void Run(const QString& sql) {
    W().MemoSQL->setPlainText(sql);
    W().ButtonSQLExec->click();
  }
  // Opens the dialog; `act` works on it while it is shown, then it is closed
  // with OK unless `act` closed it.
  void Open(const std::function<void(TfrmSetGrid&)>& act, QStringList* messages = nullptr) {
    bool acted = false;
    ModalAnswerer answerer([&](QWidget* modal) {
      if (auto* dialog = qobject_cast<TfrmSetGrid*>(modal)) {
        if (acted) return;
        acted = true;
        act(*dialog);
        // Later, so that a message OK raises can be answered too.
        if (dialog->isVisible()) QTimer::singleShot(0, dialog->Button1, &QPushButton::click);
      } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        if (messages) *messages << box->text();
        box->buttons().first()->click();
      }
    });
    W().mnuSetGrid->trigger();
  }
  static QStringList Row(const TfrmSetGrid& d, int row) {
    QStringList cells;
    for (int c = 0; c < 5; ++c) cells << (d.StringGrid1->item(row, c) ? d.StringGrid1->item(row, c)->text() : QString());
    return cells;
  }
  QStringList Headers() {
    QStringList headers;
    for (int c = 0; c < W().DBGrid1->model()->columnCount(); ++c)
      headers << W().DBGrid1->model()->headerData(c, Qt::Horizontal).toString();
    return headers;
  }
  std::unique_ptr<TempDatabase> db_;
};

}  // namespace

TEST_F(UiColumnSettings, FirstOpeningAndOkDropsTheZeroWidthField) {
  QStringList rows;
  QString caption;
  Open([&](TfrmSetGrid& d) {
    caption = d.windowTitle();
    EXPECT_EQ(d.StringGrid1->rowCount(), 3);
    rows = Row(d, 0) + Row(d, 1) + Row(d, 2);
    EXPECT_TRUE(d.StringGrid1->isVisibleTo(&d));
    EXPECT_FALSE(d.FieldList->isVisibleTo(&d));
    EXPECT_EQ(d.ComboBox1->currentText(), QStringLiteral("|"));
  });
  EXPECT_EQ(caption, QStringLiteral("(Query1)欄位設定"));
  EXPECT_EQ(rows, QStringList({"順序", "欄位名稱", "ˇ", "寬度", "顯示名稱", "1", "A", "ˇ", "10", "A", "2", "B", "ˇ", "0", "B"}));
  EXPECT_EQ(W().DBGrid1->Selected, QStringList({QStringLiteral("A\t10\tA")}));
  EXPECT_EQ(Headers(), QStringList({QStringLiteral("A")}));
  const int digit = W().DBGrid1->fontMetrics().horizontalAdvance(QLatin1Char('0'));
  EXPECT_EQ(W().DBGrid1->columnWidth(0), 10 * digit + 4);

  // Reopened: the hidden integer field comes second, unmarked, with width 4.
  Open([&](TfrmSetGrid& d) { rows = Row(d, 1) + Row(d, 2); });
  EXPECT_EQ(rows, QStringList({"1", "A", "ˇ", "10", "A", "2", "B", "", "4", "B"}));
}

TEST_F(UiColumnSettings, WidthsTitlesAndABadWidthKeepsTheList) {
  Open([](TfrmSetGrid& d) {
    d.StringGrid1->item(1, 3)->setText(QStringLiteral("12"));
    d.StringGrid1->item(1, 4)->setText(QStringLiteral("名稱"));
    d.StringGrid1->item(2, 3)->setText(QStringLiteral("5"));
  });
  EXPECT_EQ(W().DBGrid1->Selected, QStringList({QStringLiteral("A\t12\t名稱"), QStringLiteral("B\t5\tB")}));
  EXPECT_EQ(Headers(), QStringList({QStringLiteral("名稱"), QStringLiteral("B")}));

  QStringList messages;
  Open([](TfrmSetGrid& d) { d.StringGrid1->item(2, 3)->setText(QStringLiteral("abc")); }, &messages);
  EXPECT_EQ(messages, QStringList({QStringLiteral("'abc' 是不正確的整數值")}));
  EXPECT_EQ(W().DBGrid1->Selected, QStringList({QStringLiteral("A\t12\t名稱"), QStringLiteral("B\t5\tB")}));

  Open([](TfrmSetGrid& d) { d.StringGrid1->item(1, 3)->setText(QStringLiteral("0")); });
  EXPECT_EQ(W().DBGrid1->Selected, QStringList({QStringLiteral("B\t5\tB")}));
}

TEST_F(UiColumnSettings, MarksToggleAndRowsMove) {
  Open([](TfrmSetGrid& d) {
    d.StringGrid1->setCurrentCell(1, 2);  // unmark A
    EXPECT_EQ(d.StringGrid1->item(1, 2)->text(), QString());
    d.StringGrid1->setCurrentCell(1, 3);
    d.StringGrid1->setCurrentCell(1, 2);  // and mark it again
    EXPECT_EQ(d.StringGrid1->item(1, 2)->text(), QStringLiteral("ˇ"));
    d.StringGrid1->item(2, 3)->setText(QStringLiteral("6"));
    d.MoveRow(2, 1);  // B before A
    EXPECT_EQ(d.StringGrid1->item(1, 0)->text(), QStringLiteral("1"));
    EXPECT_EQ(d.StringGrid1->item(1, 1)->text(), QStringLiteral("B"));
    EXPECT_EQ(d.StringGrid1->item(2, 0)->text(), QStringLiteral("2"));
  });
  EXPECT_EQ(W().DBGrid1->Selected, QStringList({QStringLiteral("B\t6\tB"), QStringLiteral("A\t10\tA")}));
  // The field order itself follows, so the output does too.
  EXPECT_EQ(W().Query1->Fields(0)->FieldName(), QStringLiteral("B"));
  W().chbShowMemo->setChecked(false);
  Run(QStringLiteral("select * from R"));
  EXPECT_EQ(OutputLines(), QStringList({"1,'x'", "2,'y'"}));
}

TEST_F(UiColumnSettings, CheckListEditorDragsKeepTheCheckState) {
  Open([](TfrmSetGrid& d) {
    d.CheckBox1->click();  // the check list
    EXPECT_TRUE(d.FieldList->isVisibleTo(&d));
    ASSERT_EQ(d.FieldList->count(), 2);
    d.FieldList->item(1)->setCheckState(Qt::Unchecked);
    d.FieldList->setCurrentRow(0);
    const QRect below = d.FieldList->visualItemRect(d.FieldList->item(1)).translated(0, 100);
    d.FieldListDragDrop(d.FieldList, d.FieldList, below.x() + 2, below.y());  // below the last item
    EXPECT_EQ(d.FieldList->item(1)->text(), QStringLiteral("A"));
    EXPECT_EQ(d.FieldList->item(1)->checkState(), Qt::Checked);
    d.FieldList->setCurrentRow(1);
    const QRect first = d.FieldList->visualItemRect(d.FieldList->item(0));
    d.FieldListDragDrop(d.FieldList, d.FieldList, first.center().x(), first.center().y());  // onto B
    EXPECT_EQ(d.FieldList->item(0)->text(), QStringLiteral("A"));
    EXPECT_EQ(d.FieldList->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(d.FieldList->item(1)->checkState(), Qt::Unchecked);
  });
  EXPECT_EQ(W().DBGrid1->Selected, QStringList({QStringLiteral("A\t10\tA")}));
  // Reopened after a check-list OK: the list's entries first, marked.
  QStringList rows;
  Open([&](TfrmSetGrid& d) { rows = Row(d, 1) + Row(d, 2); });
  EXPECT_EQ(rows, QStringList({"1", "A", "ˇ", "10", "A", "2", "B", "", "4", "B"}));
}

TEST_F(UiColumnSettings, EmptyListsAndListsForOtherResults) {
  Open([](TfrmSetGrid& d) {
    d.StringGrid1->item(1, 2)->setText(QString());
    d.StringGrid1->item(2, 2)->setText(QString());
  });
  EXPECT_TRUE(W().DBGrid1->Selected.isEmpty());
  EXPECT_EQ(W().DBGrid1->model()->columnCount(), 0);
  Run(QStringLiteral("select * from R"));
  EXPECT_EQ(Headers(), QStringList({QStringLiteral("A"), QStringLiteral("B")}));  // an empty list shapes nothing

  W().DBGrid1->Selected = {QStringLiteral("B\t5\tBee"), QStringLiteral("A\t3\tAy")};
  Run(QStringLiteral("select * from R"));
  EXPECT_EQ(Headers(), QStringList({QStringLiteral("Bee"), QStringLiteral("Ay")}));
  Run(QStringLiteral("select * from S"));  // names only fields this result lacks
  EXPECT_EQ(W().DBGrid1->model()->columnCount(), 0);
}

TEST_F(UiColumnSettings, LabelsThatDifferOnlyInCaseAndTheSeparator) {
  W().DBGrid1->Selected = {QStringLiteral("A\t3\tA")};
  Run(QStringLiteral("select A, B as ab, B as AB from R"));
  QString copied;
  Open([&](TfrmSetGrid& d) {
    EXPECT_EQ(d.FieldList->count(), 2);  // "AB" is taken for "ab"
    d.ComboBox1->setCurrentIndex(5);
    d.resize(d.width() + 20, d.height() + 20);
    EXPECT_EQ(d.ComboBox1->currentText(), QStringLiteral("|"));
    d.ComboBox1->setCurrentIndex(5);
    d.Button3->click();
    copied = QGuiApplication::clipboard()->text();
  });
  EXPECT_TRUE(copied.startsWith(QStringLiteral("StringGrid1: RowCount=4 ColCount=5\r\n順序,欄位名稱,ˇ,寬度,顯示名稱,\r\n1,A,")));
}

TEST_F(UiColumnSettings, NothingBeforeAQuery) {
  W().ButtonClearSQL->click();
  bool shown = false;
  Open([&](TfrmSetGrid&) { shown = true; });
  EXPECT_FALSE(shown);
}

// Two columns of one name ("select k, a, b as a, c"): each entry of the
// list is one of them, in order, so a title set on the second stays over
// its own values, and the next run writes every column as before.
TEST_F(UiColumnSettings, ColumnsOfTheSameNameKeepTheirOwnValues) {
  W().Query1->Close();  // the open result reads the file
  db_->Exec(QStringLiteral("create table t_cols (k integer, a integer, b integer, c integer);"
                           "insert into t_cols values (1, 10, 20, 30);"));
  W().chbShowMemo->setChecked(false);
  Run(QStringLiteral("select k, a, b as a, c from t_cols"));
  ASSERT_EQ(OutputLines().last(), QStringLiteral("1,10,20,30"));
  Open([](TfrmSetGrid& d) {
    for (int row = 1; row <= 4; ++row) d.StringGrid1->item(row, 3)->setText(QStringLiteral("5"));
    d.StringGrid1->item(3, 4)->setText(QStringLiteral("second a"));
  });
  EXPECT_EQ(Headers(), QStringList({"k", "a", "second a", "c"}));
  QAbstractItemModel* model = W().DBGrid1->model();
  EXPECT_EQ(model->index(0, 1).data().toString(), QStringLiteral("10"));
  EXPECT_EQ(model->index(0, 2).data().toString(), QStringLiteral("20"));
  W().ButtonClearResult->click();
  Run(QStringLiteral("select k, a, b as a, c from t_cols"));
  EXPECT_EQ(OutputLines(), QStringList({QStringLiteral("1,10,20,30")}));
  EXPECT_EQ(Headers(), QStringList({"k", "a", "second a", "c"}));
}
