#pragma once
// The result grid: shows the data source's query and follows its current record.
#include <QStringList>
#include <QTableView>
#include <functional>

class DataSetModel;
class QLabel;
class TDataSource;
class TField;
class TQuery;

class TDBGrid : public QTableView {
  Q_OBJECT
public:
  explicit TDBGrid(QWidget* parent = nullptr);
  void SetDataSource(TDataSource* source);
  TQuery* DataSet() const;
  // Column widths from the fields' display widths in this grid's font.
  void ApplyColumnWidths();

  // The column list: applied to every result that opens while it is not
  // empty, and by ApplySelected after it changes.
  QStringList Selected;
  void ApplySelected();
  // The fields the grid shows, in display order.
  QList<TField*> ShownFields() const;
  // The selected rows as a spreadsheet takes them: a heading line of the
  // shown column titles, then each row's cells as the grid shows them,
  // separated by tabs, lines by CR LF.
  QString SelectedRowsText() const;
  // Fetches the rest of the result before Ctrl+End goes to its last record;
  // false when the user stopped it. The window sets one that keeps itself
  // alive and stoppable; without one the rows are simply fetched.
  std::function<bool(TQuery&)> FetchRest;

protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void BindDataSet();
  void ScheduleFollow();
  void FollowCurrentRecord();
  // Says so when the result keeps only its first rows.
  void UpdateKeptRowsNote();

  TDataSource* source_ = nullptr;
  DataSetModel* model_;
  QLabel* keptRowsNote_;
  bool followPending_ = false;
  bool moving_ = false;
};
