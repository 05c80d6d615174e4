#pragma once

#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>

#include "CameraTypes.h"

class QPainter;

namespace camera {

// What stands behind the video control. The backend paints straight into the
// control's widget (no intermediate frame copy) and says when a new frame is
// due with FrameChanged; or it draws frames from a thread of its own into the
// control's native surface, so they keep coming while the GUI thread is held.
class VideoBackend : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  virtual Status PutStreamAddress(const QString& address) = 0;
  virtual void Paint(QPainter& painter, const QRect& area) = 0;
  // The control's native surface (an X11 window) and its size in device
  // pixels, again after every resize; 0 where the platform has none, and the
  // size still tells how large frames are painted. Only backends that draw
  // from a thread of their own use it.
  virtual void SetSurface(quintptr surface, QSize size) {
    Q_UNUSED(surface);
    Q_UNUSED(size);
  }

 signals:
  void FrameChanged();
};

}  // namespace camera
