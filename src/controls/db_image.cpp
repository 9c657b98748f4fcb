#include "controls/db_image.h"

#include "database/failure.h"
#include "database/query.h"
#include "controls/data_source.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>

TDBImage::TDBImage(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::NoFocus); }

void TDBImage::SetDataSource(TDataSource* source) {
  if (source_) disconnect(source_, nullptr, this, nullptr);
  source_ = source;
  if (source_) connect(source_, &TDataSource::dataSetChanged, this, &TDBImage::BindDataSet);
  BindDataSet();
}

TQuery* TDBImage::DataSet() const { return source_ ? source_->DataSet() : nullptr; }

void TDBImage::BindDataSet() {
  if (boundQuery_) disconnect(boundQuery_, nullptr, this, nullptr);
  boundQuery_ = DataSet();
  if (boundQuery_) {
    connect(boundQuery_, &TQuery::recordChanged, this, &TDBImage::ScheduleLoad);
    connect(boundQuery_, &TQuery::activeChanged, this, &TDBImage::ScheduleLoad);
  }
  ScheduleLoad();
}

void TDBImage::SetDataField(const QString& name) {
  TQuery* query = DataSet();
  if (!name.isEmpty() && query && query->Active() && !query->FindField(name))
    throw EDatabaseError(QStringLiteral("找不到欄位 '%1'").arg(name));
  dataField_ = name;
  LoadPicture();
}

void TDBImage::SetAutoDisplay(bool on) {
  autoDisplay_ = on;
  LoadPicture();
}

void TDBImage::ScheduleLoad() {
  if (loadPending_) return;
  loadPending_ = true;
  QTimer::singleShot(0, this, &TDBImage::LoadPicture);
}

void TDBImage::LoadPicture() {
  loadPending_ = false;
  QImage picture;
  TQuery* query = DataSet();
  if (autoDisplay_ && !dataField_.isEmpty() && query && query->Active()) {
    if (const TField* field = query->FindField(dataField_); field && !field->IsNull())
      picture.loadFromData(field->AsBytes());
  }
  picture_ = picture;
  update();
}

void TDBImage::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOptionFrame frame;
  frame.initFrom(this);
  frame.frameShape = QFrame::Panel;
  frame.state |= QStyle::State_Sunken;
  frame.lineWidth = 1;
  style()->drawPrimitive(QStyle::PE_Frame, &frame, &painter, this);
  if (!picture_.isNull()) painter.drawImage(rect().adjusted(1, 1, -1, -1), picture_);
}
