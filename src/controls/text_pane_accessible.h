#pragma once
// The output pane as screen readers see it: an editable text with a caret
// and a selection, read through Qt's accessibility text interface.
class QAccessibleInterface;
class QObject;
class QString;

// The accessibility factory for TTextPane (installed by the pane itself).
QAccessibleInterface* TextPaneAccessibleFactory(const QString& className, QObject* object);
