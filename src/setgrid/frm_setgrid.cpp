#include "setgrid/frm_setgrid.h"

#include "ui/clipboard.h"
#include "text/dumps.h"
#include "ui/grid_dump.h"
#include "database/failure.h"
#include "controls/column_list.h"
#include "controls/db_grid.h"
#include "database/query.h"
#include "ui/guard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDragMoveEvent>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

namespace {
const QString kMark = QStringLiteral("ˇ");

QFont Font(const char* family, int pixels) {
  QFont font;
  font.setFamilies({QLatin1String(family), QStringLiteral("AR PL UMing TW")});
  font.setPixelSize(pixels);
  return font;
}
}  // namespace

TCheckListBox::TCheckListBox(QWidget* parent) : QListWidget(parent) {
  setDragEnabled(true);
  setAcceptDrops(true);
  setDropIndicatorShown(true);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::MoveAction);
}

void TCheckListBox::dragEnterEvent(QDragEnterEvent* event) {
  if (event->source() == this) event->acceptProposedAction();
}

void TCheckListBox::dragMoveEvent(QDragMoveEvent* event) {
  if (event->source() == this) event->acceptProposedAction();
}

void TCheckListBox::dropEvent(QDropEvent* event) {
  event->setDropAction(Qt::IgnoreAction);  // the handler moves the item itself
  event->accept();
  const QPoint at = event->position().toPoint();
  if (OnDragDrop) Guarded([&] { OnDragDrop(at.x(), at.y()); });
}

TfrmSetGrid::TfrmSetGrid(TDBGrid* grid) : grid_(grid) {
  setObjectName(QStringLiteral("frmSetGrid"));
  setWindowTitle(QStringLiteral("欄位設定"));
  setWindowFlag(Qt::Tool);
  setFont(Font("Times New Roman", 12));
  resize(336, 358);
  setAttribute(Qt::WA_DeleteOnClose, false);

  auto place = [this](auto* w, const char* name, int l, int t, int width, int height) {
    w->setObjectName(QLatin1String(name));
    w->setGeometry(l, t, width, height);
    return w;
  };
  Button1 = place(new QPushButton(QStringLiteral("OK"), this), "Button1", 0, 241, 40, 25);
  Button1->setDefault(true);
  Button2 = place(new QPushButton(QStringLiteral("Cancel"), this), "Button2", 130, 241, 40, 25);
  FieldList = place(new TCheckListBox(this), "FieldList", 13, 8, 163, 225);
  FieldList->setFont(Font("新細明體", 16));
  StringGrid1 = place(new QTableWidget(this), "StringGrid1", 4, 0, 320, 213);
  StringGrid1->setFont(Font("細明體", 12));
  StringGrid1->horizontalHeader()->hide();
  StringGrid1->verticalHeader()->setSectionsMovable(true);
  StringGrid1->verticalHeader()->setDefaultSectionSize(QFontMetrics(StringGrid1->font()).height() + 6);
  StringGrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
  CheckBox1 = place(new QCheckBox(QStringLiteral("修改欄位名稱"), this), "CheckBox1", 40, 246, 90, 17);
  CheckBox1->setChecked(true);
  ComboBox1 = place(new QComboBox(this), "ComboBox1", 174, 244, 33, 22);
  ComboBox1->addItems({"|", "&", "%", "#", "@", ",", "~", "^", "$"});
  Button3 = place(new QPushButton(QStringLiteral("GetStringgridAndSetClipbordMessage"), this), "Button3", 210, 244,
                  57, 19);
  Button3->setFont(Font("Fixedsys", 16));
  FitCaptions();

  // OK's result is set before its handler runs, so the dialog closes even
  // when the handler fails.
  connect(Button1, &QPushButton::clicked, this, [this] {
    setResult(QDialog::Accepted);
    Guarded([this] { Button1Click(Button1); });
    done(QDialog::Accepted);
  });
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
  connect(Button3, &QPushButton::clicked, this, [this] { Guarded([this] { Button3Click(Button3); }); });
  connect(CheckBox1, &QCheckBox::clicked, this, [this] { Guarded([this] { CheckBox1Click(CheckBox1); }); });
  connect(StringGrid1, &QTableWidget::currentCellChanged, this, [this](int row, int col) {
    bool canSelect = true;
    if (row >= 0 && col >= 0) Guarded([&] { StringGrid1SelectCell(StringGrid1, col, row, canSelect); });
  });
  connect(StringGrid1->verticalHeader(), &QHeaderView::sectionMoved, this, [this](int, int from, int to) {
    // Keep the header's own order plain and move the row's cells instead.
    QHeaderView* header = StringGrid1->verticalHeader();
    const QSignalBlocker quiet(header);
    header->moveSection(to, from);
    Guarded([&] { MoveRow(from, to); });
  });
  FieldList->OnDragDrop = [this](int x, int y) { FieldListDragDrop(FieldList, FieldList, x, y); };
}

