#include "FieldLaneSettings.h"

#include <QStringList>

#include "Gstreamer.h"

namespace field {

QString FieldLaneSettings::Describe() const {
  QStringList pieces;
  if (camera) pieces << QStringLiteral("摄像机 ") + camera->Describe();
  if (serial) pieces << QStringLiteral("串口 ") + serial->Describe();
  if (video) pieces << QStringLiteral("视频 ") + WithoutCredentials(video->url);
  if (plates) pieces << QStringLiteral("车牌 ") + plates->Describe();
  return pieces.join(QStringLiteral(", "));
}

}  // namespace field
