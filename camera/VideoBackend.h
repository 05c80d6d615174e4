#pragma once

#include <QObject>
#include <QRect>
#include <QString>

#include "CameraTypes.h"

class QPainter;

namespace camera {

// What stands behind the video control. The backend paints straight into the
// control's widget (no intermediate frame copy) and says when a new frame is
// due with FrameChanged.
class VideoBackend : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  virtual Status PutStreamAddress(const QString& address) = 0;
  virtual void Paint(QPainter& painter, const QRect& area) = 0;

 signals:
  void FrameChanged();
};

}  // namespace camera
