#include "controls/db_grid.h"

#include "database/query.h"
#include "controls/column_list.h"
#include "controls/data_source.h"
#include "controls/dataset_model.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <algorithm>
#include <QTimer>

TDBGrid::TDBGrid(QWidget* parent)
    : QTableView(parent), model_(new DataSetModel(this)), keptRowsNote_(new QLabel(this)) {
  setModel(model_);
  keptRowsNote_->setObjectName(QStringLiteral("keptRowsNote"));
  keptRowsNote_->setAutoFillBackground(true);
  keptRowsNote_->setStyleSheet(QStringLiteral("QLabel { background: #ffffe1; color: black; padding: 1px 3px; }"));
  keptRowsNote_->hide();
  setSelectionBehavior(QAbstractItemView::SelectRows);
  // Several rows for the copy: Shift or Ctrl with a click or the arrows.
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  horizontalHeader()->setSectionsClickable(false);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setFixedWidth(12);
  connect(model_, &QAbstractItemModel::modelReset, this, &TDBGrid::ApplyColumnWidths);
  connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex& current) {
    // The user moved in the grid: the query's current record follows.
    if (moving_ || !current.isValid() || !DataSet() || !DataSet()->Active()) return;
    moving_ = true;
    DataSet()->MoveTo(current.row());
    moving_ = false;
  });
}

void TDBGrid::SetDataSource(TDataSource* source) {
  if (source_) disconnect(source_, nullptr, this, nullptr);
  source_ = source;
  if (source_) connect(source_, &TDataSource::dataSetChanged, this, &TDBGrid::BindDataSet);
  BindDataSet();
}

TQuery* TDBGrid::DataSet() const { return source_ ? source_->DataSet() : nullptr; }

void TDBGrid::BindDataSet() {
  TQuery* query = DataSet();
  if (model_->DataSet()) disconnect(model_->DataSet(), nullptr, this, nullptr);
  if (query) {
    // Before the model hears of a new result, the column list shapes it.
    connect(query, &TQuery::activeChanged, this, [this](bool active) {
      if (active && !Selected.isEmpty()) ApplyColumnList(*DataSet(), Selected);
    });
    connect(query, &TQuery::recordChanged, this, &TDBGrid::ScheduleFollow);
    connect(query, &TQuery::activeChanged, this, &TDBGrid::UpdateKeptRowsNote);
    connect(query, &TQuery::rowsFetched, this, &TDBGrid::UpdateKeptRowsNote);
  }
  model_->SetDataSet(query);
}

void TDBGrid::UpdateKeptRowsNote() {
  const TQuery* query = DataSet();
  const bool cut = query && query->Active() && query->RowsNotKept() > 0;
  keptRowsNote_->setVisible(cut);
  if (!cut) return;
  keptRowsNote_->setText(QStringLiteral("表格只保留前 %1 筆, 其後 %2 筆沒有保留")
                             .arg(query->StoredCount())
                             .arg(query->RowsNotKept()));
  keptRowsNote_->adjustSize();
  const QRect area = viewport()->geometry();
  keptRowsNote_->move(area.left(), area.bottom() - keptRowsNote_->height() + 1);
  keptRowsNote_->raise();
}

void TDBGrid::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  UpdateKeptRowsNote();
}

void TDBGrid::ApplySelected() {
  if (TQuery* query = DataSet(); query && query->Active()) ApplyColumnList(*query, Selected);
  model_->ReloadColumns();
  viewport()->update();
}

QList<TField*> TDBGrid::ShownFields() const {
  QList<TField*> fields;
  for (int c = 0; c < model_->columnCount(); ++c) fields << model_->FieldAt(c);
  return fields;
}

void TDBGrid::ApplyColumnWidths() {
  const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
  for (int c = 0; c < model_->columnCount(); ++c) {
    if (const TField* field = model_->FieldAt(c)) setColumnWidth(c, field->DisplayWidth() * digit + 4);
  }
  ScheduleFollow();
}

void TDBGrid::ScheduleFollow() {
  // The query may move a million times in a loop; the grid catches up once.
  if (followPending_ || moving_) return;
  followPending_ = true;
  QTimer::singleShot(0, this, &TDBGrid::FollowCurrentRecord);
}

void TDBGrid::FollowCurrentRecord() {
  followPending_ = false;
  TQuery* query = DataSet();
  if (!query || !query->Active() || query->RecNo() < 0) return;
  const qint64 row = query->RecNo();
  while (row >= model_->rowCount() && model_->canFetchMore({})) model_->fetchMore({});
  if (row >= model_->rowCount() || model_->columnCount() == 0) return;
  moving_ = true;
  setCurrentIndex(model_->index(static_cast<int>(row), qMax(0, currentIndex().column())));
  moving_ = false;
}

QString TDBGrid::SelectedRowsText() const {
  QStringList lines;
  QStringList titles;
  for (int c = 0; c < model_->columnCount(); ++c) titles << model_->headerData(c, Qt::Horizontal).toString();
  lines << titles.join(QLatin1Char('\t'));
  QModelIndexList rows = selectionModel()->selectedRows();
  std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  for (const QModelIndex& row : rows) {
    QStringList cells;
    for (int c = 0; c < model_->columnCount(); ++c) cells << model_->index(row.row(), c).data(kWholeTextRole).toString();
    lines << cells.join(QLatin1Char('\t'));
  }
  return lines.join(QStringLiteral("\r\n"));
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    if (selectionModel()->hasSelection()) QGuiApplication::clipboard()->setText(SelectedRowsText());
    return;
  }
  if (event->matches(QKeySequence::MoveToEndOfDocument) && DataSet() && DataSet()->Active()) {
    // The result's last record, even when the rows were never rendered.
    TQuery* query = DataSet();
    if (FetchRest && !FetchRest(*query)) return;
    query->MoveTo(query->RecordCount() - 1);
    FollowCurrentRecord();
    scrollTo(currentIndex());
    return;
  }
  QTableView::keyPressEvent(event);
}
