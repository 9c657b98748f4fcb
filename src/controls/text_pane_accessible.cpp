#include "controls/text_pane_accessible.h"

#include "controls/text_pane.h"

#include <QAccessibleWidget>
#include <QScrollBar>

namespace {

class TextPaneAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
  explicit TextPaneAccessible(TTextPane* pane) : QAccessibleWidget(pane, QAccessible::EditableText) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }
  QString text(QAccessible::Text kind) const override {
    // The whole text as a value only while it is of a size a reader can take.
    if (kind == QAccessible::Value && Pane()->textSize() <= (1 << 20)) return Pane()->toPlainText();
    return QAccessibleWidget::text(kind);
  }

  void selection(int index, int* start, int* end) const override {
    *start = *end = 0;
    if (index == 0 && selectionCount() == 1) {
      *start = static_cast<int>(Pane()->selectionStart());
      *end = static_cast<int>(Pane()->selectionEnd());
    }
  }
  int selectionCount() const override { return Pane()->selectionStart() != Pane()->selectionEnd() ? 1 : 0; }
  void addSelection(int start, int end) override { Pane()->setSelection(start, end); }
  void removeSelection(int) override { Pane()->setCaretPosition(Pane()->caretPosition()); }
  void setSelection(int, int start, int end) override { Pane()->setSelection(start, end); }
  int cursorPosition() const override { return static_cast<int>(Pane()->caretPosition()); }
  void setCursorPosition(int position) override { Pane()->setCaretPosition(position); }
  QString text(int start, int end) const override { return Pane()->textRange(start, end); }
  int characterCount() const override { return static_cast<int>(Pane()->textSize()); }
  QRect characterRect(int offset) const override {
    const QRect inViewport = Pane()->characterRect(offset);
    return QRect(Pane()->viewport()->mapToGlobal(inViewport.topLeft()), inViewport.size());
  }
  int offsetAtPoint(const QPoint& point) const override {
    return static_cast<int>(Pane()->positionAt(Pane()->viewport()->mapFromGlobal(point)));
  }
  void scrollToSubstring(int start, int end) override { Pane()->setSelection(start, end); }
  QString attributes(int offset, int* start, int* end) const override {
    *start = *end = offset;
    return {};
  }

private:
  TTextPane* Pane() const { return static_cast<TTextPane*>(widget()); }
};

}  // namespace

QAccessibleInterface* TextPaneAccessibleFactory(const QString& className, QObject* object) {
  if (className == QLatin1String("TTextPane") && object && object->isWidgetType())
    return new TextPaneAccessible(static_cast<TTextPane*>(object));
  return nullptr;
}
