#pragma once
// A table model over an open query: one column per visible field, one row per
// fetched record. It reads the query's own row store (nothing is copied) and
// fetches further rows as the view scrolls.
#include <QAbstractTableModel>
#include <QPointer>
#include <vector>

class TField;
class TQuery;

// What a cell shows of a long value, and the role that gives it whole.
constexpr qsizetype kShownCellChars = 1000;
constexpr int kWholeTextRole = Qt::UserRole + 1;

class DataSetModel : public QAbstractTableModel {
  Q_OBJECT
public:
  explicit DataSetModel(QObject* parent = nullptr);
  void SetDataSet(TQuery* dataSet);
  TQuery* DataSet() const { return dataSet_; }
  // The field shown in a column.
  TField* FieldAt(int column) const;
  // Re-reads the visible fields and their labels (after a change of layout).
  void ReloadColumns();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

private:
  void Reset();
  void ScheduleRowSync();
  void SyncRows();

  QPointer<TQuery> dataSet_;
  std::vector<TField*> columns_;
  qint64 shownRows_ = 0;
  bool syncPending_ = false;
};
