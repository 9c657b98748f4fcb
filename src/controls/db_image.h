#pragma once
// A picture box bound to one field of the data source's current record,
// showing the picture stretched to the box.
#include <QImage>
#include <QWidget>

class TDataSource;
class TQuery;

class TDBImage : public QWidget {
  Q_OBJECT
public:
  explicit TDBImage(QWidget* parent = nullptr);
  void SetDataSource(TDataSource* source);
  const QString& DataField() const { return dataField_; }
  // A field name binds the box (throws when the open result has no such
  // field); an empty name unbinds it.
  void SetDataField(const QString& name);
  bool AutoDisplay() const { return autoDisplay_; }
  void SetAutoDisplay(bool on);
  // The picture now shown (null when none).
  const QImage& Picture() const { return picture_; }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  TQuery* DataSet() const;
  void BindDataSet();
  void ScheduleLoad();
  void LoadPicture();

  TDataSource* source_ = nullptr;
  TQuery* boundQuery_ = nullptr;
  QString dataField_;
  bool autoDisplay_ = false;
  bool loadPending_ = false;
  QImage picture_;
};
