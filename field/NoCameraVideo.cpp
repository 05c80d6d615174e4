#include "NoCameraVideo.h"

#include <QPainter>

namespace field {

// The area already says there is no camera: connecting is not refused for a
// video the lane never had.
camera::Status NoCameraVideo::PutStreamAddress(const QString&) {
  return camera::Status::Ok();
}

void NoCameraVideo::Paint(QPainter& painter, const QRect& area) {
  painter.fillRect(area, QColor(24, 24, 24));
  painter.setPen(QColor(150, 150, 150));
  painter.drawText(area, Qt::AlignCenter, QStringLiteral("无视频: 此车道只有串口, 没有摄像机"));
}

}  // namespace field
