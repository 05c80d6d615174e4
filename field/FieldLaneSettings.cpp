#include "FieldLaneSettings.h"

#include <QStringList>

#include "Gstreamer.h"

namespace field {

QString FieldLaneSettings::Describe() const {
  QStringList pieces;
  if (serial) pieces << QStringLiteral("串口 ") + serial->Describe();
  if (video) pieces << QStringLiteral("视频 ") + WithoutCredentials(video->url);
  return pieces.join(QStringLiteral(", "));
}

}  // namespace field
