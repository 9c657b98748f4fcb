#pragma once
// The column settings dialog: two editors of the result grid's column list,
// a string grid (order, name, show mark, width, title) and a check list whose
// order is changed by dragging, one visible at a time.
#include <QDialog>
#include <QListWidget>

class QCheckBox;
class QComboBox;
class QPushButton;
class QTableWidget;
class TDBGrid;

// A check list whose items are reordered by dragging one onto another.
class TCheckListBox : public QListWidget {
  Q_OBJECT
public:
  explicit TCheckListBox(QWidget* parent = nullptr);
  // Called for a drop at a point of the list (the dialog's handler).
  std::function<void(int x, int y)> OnDragDrop;

protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
};

class TfrmSetGrid : public QDialog {
  Q_OBJECT
public:
  explicit TfrmSetGrid(TDBGrid* grid);

  QPushButton* Button1;
  QPushButton* Button2;
  TCheckListBox* FieldList;
  QTableWidget* StringGrid1;
  QCheckBox* CheckBox1;
  QComboBox* ComboBox1;
  QPushButton* Button3;

  void FormShow(QObject* sender);
  void FormResize(QObject* sender);
  void FitCaptions();
  void CheckBox1Click(QObject* sender);
  void StringGrid1SelectCell(QObject* sender, int col, int row, bool& canSelect);
  void StringGrid1RowMoved(QObject* sender, int fromIndex, int toIndex);
  void FieldListDragOver(QObject* sender, QObject* source, int x, int y, bool& accept);
  void FieldListDragDrop(QObject* sender, QObject* source, int x, int y);
  void Button1Click(QObject* sender);
  void Button3Click(QObject* sender);

  // Moves a row of the string grid, as the user's drag does.
  void MoveRow(int from, int to);

protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void SetCell(int row, int col, const QString& text);
  QString Cell(int row, int col) const;
  TDBGrid* grid_;
};

// Opens the dialog for the grid and returns when it has closed; shows nothing
// when the grid has no open result.
void ShowColumnSettings(TDBGrid* grid);