void TfrmSetGrid::SetCell(int row, int col, const QString& text) {
  QTableWidgetItem* item = StringGrid1->item(row, col);
  if (!item) {
    item = new QTableWidgetItem;
    StringGrid1->setItem(row, col, item);
  }
  item->setText(text);
  if (row == 0 || col < 2) {
    // Headings and the order and name columns cannot be typed into.
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    item->setBackground(palette().button());
  }
}

QString TfrmSetGrid::Cell(int row, int col) const {
  const QTableWidgetItem* item = StringGrid1->item(row, col);
  return item ? item->text() : QString();
}

void TfrmSetGrid::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) Guarded([this] { FormShow(this); });
}

void TfrmSetGrid::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  Guarded([this] { FormResize(this); });
}

void TfrmSetGrid::FormShow(QObject*) {
  TQuery* query = grid_->DataSet();
  const QStringList& selected = grid_->Selected;
  const QList<TField*> shown = grid_->ShownFields();
  StringGrid1->clear();
  StringGrid1->setColumnCount(5);
  StringGrid1->setRowCount(query->FieldCount() + 1);
  const QStringList headings = {QStringLiteral("順序"), QStringLiteral("欄位名稱"), kMark, QStringLiteral("寬度"),
                                QStringLiteral("顯示名稱")};
  const int widths[] = {24, 100, 20, 30, 120};
  const QFontMetrics metrics(StringGrid1->font());
  for (int c = 0; c < 5; ++c) {
    SetCell(0, c, headings[c]);
    // As designed, or wider where a heading would be cut.
    StringGrid1->setColumnWidth(c, std::max(widths[c], metrics.horizontalAdvance(headings[c]) + 12));
  }
  FieldList->clear();
  int row = 0;
  for (int i = 0; i < shown.size(); ++i) {
    row = i + 1;
    const TField* field = shown[i];
    SetCell(row, 0, QString::number(row));
    SetCell(row, 2, kMark);
    const QString entry = selected.size() > i ? selected[i]
                                              : ColumnEntry(field->FieldName(), field->Size(), field->FieldName());
    const qsizetype tab = entry.indexOf(QLatin1Char('\t'));
    SetCell(row, 1, tab < 0 ? entry : entry.left(tab));
    const QString rest = tab < 0 ? entry : entry.mid(tab + 1);
    const qsizetype tab2 = rest.indexOf(QLatin1Char('\t'));
    SetCell(row, 3, tab2 < 0 ? rest : rest.left(tab2));
    SetCell(row, 4, tab2 < 0 ? rest : rest.mid(tab2 + 1));
    auto* item = new QListWidgetItem(field->DisplayLabel(), FieldList);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsDragEnabled);
    item->setCheckState(Qt::Checked);
  }
  for (int i = 0; i < query->FieldCount(); ++i) {
    const TField* field = query->Fields(i);
    bool listed = false;
    for (int j = 0; j < FieldList->count() && !listed; ++j)
      listed = FieldList->item(j)->text().compare(field->DisplayLabel(), Qt::CaseInsensitive) == 0;
    if (listed) continue;
    ++row;
    SetCell(row, 0, QString::number(row));
    SetCell(row, 1, field->FieldName());
    SetCell(row, 2, QString());
    SetCell(row, 3, QString::number(field->DataSize()));
    SetCell(row, 4, field->DisplayLabel());
    auto* item = new QListWidgetItem(field->DisplayLabel(), FieldList);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsDragEnabled);
    item->setCheckState(Qt::Unchecked);
  }
  CheckBox1Click(CheckBox1);
}

void TfrmSetGrid::FormResize(QObject*) {
  const int h = height(), w = width();
  FieldList->setGeometry(0, 0, w - 10, h - 0 - Button1->height() - 32);
  Button1->move(Button1->x(), h - Button1->height() - 30);
  Button2->move(Button2->x(), Button1->y());
  CheckBox1->move(CheckBox1->x(), h - CheckBox1->height() - 30);
  StringGrid1->setGeometry(FieldList->geometry());
  ComboBox1->move(ComboBox1->x(), Button1->y());
  Button3->move(Button3->x(), Button1->y());
  ComboBox1->setCurrentIndex(0);  // every resize resets the separator
}

