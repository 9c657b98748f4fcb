#pragma once
// The result grid: shows the data source's query and follows its current record.
#include <QTableView>

class DataSetModel;
class TDataSource;
class TQuery;

class TDBGrid : public QTableView {
  Q_OBJECT
public:
  explicit TDBGrid(QWidget* parent = nullptr);
  void SetDataSource(TDataSource* source);
  TDataSource* DataSource() const { return source_; }
  TQuery* DataSet() const;
  DataSetModel* Model() const { return model_; }
  // Column widths from the fields' display widths in this grid's font.
  void ApplyColumnWidths();

private:
  void BindDataSet();
  void ScheduleFollow();
  void FollowCurrentRecord();

  TDataSource* source_ = nullptr;
  DataSetModel* model_;
  bool followPending_ = false;
  bool moving_ = false;
};
