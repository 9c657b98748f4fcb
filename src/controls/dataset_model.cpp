#include "controls/dataset_model.h"

#include "database/query.h"
#include "database/value_text.h"
#include "text/text_utils.h"

#include <QTimer>
#include <limits>

namespace {
constexpr qint64 kFetchStep = 256;
// A view cannot address more rows than an int holds.
constexpr qint64 kMaxRows = std::numeric_limits<int>::max();

}  // namespace

DataSetModel::DataSetModel(QObject* parent) : QAbstractTableModel(parent) {}

void DataSetModel::SetDataSet(TQuery* dataSet) {
  if (dataSet_ == dataSet) return;
  if (dataSet_) disconnect(dataSet_, nullptr, this, nullptr);
  dataSet_ = dataSet;
  if (dataSet_) {
    connect(dataSet_, &TQuery::activeChanged, this, &DataSetModel::Reset);
    connect(dataSet_, &TQuery::fieldsChanged, this, &DataSetModel::Reset);
    connect(dataSet_, &TQuery::rowsFetched, this, &DataSetModel::ScheduleRowSync);
  }
  Reset();
}

void DataSetModel::Reset() {
  beginResetModel();
  columns_.clear();
  shownRows_ = 0;
  if (dataSet_ && dataSet_->Active()) {
    for (int i = 0; i < dataSet_->FieldCount(); ++i)
      if (dataSet_->Fields(i)->Visible()) columns_.push_back(dataSet_->Fields(i));
    shownRows_ = std::min(dataSet_->StoredCount(), kMaxRows);
  }
  endResetModel();
}

void DataSetModel::ReloadColumns() { Reset(); }

void DataSetModel::ScheduleRowSync() {
  // Rows arrive in batches while a long loop runs; tell the view once, later.
  if (syncPending_) return;
  syncPending_ = true;
  QTimer::singleShot(0, this, &DataSetModel::SyncRows);
}

void DataSetModel::SyncRows() {
  syncPending_ = false;
  if (!dataSet_ || !dataSet_->Active()) return;
  const qint64 available = std::min(dataSet_->StoredCount(), kMaxRows);
  if (available <= shownRows_) return;
  beginInsertRows({}, static_cast<int>(shownRows_), static_cast<int>(available - 1));
  shownRows_ = available;
  endInsertRows();
}

TField* DataSetModel::FieldAt(int column) const {
  return column >= 0 && column < static_cast<int>(columns_.size()) ? columns_[static_cast<std::size_t>(column)]
                                                                    : nullptr;
}

int DataSetModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(shownRows_);
}

int DataSetModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant DataSetModel::data(const QModelIndex& index, int role) const {
  if ((role != Qt::DisplayRole && role != kWholeTextRole) || !dataSet_ || !dataSet_->Active()) return {};
  const TField* field = FieldAt(index.column());
  if (!field || index.row() >= shownRows_) return {};
  const QString text = GridCellText(field->DataType(), dataSet_->ValueAt(index.row(), field));
  // A cell of megabytes would freeze the grid's painting; a copy takes it whole.
  return role == kWholeTextRole ? text : ShownPrefix(text, kShownCellChars);
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return {};
  const TField* field = FieldAt(section);
  return field ? QVariant(field->DisplayLabel()) : QVariant();
}

bool DataSetModel::canFetchMore(const QModelIndex& parent) const {
  // A run that holds the query fetches for itself; the grid shows what came.
  if (parent.isValid() || !dataSet_ || !dataSet_->Active() || dataSet_->Held()) return false;
  return shownRows_ < dataSet_->StoredCount() || !dataSet_->AllFetched();
}

void DataSetModel::fetchMore(const QModelIndex& parent) {
  if (!canFetchMore(parent)) return;
  if (shownRows_ + kFetchStep > dataSet_->StoredCount()) dataSet_->FetchMore(kFetchStep);
  SyncRows();
}
