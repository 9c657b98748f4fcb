// The output pane as people work in it: undo and redo, find, wide
// characters, input methods and screen readers.
#include "controls/text_pane.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class UiTextPane : public ::testing::Test {
protected:
  void SetUp() override {
    pane_.resize(400, 200);
    pane_.show();
    QApplication::setActiveWindow(&pane_);
    pane_.setFocus();
  }
  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(&pane_, key, modifiers); }
  TTextPane pane_;
};

}  // namespace

TEST_F(UiTextPane, UndoAndRedoOfEditsAndPastesNotOfTheProgramsAppends) {
  pane_.setPlainText(QStringLiteral("1,a"));
  pane_.setCaretPosition(3);
  pane_.insertText(QStringLiteral("bc"));                       // typed
  pane_.appendPlainText(QStringLiteral("2,b"));                   // the program's own
  pane_.appendPlainText(QStringLiteral("pasted"), /*undoable=*/true);  // a double-click paste
  EXPECT_EQ(pane_.toPlainText(), QStringLiteral("1,abc\n2,b\npasted"));
  Key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(pane_.toPlainText(), QStringLiteral("1,abc\n2,b"));
  Key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(pane_.toPlainText(), QStringLiteral("1,a\n2,b"));  // the append stays
  Key(Qt::Key_Z, Qt::ControlModifier);                         // nothing more to undo
  EXPECT_EQ(pane_.toPlainText(), QStringLiteral("1,a\n2,b"));
  Key(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(pane_.toPlainText(), QStringLiteral("1,abc\n2,b"));
  Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(pane_.toPlainText(), QStringLiteral("1,abc\n2,b\npasted"));
  EXPECT_EQ(pane_.lineCount(), 3);
  // A selection replaced and then given back.
  pane_.setSelection(0, 2);
  pane_.insertText(QStringLiteral("9"));
  Key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(pane_.toPlainText(), QStringLiteral("1,abc\n2,b\npasted"));
  pane_.clear();  // the program's clear: a new text without history
  EXPECT_FALSE(pane_.isUndoAvailable());
}

TEST_F(UiTextPane, FindThroughAMillionLines) {
  QString text;
  for (int i = 0; i < 1'000'000; ++i) text += QStringLiteral("%1,'name %1'\n").arg(i);
  text += QStringLiteral("999999,'Needle'");
  pane_.setPlainText(text);
  Key(Qt::Key_F, Qt::ControlModifier);
  QLineEdit* edit = pane_.findEdit();
  ASSERT_NE(edit, nullptr);
  EXPECT_TRUE(edit->hasFocus());
  edit->setText(QStringLiteral("needle"));
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(pane_.selectedText(), QStringLiteral("Needle"));
  EXPECT_EQ(pane_.verticalScrollBar()->value() + 1 > 999'000, true);  // scrolled to it
  // Match case: "needle" is nowhere; the selection stays.
  pane_.findChild<QWidget*>(QStringLiteral("FindMatchCase"))->setProperty("checked", true);
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(pane_.selectedText(), QStringLiteral("Needle"));
  // Backwards, wrapping: the previous ",'name 999998'".
  EXPECT_TRUE(pane_.find(QStringLiteral("name 9999"), /*backward=*/true));
  EXPECT_EQ(pane_.selectedText(), QStringLiteral("name 9999"));
  QTest::keyClick(edit, Qt::Key_Escape);
  EXPECT_FALSE(pane_.findChild<QWidget*>(QStringLiteral("FindBar"))->isVisible());
  EXPECT_TRUE(pane_.hasFocus());
}

TEST_F(UiTextPane, TheScrollRangeReachesTheEndOfALineOfWideCharacters) {
  pane_.setPlainText(QString(120, QChar(0x4E2D)) + QStringLiteral("尾"));
  QScrollBar* h = pane_.horizontalScrollBar();
  h->setValue(h->maximum());
  const QRect last = pane_.characterRect(120);
  EXPECT_GE(last.left(), 0);
  EXPECT_LE(last.right(), pane_.viewport()->width());
}

TEST_F(UiTextPane, InputMethodsFindTheCaretAndReadersTheText) {
  pane_.setPlainText(QStringLiteral("first\n第二行 text"));
  pane_.setCaretPosition(9);
  const QRect caret = pane_.inputMethodQuery(Qt::ImCursorRectangle).toRect();
  EXPECT_EQ(caret.topLeft() - pane_.viewport()->pos(), pane_.characterRect(9).topLeft());
  EXPECT_EQ(pane_.inputMethodQuery(Qt::ImSurroundingText).toString(), QStringLiteral("第二行 text"));
  EXPECT_EQ(pane_.inputMethodQuery(Qt::ImCursorPosition).toInt(), 3);

  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&pane_);
  ASSERT_NE(accessible, nullptr);
  QAccessibleTextInterface* text = accessible->textInterface();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->characterCount(), 14);
  EXPECT_EQ(text->text(6, 9), QStringLiteral("第二行"));
  EXPECT_EQ(text->cursorPosition(), 9);
  text->setSelection(0, 0, 5);
  EXPECT_EQ(pane_.selectedText(), QStringLiteral("first"));
  int start = 0, end = 0;
  text->selection(0, &start, &end);
  EXPECT_EQ(std::make_pair(start, end), std::make_pair(0, 5));
}
