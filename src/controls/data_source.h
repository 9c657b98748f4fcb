#pragma once
// Links data-aware controls to the dataset they show.
#include <QObject>
#include <QPointer>

#include "database/query.h"

class TDataSource : public QObject {
  Q_OBJECT
public:
  explicit TDataSource(QObject* owner = nullptr) : QObject(owner) {}
  TQuery* DataSet() const { return dataSet_; }
  void SetDataSet(TQuery* dataSet) {
    dataSet_ = dataSet;
    emit dataSetChanged();
  }

signals:
  void dataSetChanged();

private:
  QPointer<TQuery> dataSet_;
};
