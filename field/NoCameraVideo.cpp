#include "NoCameraVideo.h"

#include <QPainter>

#include "FieldCamera.h"

namespace field {

camera::Status NoCameraVideo::PutStreamAddress(const QString& address) {
  if (address == QLatin1String("0")) return camera::Status::Ok();
  return camera::Status::Failure(camera::kStatusFailed, std::string(kNoCamera) + ": no live video");
}

void NoCameraVideo::Paint(QPainter& painter, const QRect& area) {
  painter.fillRect(area, QColor(24, 24, 24));
  painter.setPen(QColor(150, 150, 150));
  painter.drawText(area, Qt::AlignCenter, QStringLiteral("无视频: 此车道只有串口, 没有摄像机"));
}

}  // namespace field