void TfrmSetGrid::CheckBox1Click(QObject*) {
  StringGrid1->setVisible(CheckBox1->isChecked());
  FieldList->setVisible(!CheckBox1->isChecked());
}

void TfrmSetGrid::StringGrid1SelectCell(QObject*, int col, int row, bool& canSelect) {
  canSelect = true;
  if (col != 2 || row < 1) return;
  SetCell(row, 2, Cell(row, 2).isEmpty() ? kMark : QString());
  StringGrid1->setFocus();
}

void TfrmSetGrid::MoveRow(int from, int to) {
  if (from < 1 || to < 1 || from == to) return;  // the heading row stays
  QList<QTableWidgetItem*> items;
  for (int c = 0; c < StringGrid1->columnCount(); ++c) items << StringGrid1->takeItem(from, c);
  StringGrid1->removeRow(from);
  StringGrid1->insertRow(to);
  for (int c = 0; c < items.size(); ++c) StringGrid1->setItem(to, c, items[c]);
  StringGrid1RowMoved(StringGrid1, from, to);
}

void TfrmSetGrid::StringGrid1RowMoved(QObject*, int, int) {
  for (int r = 1; r < StringGrid1->rowCount(); ++r) SetCell(r, 0, QString::number(r));
}

void TfrmSetGrid::FieldListDragOver(QObject*, QObject*, int, int, bool& accept) { accept = true; }

void TfrmSetGrid::FieldListDragDrop(QObject*, QObject*, int x, int y) {
  const int current = FieldList->currentRow();
  if (current < 0) return;
  const Qt::CheckState state = FieldList->item(current)->checkState();
  QListWidgetItem* target = FieldList->itemAt(x, y);
  const int to = target ? FieldList->row(target) : FieldList->count() - 1;
  QListWidgetItem* moved = FieldList->takeItem(current);
  FieldList->insertItem(to, moved);
  FieldList->item(to)->setCheckState(state);
  FieldList->setCurrentRow(to);
}

void TfrmSetGrid::Button1Click(QObject*) {
  TQuery* query = grid_->DataSet();
  // The new list is built aside and put in place only when every row converted.
  QStringList entries;
  if (!CheckBox1->isChecked()) {  // the check list is the visible editor
    for (int i = 0; i < FieldList->count(); ++i) {
      const QListWidgetItem* item = FieldList->item(i);
      if (item->checkState() != Qt::Checked) continue;
      for (int f = 0; f < query->FieldCount(); ++f) {
        const TField* field = query->Fields(f);
        if (field->DisplayLabel() == item->text()) {
          entries << ColumnEntry(field->FieldName(), field->DisplayWidth(), field->DisplayLabel());
          break;
        }
      }
    }
  } else {
    for (int r = 1; r < StringGrid1->rowCount(); ++r) {
      if (Cell(r, 2) != kMark) continue;
      bool ok = false;
      const int width = Cell(r, 3).trimmed().toInt(&ok);
      if (!ok) throw Failure(QStringLiteral("'%1' 是不正確的整數值").arg(Cell(r, 3)));
      if (width <= 0) continue;
      for (int f = 0; f < query->FieldCount(); ++f) {
        if (query->Fields(f)->FieldName() == Cell(r, 1)) {
          entries << ColumnEntry(Cell(r, 1), width, Cell(r, 4));
          break;
        }
      }
    }
  }
  grid_->Selected = entries;
  grid_->ApplySelected();
}

void TfrmSetGrid::Button3Click(QObject*) {
  CopyToClipboard(StringGridText(*StringGrid1, ComboBox1->currentText()));
}

void ShowColumnSettings(TDBGrid* grid) {
  if (!grid->DataSet() || !grid->DataSet()->Active()) return;
  TfrmSetGrid dialog(grid);
  dialog.setWindowTitle(QLatin1Char('(') + grid->DataSet()->Name() + QStringLiteral(")欄位設定"));
  dialog.exec();
}

void TfrmSetGrid::FitCaptions() {
  // The bottom row from left to right, each control at least as wide as its
  // caption needs (the design's widths cut "Cancel" and the copy button's
  // long caption); the dialog widens to hold them.
  int x = 0;
  for (QWidget* w : {static_cast<QWidget*>(Button1), static_cast<QWidget*>(CheckBox1),
                     static_cast<QWidget*>(Button2), static_cast<QWidget*>(ComboBox1),
                     static_cast<QWidget*>(Button3)}) {
    const QSize hint = w->sizeHint();
    w->setGeometry(std::max(x, w->x()), w->y(), std::max(w->width(), hint.width()),
                   std::max(w->height(), hint.height()));
    x = w->geometry().right() + 4;
  }
  resize(std::max(width(), x + 4), height());
}
