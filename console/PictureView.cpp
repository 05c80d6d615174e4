#include "PictureView.h"

#include <QPainter>

#include "JpegPicture.h"

PictureView::PictureView(QWidget* parent) : QWidget(parent) {}

void PictureView::LoadFromFile(const QString& path) {
  QImage decoded = DecodeJpegCovering(PictureBytes(ReadPictureFile(path)), size());
  shown_ = StretchPicture(decoded, size());
  decoded_ = std::move(decoded);
  setAttribute(Qt::WA_OpaquePaintEvent);
  update();
}

void PictureView::paintEvent(QPaintEvent*) {
  if (shown_.isNull()) return;
  QPainter painter(this);
  painter.drawImage(0, 0, shown_);
}

void PictureView::resizeEvent(QResizeEvent*) {
  if (HasPicture()) shown_ = StretchPicture(decoded_, size());
}
