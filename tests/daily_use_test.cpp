// Working from the keyboard: run keys, leaving the statement, undoing the
// program's own edits, copying grid rows.
#include "controls/db_grid.h"
#include "database/query.h"
#include "support/modal.h"
#include "support/temp_database.h"
#include "support/window_fixture.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

class UiDailyUse : public WindowTest {
protected:
  void SetUp() override {
    db_ = std::make_unique<TempDatabase>(QStringLiteral(
        "create table t (n integer, name varchar(10));"
        "insert into t values (1, '一'), (2, 'two'), (3, 'three'), (4, 'four');"),
        QStringLiteral("DAILYDB"));
    WindowTest::SetUp();
    QApplication::setActiveWindow(&W());
    UseDatabase(db_->Alias());
    W().chbShowMemo->setChecked(false);
  }
  std::unique_ptr<TempDatabase> db_;
};

}  // namespace

TEST_F(UiDailyUse, F5AndCtrlEnterRunTheStatementWithTheSameChecks) {
  W().MemoSQL->setPlainText(QStringLiteral("select n from t where n = 1"));
  W().MemoSQL->setFocus();
  QTest::keyClick(W().MemoSQL, Qt::Key_F5);
  EXPECT_EQ(OutputLines(), QStringList({QStringLiteral("1")}));
  QTest::keyClick(W().MemoSQL, Qt::Key_Return, Qt::ControlModifier);
  QTest::keyClick(W().MemoSQL, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
  EXPECT_EQ(OutputLines(), QStringList({QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1")}));
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("select n from t where n = 1"));  // no line break typed
  // The same check as the button: a statement must begin with "select".
  W().MemoSQL->setPlainText(QStringLiteral("delete from t"));
  ModalAnswerer answerer;
  QTest::keyClick(W().MemoSQL, Qt::Key_F5);
  EXPECT_EQ(answerer.Texts(), QStringList({QStringLiteral("指令必須以select開始")}));
}

TEST_F(UiDailyUse, CtrlTabLeavesTheStatementWhereTabTypesATab) {
  W().MemoSQL->setPlainText(QStringLiteral("select"));
  W().MemoSQL->setFocus();
  QTest::keyClick(W().MemoSQL, Qt::Key_Tab);
  EXPECT_TRUE(W().MemoSQL->hasFocus());
  EXPECT_TRUE(W().MemoSQL->toPlainText().contains(QLatin1Char('\t')));
  QTest::keyClick(W().MemoSQL, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_FALSE(W().MemoSQL->hasFocus());
  EXPECT_EQ(QApplication::focusWidget(), W().ChBColName);
  W().MemoSQL->setFocus();
  QTest::keyClick(W().MemoSQL, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_FALSE(W().MemoSQL->hasFocus());
}

TEST_F(UiDailyUse, TheProgramsOwnStatementEditsAreOneUndoStepEach) {
  W().MemoSQL->setPlainText(QString());
  WindowTest::Type(W().MemoSQL, QStringLiteral("select n from t"));
  QTest::mouseClick(W().ButtonClearSQL, Qt::LeftButton);
  EXPECT_TRUE(W().MemoSQL->toPlainText().isEmpty());
  W().MemoSQL->undo();
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("select n from t"));
  // The table browser's line is one step too.
  W().AppendStatementLine(QStringLiteral("select * from t"));
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("select n from t\nselect * from t"));
  W().MemoSQL->undo();
  EXPECT_EQ(W().MemoSQL->toPlainText(), QStringLiteral("select n from t"));
}

TEST_F(UiDailyUse, CtrlCCopiesTheSelectedGridRowsForASpreadsheet) {
  W().MemoSQL->setPlainText(QStringLiteral("select * from t order by n"));
  QTest::mouseClick(W().ButtonSQLExec, Qt::LeftButton);
  QApplication::processEvents();
  TDBGrid* grid = W().DBGrid1;
  QAbstractItemModel* model = grid->model();
  grid->selectionModel()->clearSelection();
  for (int row : {0, 2, 3})
    grid->selectionModel()->select(model->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  grid->setFocus();
  QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(),
            QStringLiteral("n\tname\r\n1\t一\r\n3\tthree\r\n4\tfour"));
  // Ctrl+End goes to the last record.
  QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(W().Query1->RecNo(), 3);
  EXPECT_EQ(grid->currentIndex().row(), 3);
}
